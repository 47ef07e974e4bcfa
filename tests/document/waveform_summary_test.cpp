#include "document/waveform_summary.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

using waveform::Peak;
using waveform::SampleLayout;

namespace {

// The peak of one channel over frames [first, end), straight from the bytes.
Peak NaivePeak(const uint8_t* data, WaveFormatCode code, int channel, uint64_t first, uint64_t end)
{
    const WaveFormatEntry& format = WaveFormatTable[code];
    int lowest = 40000, highest = -40000;
    for (uint64_t f = first; f < end; ++f) {
        const uint8_t* at = data + f * format.blockAlign + channel * (format.bitsPerSample / 8);
        const int sample = format.bitsPerSample == 8 ? (at[0] - 128) * 256 : int16_t(at[0] | at[1] << 8);
        lowest = std::min(lowest, sample);
        highest = std::max(highest, sample);
    }
    return {int16_t(lowest), int16_t(highest)};
}

// Quiet noise with a few loud samples here and there, so that blocks differ in their peaks.
std::vector<uint8_t> SparsePeaks(size_t count, uint32_t seed)
{
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<uint8_t>(random() % 4 == 0 ? random() : 0x80 + random() % 8);
    return bytes;
}

} // namespace

TEST(WaveformSummary, BlocksMatchTheSamplesForEveryFormatLengthAndAlignment)
{
    const std::vector<uint8_t> bytes = SparsePeaks(70001, 7);
    for (WaveFormatCode code = 0; code < 16; ++code) {
        SampleLayout layout;
        ASSERT_TRUE(waveform::LayoutOfFormat(code, layout));
        for (size_t misalign : {0, 1, 3}) {
            for (uint32_t length : {0u, 3u, 1024u, 4096u + 5u, 70001u - 3u}) {
                const uint8_t* data = bytes.data() + misalign;
                const uint64_t frames = length / layout.frameBytes;
                const uint64_t blocks = (frames + 255) / 256;
                std::vector<Peak> vector(blocks * layout.channels), scalar(blocks * layout.channels);
                waveform::detail::SummarizeBlocksVector(data, frames, layout, vector.data());
                waveform::detail::SummarizeBlocksScalar(data, frames, layout, scalar.data());
                for (uint64_t b = 0; b < blocks; ++b)
                    for (int c = 0; c < layout.channels; ++c) {
                        const uint64_t end = std::min<uint64_t>(b * 256 + 256, frames);
                        const Peak expected = NaivePeak(data, code, c, b * 256, end);
                        const size_t at = b * layout.channels + c;
                        ASSERT_EQ(vector[at], expected) << "code " << code << " length " << length << " block " << b;
                        ASSERT_EQ(scalar[at], expected) << "code " << code << " length " << length << " block " << b;
                    }
            }
        }
    }
    // The extremes of both sample sizes: 8-bit 0 and 255, 16-bit -32768 and 32767.
    const uint8_t loud[8] = {0x00, 0xFF, 0x00, 0x80, 0xFF, 0x7F, 0x00, 0x80};
    SampleLayout mono8, stereo16;
    waveform::LayoutOfFormat(8, mono8);
    waveform::LayoutOfFormat(15, stereo16);
    Peak peak[2];
    waveform::detail::SummarizeBlocksVector(loud, 8, mono8, peak);
    EXPECT_EQ(peak[0], (Peak{-32768, 32512}));
    waveform::detail::SummarizeBlocksVector(loud, 2, stereo16, peak);
    EXPECT_EQ(peak[0], (Peak{-256, 32767}));    // 0xFF00 and 0x7FFF
    EXPECT_EQ(peak[1], (Peak{-32768, -32768})); // 0x8000 twice
}

TEST(WaveformSummary, ColumnsShareTheFramesAndLargeDocumentsReadOnlyTheSummary)
{
    const std::vector<uint8_t> bytes = SparsePeaks(6u << 20, 11); // 6 MiB
    for (WaveFormatCode code : {15, 8, 5}) {
        waveform::WaveformSummary summary;
        for (uint32_t length : {100u, 100000u, 3000000u, uint32_t(bytes.size()) - 1}) {
            ASSERT_TRUE(summary.Build(bytes.data(), length, code));
            EXPECT_TRUE(summary.Describes(bytes.data(), length, code));
            EXPECT_FALSE(summary.Describes(bytes.data(), length, code == 15 ? 14 : 15));
            const uint64_t n = summary.Frames();
            const int channels = summary.Channels();
            for (int columns : {1, 7, 800}) {
                std::vector<Peak> peaks;
                summary.ColumnPeaks(bytes.data(), columns, peaks);
                ASSERT_EQ(peaks.size(), size_t(columns) * channels);
                // Each column from its own frames: below a block per column they are read
                // with one frame before; above, whole nodes of the finest fitting level.
                const uint64_t perColumn = n / columns;
                uint64_t node = 256;
                while (node * 4 <= perColumn)
                    node *= 4;
                for (int x = 0; x < columns; ++x) {
                    uint64_t first = x * n / columns, end = (x + 1) * n / columns;
                    if (perColumn < 256) {
                        end = std::max(end, first + 1);
                        first = first > 0 ? first - 1 : 0;
                    } else {
                        first = first / node * node;
                        end = x + 1 == columns ? n : end / node * node;
                    }
                    for (int c = 0; c < channels; ++c)
                        ASSERT_EQ(peaks[x * channels + c], NaivePeak(bytes.data(), code, c, first, end))
                            << "code " << code << " length " << length << " columns " << columns << " x " << x;
                }
                // Columns of a block or more never touch the samples.
                if (perColumn >= 256) {
                    std::vector<Peak> withoutData;
                    summary.ColumnPeaks(nullptr, columns, withoutData);
                    EXPECT_EQ(withoutData, peaks);
                }
            }
        }
        EXPECT_GT(summary.Levels(), 5);
    }

    // Nothing to summarize: no format, or less than one frame.
    waveform::WaveformSummary summary;
    std::vector<Peak> peaks(3);
    EXPECT_FALSE(summary.Build(bytes.data(), 64, 16));
    summary.ColumnPeaks(bytes.data(), 10, peaks);
    EXPECT_TRUE(peaks.empty());
    ASSERT_TRUE(summary.Build(bytes.data(), 3, 15));
    EXPECT_EQ(summary.Frames(), 0u);
    summary.ColumnPeaks(bytes.data(), 10, peaks);
    EXPECT_TRUE(peaks.empty());
}
