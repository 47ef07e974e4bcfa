#include "platform/cdrom_volume.h"

#include "platform/cdrom/disc.h"

namespace platform {

// The volume of a CD-ROM drive is the ISO 9660 volume of its disc: one cluster per 2048-byte
// block, no free space.
bool QueryCdromVolume(const DriveEntry& drive, VolumeGeometry& geometry)
{
    if (drive.kind == DriveEntry::Kind::FixedDisk)
        return false;
    const auto kind = drive.kind == DriveEntry::Kind::PhysicalCdrom ? cdrom::SourceKind::PhysicalDrive
                                                                    : cdrom::SourceKind::ImageFile;
    std::string reason;
    std::unique_ptr<cdrom::Disc> disc = cdrom::OpenDisc(drive.source, kind, &reason);
    uint32_t blocks = 0;
    if (!disc || !cdrom::ReadIsoVolumeSize(*disc, &blocks))
        return false;
    geometry.sectorsPerCluster = 1;
    geometry.bytesPerSector = cdrom::COOKED_SECTOR_SIZE;
    geometry.freeClusters = 0;
    geometry.totalClusters = blocks;
    return true;
}

} // namespace platform
