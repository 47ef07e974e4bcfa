#include "cdrom/device_reads.h"

#include <cstring>

#include "cdrom/address.h"
#include "platform/cdrom/cdrom_device.h"

using namespace platform;

namespace {

// "\\.\?:" with the question mark (index 4) replaced by the drive letter.
void BuildDevicePath(char driveLetter, char (&path)[7])
{
    std::memcpy(path, "\\\\.\\?:", sizeof path);
    path[4] = driveLetter;
}

HANDLE OpenDevice(char driveLetter)
{
    char path[7];
    BuildDevicePath(driveLetter, path);
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

DriveError ReadSectors(char driveLetter, uint32_t firstSector, uint32_t sectorCount, void* destination, ReadMode mode)
{
    // 1. Open the device.
    HANDLE device = OpenDevice(driveLetter);
    if (device == INVALID_HANDLE_VALUE)
        return DRIVE_ERROR_INVALID_DRIVE;

    // 2. Transfer size, 32-bit. A count whose size does not fit in 32 bits would wrap to a small
    // block and report a short read as success; no transfer block that large can be had.
    const bool raw = mode == READ_MODE_RAW;
    const uint32_t sectorSize = raw ? RAW_SECTOR_SIZE : COOKED_SECTOR_SIZE;
    if (sectorCount > UINT32_MAX / sectorSize) {
        CloseHandle(device);
        return DRIVE_ERROR_NO_MEMORY;
    }
    const uint32_t transferSize = sectorCount * sectorSize;

    // 3. A page-aligned transfer block of its own.
    void* block = VirtualAlloc(nullptr, transferSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!block) {
        CloseHandle(device);
        return DRIVE_ERROR_NO_MEMORY;
    }

    // 4. The request.
    bool succeeded = false;
    uint32_t bytesTransferred = 0;
    if (raw) {
        RAW_READ_INFO request;
        request.DiskOffset.LowPart = firstSector * COOKED_SECTOR_SIZE;
        request.DiskOffset.HighPart = 0;
        request.SectorCount = sectorCount;
        request.TrackMode = CDDA;
        succeeded = DeviceIoControl(device, IOCTL_CDROM_RAW_READ, &request, sizeof request, block, transferSize,
                                    &bytesTransferred, nullptr);
    } else {
        SetFilePointer(device, static_cast<int32_t>(firstSector * COOKED_SECTOR_SIZE), nullptr, FILE_BEGIN);
        succeeded = ReadFile(device, block, transferSize, &bytesTransferred, nullptr);
    }

    // 5. Success: copy out, release, close.
    if (succeeded) {
        std::memcpy(destination, block, transferSize);
        VirtualFree(block, 0, MEM_RELEASE);
        CloseHandle(device);
        return DRIVE_OK;
    }

    // 6. Failure: the system error is fetched and dropped.
    (void)GetLastError();
    VirtualFree(block, 0, MEM_RELEASE);
    CloseHandle(device);
    return DRIVE_ERROR_READ_FAULT;
}

bool GetMediaChangeCount(char driveLetter, uint32_t* count)
{
    HANDLE device = OpenDevice(driveLetter);
    if (device == INVALID_HANDLE_VALUE)
        return false;
    uint32_t bytesReturned = 0;
    if (DeviceIoControl(device, IOCTL_STORAGE_CHECK_VERIFY, nullptr, 0, count, sizeof(uint32_t), &bytesReturned,
                        nullptr)) {
        CloseHandle(device);
        return true;
    }
    (void)GetLastError();
    CloseHandle(device);
    return false;
}
