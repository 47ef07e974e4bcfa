// The CD-ROM device over a disc of the disc layer, as the real device service opens it for a
// drive letter; open for tests that put a disc of their own behind the device interface.
#pragma once

#include <memory>

#include "platform/cdrom/cdrom_device.h"
#include "platform/cdrom/disc.h"
#include "platform/drives.h"

namespace platform {

// disc may be null: a drive without a readable disc, whose requests fail as "not ready". drive
// is the drive table's entry of the letter.
std::unique_ptr<CdromDevice> MakeDiscDevice(std::unique_ptr<cdrom::Disc> disc, const DriveEntry& drive);

} // namespace platform
