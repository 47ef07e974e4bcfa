// The program's own reader of Nero images (.nrg): the chunks at the end of the file, found
// through the footer ("NER5" and a 64-bit offset, or "NERO" and a 32-bit one), describe the
// tracks whose sectors lie in the file before them. Disc-at-once images (DAOX/DAOI with the cue
// points of CUEX/CUES) and track-at-once images (ETN2/ETNF) are read; CD-TEXT, session and media
// chunks are passed over. Audio sectors are stored as a raw read gives them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/cdrom/image_program.h"

namespace platform::cdrom {

// Reads size bytes at offset of the image into *bytes; false when it cannot.
using ImageReader = std::function<bool(uint64_t offset, size_t size, std::string* bytes)>;

// The program of the Nero image at path, whose size is fileSize; false and a reason for an
// image that is not one or that this reader cannot follow.
bool ParseNrgImage(const ImageReader& read, uint64_t fileSize, const std::string& path, DiscProgram* program,
                   std::string* reason);

} // namespace platform::cdrom
