// The log of a rip, in plain UTF-8 text: the program and its version, the drive and its read
// offset, the mode, the disc's identifiers and table of contents, then per track its range, its
// test and copy CRC-32s, the re-reads and suspicious positions, the AccurateRip checksums and
// verdict, and last a line that says whether every track is accurate.
#pragma once

#include <string>

struct RipRequest;
struct RipResult;

std::string BuildRipLog(const RipRequest& request, const RipResult& result, bool secure);

// The log's last line.
std::string RipVerdictLine(const RipResult& result);
