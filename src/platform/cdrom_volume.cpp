#include "platform/cdrom_volume.h"

#include "platform/cdrom/disc.h"
#include "platform/virtual_drive_media.h"

namespace platform {

// The volume of a CD-ROM drive is the ISO 9660 volume of its disc: one cluster per 2048-byte
// block, no free space.
bool QueryCdromVolume(const DriveEntry& drive, VolumeGeometry& geometry)
{
    if (drive.kind == DriveEntry::Kind::FixedDisk)
        return false;
    if (drive.kind == DriveEntry::Kind::DiscImage && IsVirtualDoorOpen(drive.letter, drive.source))
        return false; // the door is open: no disc, no volume
    const auto kind =
        drive.kind == DriveEntry::Kind::PhysicalCdrom ? cdrom::SourceKind::PhysicalDrive : cdrom::SourceKind::ImageFile;
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
