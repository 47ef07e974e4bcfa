// The libcdio backend of the disc layer: the disc in a physical drive.
#pragma once

#include "platform/cdrom/disc.h"

namespace platform::cdrom {

std::unique_ptr<Disc> OpenPhysicalDrive(const std::string& device, std::string* reason);

} // namespace platform::cdrom
