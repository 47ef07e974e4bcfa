// The program's own reader of cdrdao TOC files, covering what cdrdao writes and reads: CD_DA,
// CD_ROM and CD_ROM_XA discs; AUDIO, MODE1, MODE1_RAW, MODE2 and MODE2_RAW tracks; FILE,
// AUDIOFILE and DATAFILE with starts and lengths in MSF, samples or bytes and "#" byte offsets;
// SILENCE, ZERO, PREGAP, START and INDEX; ISRC, CATALOG, CD_TEXT blocks (their titles are kept),
// the track flags, SWAP and // comments.
//
// As cdrdao reads them, audio files whose names end in ".wav" are WAVE files; every other audio
// file holds raw 16-bit samples with the most significant byte first, unless SWAP says the
// other way round. Lengths and starts of audio count samples (1/44100 s), of data bytes; an MSF
// value counts sectors.
#pragma once

#include <string>

#include "platform/cdrom/image_program.h"

namespace platform::cdrom {

// Parses the text of a TOC file; false and a reason naming the line on anything malformed or
// not supported.
bool ParseTocFile(const std::string& text, DiscProgram* program, std::string* reason);

} // namespace platform::cdrom
