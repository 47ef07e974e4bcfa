#include "platform/wave_image.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

void Put32(std::vector<unsigned char>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// RIFF image with an optional chunk before "fmt ", then data of dataBytes bytes.
std::vector<unsigned char> Image(uint16_t channels, uint32_t rate, uint16_t bits, uint32_t dataBytes,
                                 uint32_t extraChunk = 0)
{
    std::vector<unsigned char> b(12 + (extraChunk ? 8 + extraChunk + (extraChunk & 1) : 0) + 24 + 8 + dataBytes);
    size_t at = 0;
    std::memcpy(&b[0], "RIFF", 4);
    Put32(b, 4, static_cast<uint32_t>(b.size() - 8));
    std::memcpy(&b[8], "WAVE", 4);
    at = 12;
    if (extraChunk) {
        std::memcpy(&b[at], "LIST", 4);
        Put32(b, at + 4, extraChunk);
        at += 8 + extraChunk + (extraChunk & 1);
    }
    std::memcpy(&b[at], "fmt ", 4);
    Put32(b, at + 4, 16);
    b[at + 8] = 1;
    b[at + 10] = static_cast<unsigned char>(channels);
    Put32(b, at + 12, rate);
    b[at + 22] = static_cast<unsigned char>(bits);
    at += 24;
    std::memcpy(&b[at], "data", 4);
    Put32(b, at + 4, dataBytes);
    return b;
}

} // namespace

TEST(WaveImage, FindsFormatAndDataPastOtherChunks)
{
    auto image = Image(2, 44100, 16, 400, 33); // odd chunk length is padded
    platform::WaveImageInfo info;
    ASSERT_TRUE(platform::ParseWaveImage(image.data(), info));
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.samplesPerSec, 44100u);
    EXPECT_EQ(info.dataLength, 400u);
    EXPECT_EQ(info.dataOffset, image.size() - 400);
    EXPECT_TRUE(platform::IsPlayablePcm(info));
}

TEST(WaveImage, NeverReadsBeyondTheRiffSize)
{
    // The data chunk claims more than the RIFF holds: only what lies inside counts, cut to
    // whole frames.
    auto image = Image(2, 22050, 16, 402);
    Put32(image, image.size() - 402 - 4, 1000000);
    platform::WaveImageInfo info;
    ASSERT_TRUE(platform::ParseWaveImage(image.data(), info));
    EXPECT_EQ(info.dataLength, 400u);

    // A RIFF size that ends before the data chunk: no data, so no sound. The image is copied
    // into a buffer of exactly the declared size so that a read beyond it would be caught by
    // the address sanitizer.
    auto shortImage = Image(1, 8000, 8, 100);
    Put32(shortImage, 4, 4 + 24);
    std::vector<unsigned char> exact(shortImage.begin(), shortImage.begin() + 8 + 4 + 24);
    EXPECT_FALSE(platform::ParseWaveImage(exact.data(), info));

    std::vector<unsigned char> tiny = {'R', 'I', 'F', 'F', 2, 0, 0, 0, 'W', 'A'};
    EXPECT_FALSE(platform::ParseWaveImage(tiny.data(), info));
    EXPECT_FALSE(platform::ParseWaveImage(nullptr, info));
}

TEST(WaveImage, OnlyTheProgramsPcmFormatsArePlayable)
{
    platform::WaveImageInfo info;
    auto image = Image(1, 8000, 8, 10);
    ASSERT_TRUE(platform::ParseWaveImage(image.data(), info));
    EXPECT_TRUE(platform::IsPlayablePcm(info));
    info.bitsPerSample = 24;
    EXPECT_FALSE(platform::IsPlayablePcm(info));
    info.bitsPerSample = 16;
    info.channels = 6;
    EXPECT_FALSE(platform::IsPlayablePcm(info));
    info.channels = 2;
    info.formatTag = 2;
    EXPECT_FALSE(platform::IsPlayablePcm(info));
}
