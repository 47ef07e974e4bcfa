// What a null sink recorded of a disc with counter content (mkdisc's AudioContent::Counter):
// every stereo sample names its own place on the disc, so a recording tells exactly which
// samples were heard, in which order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// A new stream loses its first few milliseconds on the way into the null sink's monitor
// (measured: 262 samples), so a heard run may begin up to this many samples late.
inline constexpr uint32_t MAX_SAMPLES_LOST_AT_START = 44100 / 20;

// The disc sample (counted from logical sector 0) of a recorded 4-byte sample, or nothing for
// silence.
std::optional<uint32_t> DiscSampleOf(const uint8_t* sample);
// The logical sector of a recorded sample, or nothing for silence.
std::optional<uint32_t> DiscSectorOf(const uint8_t* sample);

// A stretch of the recording whose samples follow each other on the disc.
struct SoundRun {
    size_t at;            // byte offset in the recording
    uint32_t firstSample; // disc sample of its first sample
    uint32_t samples;
};

// The recording as runs of consecutive disc samples; silence or a jump ends a run.
std::vector<SoundRun> SoundRuns(const std::vector<uint8_t>& recorded);
