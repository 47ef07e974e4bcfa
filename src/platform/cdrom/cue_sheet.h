// The program's own reader of cue sheets: several FILE lines (BINARY, MOTOROLA, and sound
// files WAVE, FLAC, AIFF through libsndfile), AUDIO, MODE1/2048, MODE1/2352, MODE2/2336 and
// MODE2/2352 tracks, INDEX 00 to 99, PREGAP, POSTGAP, CATALOG, TITLE and ISRC.
//
// A track may begin in one file and go on in the next: the layout most rippers write puts a
// track's INDEX 00 at the end of the previous FILE and its INDEX 01 after the next FILE line.
// The sectors of a file before its first INDEX belong to the track of that INDEX.
#pragma once

#include <string>

#include "platform/cdrom/image_program.h"

namespace platform::cdrom {

// Parses the text of a sheet; false and a reason naming the line on any malformed or missing
// part. Checks what can be checked without the files.
bool ParseCueSheet(const std::string& text, DiscProgram* program, std::string* reason);

} // namespace platform::cdrom
