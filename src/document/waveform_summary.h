// A min/max summary of the document's samples under one wave format, so that a picture of the
// waveform costs the same whatever the size of the document. Built in one pass over the data
// (blocks of 256 sample frames), then folded into coarser levels, four nodes to one, up to a
// single node. A picture of W columns reads at most a few nodes per column, or for small
// documents at most one block of samples per column.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "document/wave_header.h"

namespace waveform {

// The lowest and highest sample of a range, on the signed 16-bit scale (8-bit samples, which
// are unsigned with 128 as silence, are scaled by 256).
struct Peak {
    int16_t min = 0;
    int16_t max = 0;
    bool operator==(const Peak&) const = default;
};

// How samples lie in the data under a format: channels interleaved, frames of frameBytes.
struct SampleLayout {
    int channels = 0;
    int bytesPerSample = 0;
    uint32_t frameBytes = 0;
};
// False for a code outside 0..15.
bool LayoutOfFormat(WaveFormatCode code, SampleLayout& layout);

inline constexpr uint32_t FRAMES_PER_BLOCK = 256;
inline constexpr uint32_t LEVEL_FACTOR = 4;

class WaveformSummary {
public:
    // Summarizes length bytes of data under format code. False, with an empty summary, for a
    // code outside 0..15 or when memory for the summary is short (NoMemory() tells).
    bool Build(const uint8_t* data, uint32_t length, WaveFormatCode code);
    void Clear();

    // True when the summary was built from exactly this data, length and format.
    bool Describes(const uint8_t* data, uint32_t length, WaveFormatCode code) const
    {
        return m_data == data && m_length == length && m_format == code && m_built;
    }
    bool IsBuilt() const { return m_built; }
    bool NoMemory() const { return m_noMemory; }
    uint64_t Frames() const { return m_frames; }
    int Channels() const { return m_layout.channels; }
    const SampleLayout& Layout() const { return m_layout; }
    int Levels() const { return static_cast<int>(m_levels.size()); }

    // The peaks of `columns` columns that share the frames evenly, channel by channel:
    // out[column * Channels() + channel]. data must be the data the summary was built from.
    // Columns wider than a block take whole nodes of the finest level that fits, so that
    // neighbouring columns meet without a gap; narrower ones read their own frames and reach
    // back one frame, so that the line of a sparse waveform joins up.
    void ColumnPeaks(const uint8_t* data, int columns, std::vector<Peak>& out) const;

private:
    struct Level {
        std::unique_ptr<Peak[]> nodes; // node * channels + channel
        uint64_t count = 0;
        uint64_t framesPerNode = 0;
    };

    const uint8_t* m_data = nullptr;
    uint32_t m_length = 0;
    WaveFormatCode m_format = 0;
    bool m_built = false;
    bool m_noMemory = false;
    SampleLayout m_layout;
    uint64_t m_frames = 0;
    std::vector<Level> m_levels;
};

namespace detail {
// Level 0: the peaks of every block of FRAMES_PER_BLOCK frames (the last one may be shorter)
// of `frames` frames at data, into out[block * channels + channel]. The vector form uses SSE2
// where the processor has it and is the scalar form elsewhere.
void SummarizeBlocksScalar(const uint8_t* data, uint64_t frames, const SampleLayout& layout, Peak* out);
void SummarizeBlocksVector(const uint8_t* data, uint64_t frames, const SampleLayout& layout, Peak* out);
// The peak of one channel over frames [first, end), read from the samples.
Peak PeakOfFrames(const uint8_t* data, const SampleLayout& layout, int channel, uint64_t first, uint64_t end);
} // namespace detail

} // namespace waveform
