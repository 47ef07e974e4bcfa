#include "document/waveform_summary.h"

#include <algorithm>
#include <limits>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace waveform {
namespace {

constexpr int16_t LOWEST = std::numeric_limits<int16_t>::min();
constexpr int16_t HIGHEST = std::numeric_limits<int16_t>::max();
// 8-bit samples are unsigned with silence at 128.
constexpr int SILENCE_8_BIT = 128;

int16_t Scale8(uint8_t sample) { return static_cast<int16_t>((sample - SILENCE_8_BIT) * 256); }

int16_t SampleAt(const uint8_t* at, int bytesPerSample)
{
    if (bytesPerSample == 1)
        return Scale8(at[0]);
    return static_cast<int16_t>(static_cast<uint16_t>(at[0] | at[1] << 8));
}

Peak Combine(Peak a, Peak b) { return {std::min(a.min, b.min), std::max(a.max, b.max)}; }

// The peak a node covers when it covers nothing yet: everything combines into it.
constexpr Peak EMPTY_PEAK{HIGHEST, LOWEST};

#if defined(__SSE2__)
// The vector loops take 64 bytes a step: a block of the smallest frames (1 byte) must hold
// whole steps.
static_assert(FRAMES_PER_BLOCK % 64 == 0);

// One whole block of 16-bit samples: every 16 bytes hold 8 samples, channel = lane % channels
// (a frame is 2 or 4 bytes, so lanes keep their channel from one load to the next).
void SummarizeBlock16(const uint8_t* block, uint32_t bytes, int channels, Peak* out)
{
    // 64 bytes a step (a block is a multiple of it), in two pairs of accumulators.
    __m128i low = _mm_set1_epi16(HIGHEST);
    __m128i high = _mm_set1_epi16(LOWEST);
    __m128i low2 = low;
    __m128i high2 = high;
    for (uint32_t i = 0; i < bytes; i += 64) {
        const auto* at = reinterpret_cast<const __m128i*>(block + i);
        const __m128i a = _mm_loadu_si128(at);
        const __m128i b = _mm_loadu_si128(at + 1);
        const __m128i c = _mm_loadu_si128(at + 2);
        const __m128i d = _mm_loadu_si128(at + 3);
        low = _mm_min_epi16(low, _mm_min_epi16(a, b));
        high = _mm_max_epi16(high, _mm_max_epi16(a, b));
        low2 = _mm_min_epi16(low2, _mm_min_epi16(c, d));
        high2 = _mm_max_epi16(high2, _mm_max_epi16(c, d));
    }
    low = _mm_min_epi16(low, low2);
    high = _mm_max_epi16(high, high2);
    alignas(16) int16_t lows[8];
    alignas(16) int16_t highs[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
    _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
    for (int c = 0; c < channels; ++c)
        out[c] = EMPTY_PEAK;
    for (int lane = 0; lane < 8; ++lane)
        out[lane % channels] = Combine(out[lane % channels], {lows[lane], highs[lane]});
}

// One whole block of 8-bit samples: 16 samples a load, channel = lane % channels, 64 bytes a
// step as above.
void SummarizeBlock8(const uint8_t* block, uint32_t bytes, int channels, Peak* out)
{
    __m128i low = _mm_set1_epi8(static_cast<char>(0xFF));
    __m128i high = _mm_setzero_si128();
    __m128i low2 = low;
    __m128i high2 = high;
    for (uint32_t i = 0; i < bytes; i += 64) {
        const auto* at = reinterpret_cast<const __m128i*>(block + i);
        const __m128i a = _mm_loadu_si128(at);
        const __m128i b = _mm_loadu_si128(at + 1);
        const __m128i c = _mm_loadu_si128(at + 2);
        const __m128i d = _mm_loadu_si128(at + 3);
        low = _mm_min_epu8(low, _mm_min_epu8(a, b));
        high = _mm_max_epu8(high, _mm_max_epu8(a, b));
        low2 = _mm_min_epu8(low2, _mm_min_epu8(c, d));
        high2 = _mm_max_epu8(high2, _mm_max_epu8(c, d));
    }
    low = _mm_min_epu8(low, low2);
    high = _mm_max_epu8(high, high2);
    alignas(16) uint8_t lows[16];
    alignas(16) uint8_t highs[16];
    _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
    _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
    uint8_t channelLow[2] = {0xFF, 0xFF};
    uint8_t channelHigh[2] = {0, 0};
    for (int lane = 0; lane < 16; ++lane) {
        const int c = lane % channels;
        channelLow[c] = std::min(channelLow[c], lows[lane]);
        channelHigh[c] = std::max(channelHigh[c], highs[lane]);
    }
    for (int c = 0; c < channels; ++c)
        out[c] = {Scale8(channelLow[c]), Scale8(channelHigh[c])};
}
#endif

} // namespace

bool LayoutOfFormat(WaveFormatCode code, SampleLayout& layout)
{
    if (code < 0 || code > 15)
        return false;
    const WaveFormatEntry& entry = WaveFormatTable[code];
    layout.channels = entry.channels;
    layout.bytesPerSample = entry.bitsPerSample / 8;
    layout.frameBytes = entry.blockAlign;
    return true;
}

namespace detail {

Peak PeakOfFrames(const uint8_t* data, const SampleLayout& layout, int channel, uint64_t first, uint64_t end)
{
    if (first >= end)
        return {};
    Peak peak = EMPTY_PEAK;
    const uint8_t* at = data + first * layout.frameBytes + static_cast<uint64_t>(channel) * layout.bytesPerSample;
    for (uint64_t frame = first; frame < end; ++frame, at += layout.frameBytes) {
        const int16_t sample = SampleAt(at, layout.bytesPerSample);
        peak.min = std::min(peak.min, sample);
        peak.max = std::max(peak.max, sample);
    }
    return peak;
}

void SummarizeBlocksScalar(const uint8_t* data, uint64_t frames, const SampleLayout& layout, Peak* out)
{
    for (uint64_t first = 0; first < frames; first += FRAMES_PER_BLOCK) {
        const uint64_t end = std::min<uint64_t>(first + FRAMES_PER_BLOCK, frames);
        for (int c = 0; c < layout.channels; ++c)
            *out++ = PeakOfFrames(data, layout, c, first, end);
    }
}

void SummarizeBlocksVector(const uint8_t* data, uint64_t frames, const SampleLayout& layout, Peak* out)
{
#if defined(__SSE2__)
    const uint64_t wholeBlocks = frames / FRAMES_PER_BLOCK;
    const uint32_t blockBytes = FRAMES_PER_BLOCK * layout.frameBytes;
    const uint8_t* block = data;
    for (uint64_t b = 0; b < wholeBlocks; ++b, block += blockBytes, out += layout.channels) {
        if (layout.bytesPerSample == 2)
            SummarizeBlock16(block, blockBytes, layout.channels, out);
        else
            SummarizeBlock8(block, blockBytes, layout.channels, out);
    }
    const uint64_t done = wholeBlocks * FRAMES_PER_BLOCK;
    if (done < frames)
        SummarizeBlocksScalar(data + done * layout.frameBytes, frames - done, layout, out);
#else
    SummarizeBlocksScalar(data, frames, layout, out);
#endif
}

} // namespace detail

void WaveformSummary::Clear()
{
    m_levels.clear();
    m_data = nullptr;
    m_length = 0;
    m_format = 0;
    m_built = false;
    m_noMemory = false;
    m_layout = {};
    m_frames = 0;
}

bool WaveformSummary::Build(const uint8_t* data, uint32_t length, WaveFormatCode code)
{
    Clear();
    SampleLayout layout;
    if (!LayoutOfFormat(code, layout))
        return false;
    const uint64_t frames = data ? length / layout.frameBytes : 0;
    const auto channels = static_cast<uint64_t>(layout.channels);

    // Level 0 from the samples, then each level from the one below, four nodes to one.
    std::vector<Level> levels;
    uint64_t count = (frames + FRAMES_PER_BLOCK - 1) / FRAMES_PER_BLOCK;
    uint64_t framesPerNode = FRAMES_PER_BLOCK;
    while (count > 0) {
        Level level;
        level.nodes.reset(new (std::nothrow) Peak[count * channels]);
        if (!level.nodes) {
            m_noMemory = true;
            return false;
        }
        level.count = count;
        level.framesPerNode = framesPerNode;
        if (levels.empty()) {
            detail::SummarizeBlocksVector(data, frames, layout, level.nodes.get());
        } else {
            const Level& below = levels.back();
            for (uint64_t node = 0; node < count; ++node) {
                const uint64_t from = node * LEVEL_FACTOR;
                const uint64_t to = std::min<uint64_t>(from + LEVEL_FACTOR, below.count);
                for (uint64_t c = 0; c < channels; ++c) {
                    Peak peak = EMPTY_PEAK;
                    for (uint64_t child = from; child < to; ++child)
                        peak = Combine(peak, below.nodes[child * channels + c]);
                    level.nodes[node * channels + c] = peak;
                }
            }
        }
        levels.push_back(std::move(level));
        if (count == 1)
            break;
        count = (count + LEVEL_FACTOR - 1) / LEVEL_FACTOR;
        framesPerNode *= LEVEL_FACTOR;
    }

    m_levels = std::move(levels);
    m_data = data;
    m_length = length;
    m_format = code;
    m_layout = layout;
    m_frames = frames;
    m_built = true;
    return true;
}

void WaveformSummary::ColumnPeaks(const uint8_t* data, int columns, std::vector<Peak>& out) const
{
    const int channels = m_layout.channels;
    if (!m_built || m_frames == 0 || columns <= 0) {
        out.clear();
        return;
    }
    out.resize(static_cast<std::size_t>(columns) * static_cast<std::size_t>(channels));
    const uint64_t n = m_frames;
    const auto w = static_cast<uint64_t>(columns);
    const uint64_t framesPerColumn = n / w;
    Peak* peak = out.data();

    if (framesPerColumn < FRAMES_PER_BLOCK) {
        for (uint64_t x = 0; x < w; ++x) {
            const uint64_t first = x * n / w;
            const uint64_t end = std::max((x + 1) * n / w, first + 1);
            const uint64_t from = first > 0 ? first - 1 : 0;
            for (int c = 0; c < channels; ++c)
                *peak++ = detail::PeakOfFrames(data, m_layout, c, from, end);
        }
        return;
    }

    // The finest level whose nodes fit into a column; its nodes are shared out whole.
    std::size_t levelIndex = 0;
    while (levelIndex + 1 < m_levels.size() && m_levels[levelIndex + 1].framesPerNode <= framesPerColumn)
        ++levelIndex;
    const Level& level = m_levels[levelIndex];
    for (uint64_t x = 0; x < w; ++x) {
        const uint64_t firstNode = x * n / w / level.framesPerNode;
        const uint64_t endNode = x + 1 == w ? level.count : (x + 1) * n / w / level.framesPerNode;
        for (int c = 0; c < channels; ++c) {
            Peak combined = EMPTY_PEAK;
            for (uint64_t node = firstNode; node < endNode; ++node)
                combined = Combine(combined, level.nodes[node * static_cast<uint64_t>(channels) + c]);
            *peak++ = combined;
        }
    }
}

} // namespace waveform
