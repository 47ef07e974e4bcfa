// The CD-ROM device interface in the shape the program knows: a device opened by its path
// "\\.\D:", raw reads with IOCTL_CDROM_RAW_READ and a RAW_READ_INFO record, cooked reads as a
// file at byte offset sector x 2048, the media check IOCTL_STORAGE_CHECK_VERIFY, the table of
// contents IOCTL_CDROM_READ_TOC, the drive's name IOCTL_STORAGE_QUERY_PROPERTY, and
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
inline constexpr uint32_t IOCTL_CDROM_READ_TOC = 0x24000;
inline constexpr uint32_t IOCTL_STORAGE_CHECK_VERIFY = 0x2D4800;
inline constexpr uint32_t IOCTL_STORAGE_QUERY_PROPERTY = 0x2D1400;

inline constexpr uint32_t MEM_COMMIT = 0x1000;
inline constexpr uint32_t MEM_RESERVE = 0x2000;
inline constexpr uint32_t MEM_RELEASE = 0x8000;
inline constexpr uint32_t PAGE_READWRITE = 0x04;

// System error codes: platform/last_error.h.

enum TRACK_MODE_TYPE : uint32_t {
    YellowMode2 = 0,
    XAForm2 = 1,
    CDDA = 2,
    RawWithC2AndSubCode = 3,
    RawWithC2 = 4, // CD-DA sectors, each followed by its C2 error pointers
    RawWithSubCode = 5,
};

// A RawWithC2 sector: the 2352 bytes of the sector, 294 bytes of C2 error pointers (one bit a
// byte of the sector, the first byte's bit the highest of the first pointer byte; a set bit
// marks a byte the drive could not correct), then the block error byte (the pointer bytes
// or-ed together) and a pad byte.
inline constexpr uint32_t CD_RAW_SECTOR_WITH_C2_SIZE = 2352 + 296;
inline constexpr uint32_t CD_C2_POINTER_BYTES = 294;

struct LARGE_INTEGER {
    uint32_t LowPart = 0;
    int32_t HighPart = 0;
};

// The raw read request: DiskOffset counts 2048 bytes per sector, although each raw sector
// delivers 2352 bytes. It is signed: a negative offset reaches into the lead-in, an offset at
// or past the lead-out into the lead-out (an overread, which not every drive does).
struct RAW_READ_INFO {
    LARGE_INTEGER DiskOffset;
    uint32_t SectorCount = 0;
    TRACK_MODE_TYPE TrackMode = CDDA;
};
static_assert(sizeof(RAW_READ_INFO) == 16, "RAW_READ_INFO is a 16-byte record");

// The table of contents of IOCTL_CDROM_READ_TOC: one entry per track, then the lead-out
// (track number 0xAA), each with its absolute address as minute, second, frame in Address[1..3].
inline constexpr uint32_t MAXIMUM_NUMBER_TRACKS = 100;
inline constexpr uint8_t TOC_LEAD_OUT_TRACK = 0xAA;

struct TRACK_DATA {
    uint8_t Reserved = 0;
    uint8_t ControlAdr = 0; // control in the low four bits (4: data track), ADR in the high four
    uint8_t TrackNumber = 0;
    uint8_t Reserved1 = 0;
    uint8_t Address[4] = {};
};

struct CDROM_TOC {
    uint8_t Length[2] = {}; // big-endian: the bytes that follow this field
    uint8_t FirstTrack = 0;
    uint8_t LastTrack = 0;
    TRACK_DATA TrackData[MAXIMUM_NUMBER_TRACKS];
};
static_assert(sizeof(CDROM_TOC) == 804, "CDROM_TOC is an 804-byte record");

// IOCTL_STORAGE_QUERY_PROPERTY: the device descriptor (property 0, standard query) names the
// drive's vendor, product and revision as strings at offsets from the descriptor's start.
enum STORAGE_PROPERTY_ID : uint32_t { StorageDeviceProperty = 0 };
enum STORAGE_QUERY_TYPE : uint32_t { PropertyStandardQuery = 0 };

struct STORAGE_PROPERTY_QUERY {
    STORAGE_PROPERTY_ID PropertyId = StorageDeviceProperty;
    STORAGE_QUERY_TYPE QueryType = PropertyStandardQuery;
    uint8_t AdditionalParameters[1] = {};
};

struct STORAGE_DEVICE_DESCRIPTOR {
    uint32_t Version = 0;
    uint32_t Size = 0; // of the whole descriptor, strings included
    uint8_t DeviceType = 0;
    uint8_t DeviceTypeModifier = 0;
    uint8_t RemovableMedia = 0;
    uint8_t CommandQueueing = 0;
    uint32_t VendorIdOffset = 0; // 0: none
    uint32_t ProductIdOffset = 0;
    uint32_t ProductRevisionOffset = 0;
    uint32_t SerialNumberOffset = 0;
    uint32_t BusType = 0;
    uint32_t RawPropertiesLength = 0;
    uint8_t RawDeviceProperties[1] = {};
};
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == 40, "the fixed part of the descriptor is 40 bytes");

// The drive itself, as its inquiry data names it (trailing blanks removed).
struct DriveIdentity {
    std::string vendor;
    std::string product;
    std::string revision;
};

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
    // Raw sectors: SectorCount sectors from DiskOffset / 2048, 2352 bytes each, into output (in
    // RawWithC2 mode CD_RAW_SECTOR_WITH_C2_SIZE bytes each). A mode the drive cannot deliver is
    // refused with ERROR_INVALID_PARAMETER.
    virtual bool RawRead(const RAW_READ_INFO& request, void* output, uint32_t outputSize, uint32_t* bytesReturned,
                         uint32_t* error) = 0;
    // Cooked bytes at a byte offset of the data area (sector x 2048).
    virtual bool Read(uint64_t offset, void* output, uint32_t size, uint32_t* bytesRead, uint32_t* error) = 0;
    virtual bool CheckVerify(uint32_t* mediaChangeCount, uint32_t* error) = 0;
    // The table of contents; devices without one refuse with ERROR_INVALID_FUNCTION.
    virtual bool ReadToc(CDROM_TOC* toc, uint32_t* error);
    // The drive's vendor, product and revision; a device that does not say refuses.
    virtual bool QueryIdentity(DriveIdentity* identity, uint32_t* error);
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
