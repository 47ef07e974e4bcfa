// The CD-ROM device interface in the shape the program knows: a device opened by its path
// "\\.\D:", raw reads with IOCTL_CDROM_RAW_READ and a RAW_READ_INFO record, cooked reads as a
// file at byte offset sector x 2048, the media check IOCTL_STORAGE_CHECK_VERIFY, and
// page-aligned transfer memory from VirtualAlloc.
//
// Behind the calls sits the installed CdromDeviceService: the real one resolves the letter
// through the drive table and opens the disc behind it (image file or physical drive); tests
// install a scripted drive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/last_error.h"

namespace platform {

using HANDLE = void*;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(~uintptr_t{0});

inline constexpr uint32_t GENERIC_READ = 0x80000000;
inline constexpr uint32_t FILE_SHARE_READ = 0x1;
inline constexpr uint32_t FILE_SHARE_WRITE = 0x2;
inline constexpr uint32_t OPEN_EXISTING = 3;
inline constexpr uint32_t FILE_ATTRIBUTE_NORMAL = 0x80;
inline constexpr uint32_t FILE_BEGIN = 0;
inline constexpr uint32_t INVALID_SET_FILE_POINTER = 0xFFFFFFFF;

inline constexpr uint32_t IOCTL_CDROM_RAW_READ = 0x2403E;
inline constexpr uint32_t IOCTL_STORAGE_CHECK_VERIFY = 0x2D4800;

inline constexpr uint32_t MEM_COMMIT = 0x1000;
inline constexpr uint32_t MEM_RESERVE = 0x2000;
inline constexpr uint32_t MEM_RELEASE = 0x8000;
inline constexpr uint32_t PAGE_READWRITE = 0x04;

// System error codes: platform/last_error.h.

enum TRACK_MODE_TYPE : uint32_t { YellowMode2 = 0, XAForm2 = 1, CDDA = 2 };

struct LARGE_INTEGER {
    uint32_t LowPart = 0;
    int32_t HighPart = 0;
};

// The raw read request: DiskOffset counts 2048 bytes per sector, although each raw sector
// delivers 2352 bytes.
struct RAW_READ_INFO {
    LARGE_INTEGER DiskOffset;
    uint32_t SectorCount = 0;
    TRACK_MODE_TYPE TrackMode = CDDA;
};
static_assert(sizeof(RAW_READ_INFO) == 16, "RAW_READ_INFO is a 16-byte record");

HANDLE CreateFileA(const char* fileName, uint32_t desiredAccess, uint32_t shareMode, void* securityAttributes,
                   uint32_t creationDisposition, uint32_t flagsAndAttributes, HANDLE templateFile);
bool DeviceIoControl(HANDLE device, uint32_t ioControlCode, void* inBuffer, uint32_t inBufferSize, void* outBuffer,
                     uint32_t outBufferSize, uint32_t* bytesReturned, void* overlapped);
uint32_t SetFilePointer(HANDLE file, int32_t distanceToMove, int32_t* distanceToMoveHigh, uint32_t moveMethod);
bool ReadFile(HANDLE file, void* buffer, uint32_t numberOfBytesToRead, uint32_t* numberOfBytesRead, void* overlapped);
bool CloseHandle(HANDLE object);

// Page-aligned, zero-filled memory of its own mapping; released with size 0 and MEM_RELEASE.
void* VirtualAlloc(void* address, size_t size, uint32_t allocationType, uint32_t protect);
bool VirtualFree(void* address, size_t size, uint32_t freeType);

// One open CD-ROM device. Each request answers true, or false with a system error code.
class CdromDevice {
public:
    virtual ~CdromDevice() = default;
    // Raw sectors: SectorCount sectors from DiskOffset / 2048, 2352 bytes each, into output.
    virtual bool RawRead(const RAW_READ_INFO& request, void* output, uint32_t outputSize, uint32_t* bytesReturned,
                         uint32_t* error) = 0;
    // Cooked bytes at a byte offset of the data area (sector x 2048).
    virtual bool Read(uint64_t offset, void* output, uint32_t size, uint32_t* bytesRead, uint32_t* error) = 0;
    virtual bool CheckVerify(uint32_t* mediaChangeCount, uint32_t* error) = 0;
};

class CdromDeviceService {
public:
    virtual ~CdromDeviceService() = default;
    // Opens the device of a path like "\\.\D:"; nullptr and an error code when there is none.
    virtual std::unique_ptr<CdromDevice> Open(const std::string& devicePath, uint32_t* error) = 0;
    // Gives the transfer memory of VirtualAlloc. The default is real page-aligned memory.
    virtual void* AllocateTransfer(size_t size);
    virtual void ReleaseTransfer(void* block);
};

// Installs a device service; nullptr goes back to the real one. The caller keeps ownership.
void SetCdromDeviceService(CdromDeviceService* service);

// Page-aligned memory mapped for one block, as the real transfer memory.
void* AllocatePageBlock(size_t size);
void ReleasePageBlock(void* block);

// The drive letter of a device path "\\.\D:" (upper case), or 0 when the path is not one.
char DriveLetterOfDevicePath(const std::string& devicePath);

} // namespace platform
