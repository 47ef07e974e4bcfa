// The volume of the disc in a CD-ROM drive, for GetDiskFreeSpaceA: a data disc answers from
// its ISO 9660 volume descriptor; a disc without a file system gives false.
#pragma once

#include <cstdint>

#include "platform/drives.h"

namespace platform {

struct VolumeGeometry {
    uint32_t sectorsPerCluster = 1;
    uint32_t bytesPerSector = 2048;
    uint32_t freeClusters = 0;
    uint32_t totalClusters = 0;
};

bool QueryCdromVolume(const DriveEntry& drive, VolumeGeometry& geometry);

} // namespace platform
