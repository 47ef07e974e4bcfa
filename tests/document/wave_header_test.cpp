#include "document/wave_header.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

uint32_t U32At(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
uint16_t U16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

void Put32(std::vector<uint8_t>& image, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        image.push_back(static_cast<uint8_t>(value >> (8 * i)));
}
void Put16(std::vector<uint8_t>& image, uint16_t value)
{
    image.push_back(static_cast<uint8_t>(value));
    image.push_back(static_cast<uint8_t>(value >> 8));
}
void PutText(std::vector<uint8_t>& image, const char* text)
{
    for (int i = 0; i < 4; ++i)
        image.push_back(static_cast<uint8_t>(text[i]));
}

struct WaveShape {
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    uint32_t fmtBodySize = 16;
    uint32_t chunkBeforeData = 0; // size of a "LIST" chunk body between fmt and data; 0: none
    uint32_t dataLength = 8;
    uint32_t samplesPresent = 8;
};

// A wave file as other programs write them: fmt chunk with a body of any size, optional
// chunk before the data.
std::vector<uint8_t> MakeWave(const WaveShape& shape)
{
    std::vector<uint8_t> image;
    PutText(image, "RIFF");
    Put32(image, 0xDEADBEEF); // the RIFF size is not used
    PutText(image, "WAVE");
    PutText(image, "fmt ");
    Put32(image, shape.fmtBodySize);
    Put16(image, shape.formatTag);
    Put16(image, shape.channels);
    Put32(image, shape.rate);
    Put32(image, shape.rate * shape.channels * shape.bits / 8);
    Put16(image, static_cast<uint16_t>(shape.channels * shape.bits / 8));
    Put16(image, shape.bits);
    image.resize(image.size() + (shape.fmtBodySize - 16), 0);
    if (shape.chunkBeforeData) {
        PutText(image, "LIST");
        Put32(image, shape.chunkBeforeData);
        image.resize(image.size() + shape.chunkBeforeData, 'x');
    }
    PutText(image, "data");
    Put32(image, shape.dataLength);
    image.resize(image.size() + shape.samplesPresent, 0x55);
    return image;
}

bool Parse(const std::vector<uint8_t>& image, uint32_t* start, uint32_t* length, WaveFormatCode* code)
{
    return ParseWaveHeader(image.data(), static_cast<uint32_t>(image.size()), start, length, code);
}

} // namespace

TEST(WaveHeader, TableRowsFollowTheCodeRule)
{
    const uint32_t rates[] = {8000, 11025, 22050, 44100};
    for (int code = 0; code < 16; ++code) {
        const WaveFormatEntry& row = WaveFormatTable[code];
        EXPECT_EQ(row.samplesPerSecond, rates[code / 4]) << code;
        EXPECT_EQ(row.bitsPerSample, (code & 2) ? 16 : 8) << code;
        EXPECT_EQ(row.channels, (code & 1) ? 2 : 1) << code;
        EXPECT_EQ(row.blockAlign, row.channels * row.bitsPerSample / 8) << code;
        EXPECT_EQ(row.bytesPerSecond, row.samplesPerSecond * row.blockAlign) << code;
    }
    EXPECT_STREQ(WaveFormatTable[0].text, "8.000 Hz; 8 Bit; Mono");
    EXPECT_STREQ(WaveFormatTable[7].text, "11.025 Hz; 16 Bit; Stereo");
    EXPECT_STREQ(WaveFormatTable[8].text, "22.050 Hz; 8 Bit; Mono");
    EXPECT_STREQ(WaveFormatTable[15].text, "44.100 Hz; 16 Bit; Stereo");
}

TEST(WaveHeader, BuildWritesTheCanonicalHeaderForCdAudio)
{
    uint8_t header[WAVE_HEADER_SIZE];
    ASSERT_TRUE(BuildWaveHeader(header, 0, 15));
    EXPECT_EQ(std::memcmp(header, "RIFF", 4), 0);
    EXPECT_EQ(U32At(header + 4), 36u);
    EXPECT_EQ(std::memcmp(header + 8, "WAVEfmt ", 8), 0);
    EXPECT_EQ(U32At(header + 16), 16u);
    EXPECT_EQ(U16At(header + 20), 1);
    EXPECT_EQ(U16At(header + 22), 2);
    EXPECT_EQ(U32At(header + 24), 44100u);
    EXPECT_EQ(U32At(header + 28), 176400u);
    EXPECT_EQ(U16At(header + 32), 4);
    EXPECT_EQ(U16At(header + 34), 16);
    EXPECT_EQ(std::memcmp(header + 36, "data", 4), 0);
    EXPECT_EQ(U32At(header + 40), 0u);

    // The RIFF size wraps as a 32-bit field does.
    ASSERT_TRUE(BuildWaveHeader(header, 0xFFFFFFF0u, 8));
    EXPECT_EQ(U32At(header + 4), 0xFFFFFFF0u + 36u);
    EXPECT_EQ(U32At(header + 40), 0xFFFFFFF0u);
}

TEST(WaveHeader, BuildRefusesUnknownCodesWithoutWriting)
{
    for (WaveFormatCode code : {16, -1, 20}) {
        uint8_t header[WAVE_HEADER_SIZE];
        std::memset(header, 0xA5, sizeof header);
        EXPECT_FALSE(BuildWaveHeader(header, 100, code));
        for (uint8_t byte : header)
            ASSERT_EQ(byte, 0xA5) << code;
    }
}

TEST(WaveHeader, EveryCodeRoundTrips)
{
    for (WaveFormatCode code = 0; code < 16; ++code) {
        std::vector<uint8_t> image(WAVE_HEADER_SIZE + 10, 0);
        ASSERT_TRUE(BuildWaveHeader(image.data(), 10, code));
        uint32_t start = 0, length = 0;
        WaveFormatCode parsed = -1;
        ASSERT_TRUE(Parse(image, &start, &length, &parsed)) << code;
        EXPECT_EQ(parsed, code);
        EXPECT_EQ(length, 10u);
        EXPECT_EQ(start, 44u);
    }
}

TEST(WaveHeader, ChunksBetweenFmtAndDataAreSkippedWithinTheWindow)
{
    uint32_t start = 0, length = 0;
    WaveFormatCode code = -1;

    WaveShape longFmt;
    longFmt.fmtBodySize = 18;
    // RIFF header 12, fmt chunk 8 + 18: the data chunk is at 38, its samples at 46.
    ASSERT_TRUE(Parse(MakeWave(longFmt), &start, &length, &code));
    EXPECT_EQ(start, 46u);
    EXPECT_EQ(code, 15);

    WaveShape list200;
    list200.chunkBeforeData = 200;
    ASSERT_TRUE(Parse(MakeWave(list200), &start, &length, &code));
    EXPECT_EQ(start, 36u + 8 + 200 + 8);

    WaveShape list300;
    list300.chunkBeforeData = 300;
    EXPECT_FALSE(Parse(MakeWave(list300), &start, &length, &code));

    // The last position of the window (F + 279) is still searched, the next one not.
    WaveShape edge;
    edge.chunkBeforeData = 279 - 24 - 8; // "data" at F + 279
    ASSERT_TRUE(Parse(MakeWave(edge), &start, &length, &code));
    EXPECT_EQ(start, 12u + 279 + 8);
    edge.chunkBeforeData += 1;
    EXPECT_FALSE(Parse(MakeWave(edge), &start, &length, &code));
}

TEST(WaveHeader, FmtChunkIsFoundAfterOtherChunksUpToOffset267)
{
    // A "JUNK" chunk in front of "fmt " moves it to offset 12 + 8 + n.
    for (uint32_t junk : {0u, 100u, 255u, 256u}) {
        WaveShape shape;
        std::vector<uint8_t> body = MakeWave(shape);
        std::vector<uint8_t> image(body.begin(), body.begin() + 12);
        if (junk) {
            PutText(image, "JUNK");
            Put32(image, junk - 8);
            image.resize(image.size() + junk - 8, 0);
        }
        image.insert(image.end(), body.begin() + 12, body.end());
        uint32_t start = 0, length = 0;
        WaveFormatCode code = -1;
        EXPECT_EQ(Parse(image, &start, &length, &code), junk + 12 <= 267) << junk;
    }
}

TEST(WaveHeader, OnlyTheSixteenFormatsAreAccepted)
{
    uint32_t start = 0, length = 0;
    WaveFormatCode code = -1;
    WaveShape floating;
    floating.formatTag = 3; // the format tag is not looked at
    ASSERT_TRUE(Parse(MakeWave(floating), &start, &length, &code));
    EXPECT_EQ(code, 15);

    WaveShape bits24;
    bits24.bits = 24;
    EXPECT_FALSE(Parse(MakeWave(bits24), &start, &length, &code));
    WaveShape rate32000;
    rate32000.rate = 32000;
    EXPECT_FALSE(Parse(MakeWave(rate32000), &start, &length, &code));
    WaveShape channels6;
    channels6.channels = 6;
    EXPECT_FALSE(Parse(MakeWave(channels6), &start, &length, &code));

    WaveShape mono8k;
    mono8k.channels = 1;
    mono8k.rate = 8000;
    mono8k.bits = 8;
    ASSERT_TRUE(Parse(MakeWave(mono8k), &start, &length, &code));
    EXPECT_EQ(code, 0);
}

TEST(WaveHeader, DataLengthLimitIsTheRiffNumber)
{
    uint32_t start = 0, length = 0;
    WaveFormatCode code = -1;
    WaveShape limit;
    limit.dataLength = 0x46464952; // the parser does not check the length against the image
    ASSERT_TRUE(Parse(MakeWave(limit), &start, &length, &code));
    EXPECT_EQ(length, 0x46464952u);
    limit.dataLength += 1;
    EXPECT_FALSE(Parse(MakeWave(limit), &start, &length, &code));
}

TEST(WaveHeader, NothingIsReadPastTheImage)
{
    uint32_t start = 0, length = 0;
    WaveFormatCode code = -1;
    EXPECT_FALSE(ParseWaveHeader(nullptr, 100, &start, &length, &code));

    WaveShape shape;
    shape.samplesPresent = 0;
    const std::vector<uint8_t> whole = MakeWave(shape); // 44 bytes, ends with the data length
    ASSERT_TRUE(Parse(whole, &start, &length, &code));
    // Every shorter prefix lacks a field or a magic and must fail; each is copied to a
    // buffer of exactly its size so that a read past it is caught by the sanitizers.
    for (std::size_t size = 0; size < whole.size(); ++size) {
        std::vector<uint8_t> prefix(whole.begin(), whole.begin() + static_cast<long>(size));
        EXPECT_FALSE(Parse(prefix, &start, &length, &code)) << size;
    }
    // "fmt " in the last bytes of the image: its fields would lie past the end.
    std::vector<uint8_t> tail(whole.begin(), whole.begin() + 12);
    PutText(tail, "fmt ");
    EXPECT_FALSE(Parse(tail, &start, &length, &code));
}
