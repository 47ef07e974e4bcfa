// The libcdio backends of the disc layer.
#pragma once

#include "platform/cdrom/disc.h"

namespace platform::cdrom {

std::unique_ptr<Disc> OpenPhysicalDrive(const std::string& device, std::string* reason);
std::unique_ptr<Disc> OpenCdrdaoToc(const std::string& path, std::string* reason);
std::unique_ptr<Disc> OpenNeroImage(const std::string& path, std::string* reason);

} // namespace platform::cdrom
