#include "cdrom/address.h"

#include "platform/drives.h"

LogicalSector MsfToSector(uint8_t minute, uint8_t second, uint8_t frame)
{
    // Unsigned arithmetic on purpose: a position before 00:02:00 wraps to a huge sector number,
    // which the callers' upper range check rejects.
    return uint32_t{minute} * FRAMES_PER_MINUTE + uint32_t{second} * FRAMES_PER_SECOND + frame - LEAD_IN_SECTORS;
}

void SectorToMsf(LogicalSector sector, uint8_t* minute, uint8_t* second, uint8_t* frame)
{
    const uint32_t x = sector + LEAD_IN_SECTORS;
    *minute = static_cast<uint8_t>(x / FRAMES_PER_MINUTE);
    const uint32_t r = x - uint32_t{*minute} * FRAMES_PER_MINUTE;
    *second = static_cast<uint8_t>(r / FRAMES_PER_SECOND);
    *frame = static_cast<uint8_t>(r - uint32_t{*second} * FRAMES_PER_SECOND);
}

char FindFirstCdromDrive()
{
    uint32_t mask = platform::GetLogicalDrives();
    char rootPath[] = "?:\\";
    for (char letter = 'A'; letter <= 'Z'; ++letter, mask >>= 1) {
        if (!(mask & 1))
            continue;
        rootPath[0] = letter;
        if (platform::GetDriveTypeA(rootPath) == platform::DRIVE_CDROM)
            return letter;
    }
    return 0;
}

bool GetVolumeSectorCount(char driveLetter, uint32_t* count)
{
    char rootPath[] = "?:\\";
    rootPath[0] = driveLetter;
    uint32_t sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!platform::GetDiskFreeSpaceA(rootPath, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return false;
    *count = sectorsPerCluster * totalClusters;
    return true;
}
