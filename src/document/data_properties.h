// The window-free half of the Properties command: the playing time the dialog shows for a
// list selection, and the steps that apply the confirmed dialog to the document. Only the
// header slot in front of the data changes; the data bytes are never converted.
#pragma once

#include <cstdint>
#include <string>

#include "document/wave_header.h"

class CRipwellDoc;

// Bytes per second of the wave format list's selection 0..15; any other selection (none
// selected) counts as 176400, the rate of CD digital audio.
uint32_t BytesPerSecondOfSelection(int selection);

// The playing time field: "%d m " for the whole minutes above 60 seconds (the rest kept in
// single precision), then "%.2f s", e.g. "12.34 s" or "3 m 5.25 s". The length is taken as a
// signed 32-bit number; minutes are not broken down into hours.
std::string PlayingTimeText(uint32_t dataLength, int selection);

struct PropertiesChange {
    bool formatChanged = false; // the header slot was rewritten (or tried to be)
    bool soundFlagChanged = false;
};

// Applies a confirmed Properties dialog, in this order:
// 1. a format other than the document's: any sound that plays is stopped (it was started from
//    the old header), SetWaveFormat; "Could not change wave format." when that fails; the
//    document is marked modified either way;
// 2. a sound flag other than the document's is stored and the document marked modified.
// A dialog confirmed without changes leaves the modified flag as it was.
PropertiesChange ApplyDataProperties(CRipwellDoc& document, WaveFormatCode format, bool assumeSound);
