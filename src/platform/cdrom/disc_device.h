// The CD-ROM device over a disc of the disc layer, as the real device service opens it for a
// drive letter; open for tests that put a disc of their own behind the device interface.
#pragma once

#include <memory>

#include "platform/cdrom/cdrom_device.h"
#include "platform/cdrom/disc.h"

namespace platform {

// disc may be null: a drive without a readable disc, whose requests fail as "not ready".
std::unique_ptr<CdromDevice> MakeDiscDevice(std::unique_ptr<cdrom::Disc> disc);

} // namespace platform
