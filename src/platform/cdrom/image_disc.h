// Discs in image files: cue sheets, cdrdao TOC files and Nero images, read by the program's own
// readers and laid out by one layout code.
//
// Every device request opens the disc anew, so what an image takes to open is kept while the
// image file stays as it is (same path, size and modification time): the parsed image, its
// layout, and the files it names, opened when first read, with the sound decoders where they
// stand. A changed image is read anew; a file it names that changed makes the read fail and the
// image be read anew at the next open.
#pragma once

#include <memory>
#include <string>

#include "platform/cdrom/disc.h"

namespace platform::cdrom {

std::unique_ptr<Disc> OpenCueImage(const std::string& path, std::string* reason);
std::unique_ptr<Disc> OpenTocImage(const std::string& path, std::string* reason);
std::unique_ptr<Disc> OpenNrgImage(const std::string& path, std::string* reason);

// Lets go of what is kept of the image at path: the next open reads it anew, as after taking a
// disc out of a drive and putting it back. Handles still open keep reading what they had.
void ForgetImage(const std::string& path);

} // namespace platform::cdrom
