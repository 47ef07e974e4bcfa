// What the firmware of a real drive knows and a virtual drive (a disc image file) has to be told:
// whether its door is open and how often its medium changed. The CD audio driver opens and
// closes the door; the CD-ROM device answers the media check with the count.
//
// A virtual drive's media change count starts at 0 with the first medium it is seen holding and
// goes up by one each time the medium changes: when the drive holds another image (the drives
// file names another file for its letter) or its image was rewritten on disk, and each time its
// door is closed after being opened. While the door is open the drive has no medium.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The door of the virtual drive `letter` holding the image `source`. Another image in the same
// drive comes with its door closed.
void SetVirtualDoorOpen(char letter, const std::string& source, bool open);
bool IsVirtualDoorOpen(char letter, const std::string& source);

// The media change count of virtual drive `letter`, which now holds `medium`: any text that
// differs whenever the medium does (see ImageFileMedium).
uint32_t CountVirtualMediaChanges(char letter, const std::string& medium);

// A text that names the image file at `path` as it is now: its path, and its file's identity,
// size and time of last change, so that an image rewritten or replaced on disk reads differently.
std::string ImageFileMedium(const std::string& path);

} // namespace platform
