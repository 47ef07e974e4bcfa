// Play Waveform and Stop Waveform: the document's wave image (header slot and data) handed to
// the sound service, played from the document's own block while the user goes on working.
// Whatever releases or replaces the block stops the sound first (CRipwellDoc::DeleteContents).
#pragma once

#include <cstdint>

#include "platform/sound.h"

class CRipwellDoc;

// From memory, returning at once, no default sound when it cannot be played, and no waiting
// for a busy device.
inline constexpr uint32_t WAVEFORM_PLAY_FLAGS =
    platform::SND_MEMORY | platform::SND_ASYNC | platform::SND_NODEFAULT | platform::SND_NOWAIT;
static_assert(WAVEFORM_PLAY_FLAGS == 0x2007);

// Nothing for an empty document. Data not marked as a sound is played only after the
// question sound and a Yes to question 61204. A sound that cannot start is reported with
// message 61205 (help 18). Playing again replaces a sound that still plays.
void PlayWaveform(CRipwellDoc& document);

// Stops whatever sound plays.
void StopWaveform();
