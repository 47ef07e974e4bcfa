#include "platform/cdrom_volume.h"

namespace platform {

// Placeholder until the device layer reads ISO 9660 volumes: no volume is known.
bool QueryCdromVolume(const DriveEntry&, VolumeGeometry&) { return false; }

} // namespace platform
