// The table of contents that libcdio reads from a drive: the tracks with their starts, pregaps
// and kinds, the lead-out and the media catalogue number.
#pragma once

#include <cdio/cdio.h>

#include <string>

#include "platform/cdrom/table_of_contents.h"

namespace platform::cdrom {

// False and a reason when the drive gives no usable table (no disc, no lead-out, a track
// without a start).
bool ReadLibcdioToc(CdIo_t* cdio, TableOfContents* toc, std::string* reason);

} // namespace platform::cdrom
