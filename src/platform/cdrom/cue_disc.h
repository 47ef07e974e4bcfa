// The program's own reader of cue sheet images: several FILE lines, BINARY, MOTOROLA and sound
// files (WAVE, FLAC, AIFF through libsndfile), AUDIO, MODE1/2048, MODE1/2352 and MODE2/2352
// tracks, INDEX 00/01, PREGAP, POSTGAP and CATALOG. File names are taken relative to the
// sheet's folder.
#pragma once

#include "platform/cdrom/disc.h"

namespace platform::cdrom {

std::unique_ptr<Disc> OpenCueImage(const std::string& cuePath, std::string* reason);

} // namespace platform::cdrom
