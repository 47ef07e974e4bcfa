// The cue sheet of a rip: the disc as the files of the rip hold it, so that the sheet, put into
// a virtual drive, is the disc again. Each track's file starts at its INDEX 01; the gap of the
// next track (its INDEX 00) ends the file before it; the first track's own INDEX 00 is kept at
// the start of its file. A gap that is in no file (its previous track was not ripped) is a
// PREGAP. CATALOG, ISRC and the titles and performers are written where they are known; the
// tracks are numbered as on the disc when every track from the first chosen one on is there,
// else one after the other, as the format asks.
#pragma once

#include <string>

struct RipRequest;
struct RipResult;

std::string BuildCueSheet(const RipRequest& request, const RipResult& result);

// "mm:ss:ff" of a count of sectors.
std::string CueTime(uint32_t sectors);
