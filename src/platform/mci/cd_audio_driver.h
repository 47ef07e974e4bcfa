// The CD audio driver behind mciSendCommandA: MCI devices of type CD audio, each opened on one
// CD-ROM drive of the drive table ("E:"), answering the open, close, set, status, info, play,
// seek and stop commands with positions and lengths in the MSF or millisecond time format.
#pragma once

#include <cstdint>

#include "platform/mci/mci.h"

namespace platform {

// The driver of this machine's drives; it lives until the program ends.
MciService& CdAudioDriver();

// Copies text into an MCI return buffer, cut to fit; false when it did not fit whole.
bool CopyMciText(const char* text, char* buffer, uint32_t size);

} // namespace platform
