// The AVI reader on clips written here byte by byte: the pixel forms an animation control
// plays, the frame rate, the chunk layouts writers use, and damaged or unsupported files.
#include "platform/avi_clip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using platform::AviClip;
using platform::ParseAviClip;

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}
void Put16(Bytes& out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void PutCode(Bytes& out, const char* code)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(code[i]));
}

Bytes Chunk(const char* code, const Bytes& body)
{
    Bytes out;
    PutCode(out, code);
    Put32(out, uint32_t(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    if (body.size() % 2)
        out.push_back(0);
    return out;
}

Bytes List(const char* kind, const std::vector<Bytes>& parts)
{
    Bytes body;
    PutCode(body, kind);
    for (const Bytes& part : parts)
        body.insert(body.end(), part.begin(), part.end());
    return Chunk("LIST", body);
}

struct ClipSpec {
    int width = 3;
    int height = 2; // negative: top-down rows
    uint16_t bits = 8;
    uint32_t compression = 0;
    uint32_t microseconds = 100000;
    uint32_t scale = 1, rate = 10;
    std::vector<uint32_t> palette{0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    bool audioStreamFirst = false; // the video stream is then stream 1 ("01db")
    bool framesInRecList = false;
};

// A stream header list: type, handler, flags, priority and language, initial frames, scale,
// rate and seven more fields left 0, then the format.
Bytes StreamList(const char* type, const Bytes& format, const ClipSpec& shape)
{
    Bytes strh;
    PutCode(strh, type);
    PutCode(strh, "DIB ");
    for (uint32_t v : {0u, 0u, 0u, shape.scale, shape.rate, 0u, 0u, 0u, 0u, 0u, 0u, 0u})
        Put32(strh, v);
    return List("strl", {Chunk("strh", strh), Chunk("strf", format)});
}

// A clip whose frames are given as pixel values (palette indexes or 0xRRGGBB), top row first,
// stored bottom-up unless the height is negative. An empty frame is written as an empty chunk.
Bytes MakeClip(const ClipSpec& shape, const std::vector<std::vector<uint32_t>>& frames)
{
    const int rows = shape.height < 0 ? -shape.height : shape.height;
    const size_t stride = (size_t(shape.width) * shape.bits / 8 + 3) & ~size_t{3};
    Bytes format;
    Put32(format, 40);
    Put32(format, uint32_t(shape.width));
    Put32(format, uint32_t(shape.height));
    Put16(format, 1);
    Put16(format, shape.bits);
    Put32(format, shape.compression);
    Put32(format, uint32_t(stride * rows));
    Put32(format, 0);
    Put32(format, 0);
    Put32(format, shape.bits == 8 ? uint32_t(shape.palette.size()) : 0);
    Put32(format, 0);
    if (shape.bits == 8)
        for (uint32_t colour : shape.palette)
            Put32(format, colour); // blue, green, red, 0 in memory

    Bytes avih;
    for (uint32_t v : {shape.microseconds, 0u, 0u, 0u, uint32_t(frames.size()), 0u, 1u, 0u, uint32_t(shape.width),
                       uint32_t(rows), 0u, 0u, 0u, 0u})
        Put32(avih, v);
    std::vector<Bytes> headers{Chunk("avih", avih)};
    if (shape.audioStreamFirst)
        headers.push_back(StreamList("auds", Bytes(16, 0), shape));
    headers.push_back(StreamList("vids", format, shape));

    const char* frameCode = shape.audioStreamFirst ? "01db" : "00db";
    std::vector<Bytes> movie{Chunk("JUNK", Bytes(3, 0x55))};
    for (const std::vector<uint32_t>& pixels : frames) {
        Bytes data(stride * rows, 0);
        for (int y = 0; y < rows && !pixels.empty(); ++y) {
            const int stored = shape.height > 0 ? rows - 1 - y : y;
            for (int x = 0; x < shape.width; ++x) {
                const uint32_t v = pixels[size_t(y * shape.width + x)];
                uint8_t* p = data.data() + size_t(stored) * stride + size_t(x) * shape.bits / 8;
                if (shape.bits == 8) {
                    p[0] = uint8_t(v);
                } else {
                    p[0] = uint8_t(v);
                    p[1] = uint8_t(v >> 8);
                    p[2] = uint8_t(v >> 16);
                }
            }
        }
        movie.push_back(Chunk(frameCode, pixels.empty() ? Bytes{} : data));
    }
    Bytes movi = shape.framesInRecList ? List("movi", {List("rec ", movie)}) : List("movi", movie);

    Bytes body;
    PutCode(body, "AVI ");
    for (const Bytes& part : {List("hdrl", headers), movi, Chunk("idx1", Bytes(16, 0))})
        body.insert(body.end(), part.begin(), part.end());
    return Chunk("RIFF", body);
}

bool Parse(const Bytes& bytes, AviClip* clip, std::string* reason = nullptr)
{
    std::string ignored;
    return ParseAviClip(bytes.data(), bytes.size(), clip, reason ? reason : &ignored);
}

constexpr uint32_t kOpaque = 0xFF000000;

} // namespace

TEST(AviClip, ReadsPaletteAndTrueColourFramesInEitherRowOrder)
{
    // 8-bit palette, bottom-up rows padded from 3 to 4 bytes.
    ClipSpec palette;
    AviClip clip;
    ASSERT_TRUE(Parse(MakeClip(palette, {{1, 2, 3, 0, 0, 1}, {3, 3, 3, 2, 2, 2}}), &clip));
    EXPECT_EQ(clip.width, 3);
    EXPECT_EQ(clip.height, 2);
    EXPECT_EQ(clip.microsecondsPerFrame, 100000u);
    ASSERT_EQ(clip.frames.size(), 2u);
    EXPECT_EQ(clip.frames[0],
              (std::vector<uint32_t>{kOpaque | 0xFF0000, kOpaque | 0x00FF00, kOpaque | 0x0000FF, kOpaque, kOpaque,
                                     kOpaque | 0xFF0000}));
    EXPECT_EQ(clip.frames[1][0], kOpaque | 0x0000FF);
    EXPECT_EQ(clip.frames[1][5], kOpaque | 0x00FF00);

    // 24-bit, top-down rows (negative height): 5 pixels of 3 bytes are padded to 16 bytes.
    ClipSpec rgb;
    rgb.bits = 24;
    rgb.width = 5;
    rgb.height = -1;
    ASSERT_TRUE(Parse(MakeClip(rgb, {{0x102030, 0x405060, 0x708090, 0xA0B0C0, 0xD0E0F0}}), &clip));
    EXPECT_EQ(clip.frames[0],
              (std::vector<uint32_t>{kOpaque | 0x102030, kOpaque | 0x405060, kOpaque | 0x708090, kOpaque | 0xA0B0C0,
                                     kOpaque | 0xD0E0F0}));

    // 32-bit: the fourth byte is not alpha; every pixel is opaque.
    ClipSpec wide;
    wide.bits = 32;
    wide.width = 1;
    wide.height = 2;
    ASSERT_TRUE(Parse(MakeClip(wide, {{0x00ABCDEF, 0x00123456}}), &clip));
    EXPECT_EQ(clip.frames[0], (std::vector<uint32_t>{kOpaque | 0xABCDEF, kOpaque | 0x123456}));

    // An index past a short palette is black.
    ClipSpec shortPalette;
    shortPalette.palette = {0xFFFFFF};
    ASSERT_TRUE(Parse(MakeClip(shortPalette, {{0, 7, 0, 0, 0, 0}}), &clip));
    EXPECT_EQ(clip.frames[0][1], kOpaque);
    EXPECT_EQ(clip.frames[0][0], kOpaque | 0xFFFFFF);
}

TEST(AviClip, FindsTheVideoStreamItsRateAndItsFramesWhereWritersPutThem)
{
    // The video stream second: its frames are "01db"; without a rate in the main header the
    // stream's scale and rate give it; frames inside a 'rec ' list count; an empty frame chunk
    // repeats the frame before it.
    ClipSpec shape;
    shape.audioStreamFirst = true;
    shape.framesInRecList = true;
    shape.microseconds = 0;
    shape.scale = 1;
    shape.rate = 12;
    AviClip clip;
    std::string reason;
    ASSERT_TRUE(Parse(MakeClip(shape, {{1, 1, 1, 1, 1, 1}, {}, {2, 2, 2, 2, 2, 2}}), &clip, &reason)) << reason;
    EXPECT_EQ(clip.microsecondsPerFrame, 83333u);
    ASSERT_EQ(clip.frames.size(), 3u);
    EXPECT_EQ(clip.frames[1], clip.frames[0]);
    EXPECT_EQ(clip.frames[2][0], kOpaque | 0x00FF00);

    shape.rate = 0;
    EXPECT_FALSE(Parse(MakeClip(shape, {{1, 1, 1, 1, 1, 1}}), &clip, &reason));
    EXPECT_EQ(reason, "the frame rate is missing");
}

TEST(AviClip, RefusesDamagedAndUnsupportedFilesAndLeavesTheClipEmpty)
{
    const Bytes good = MakeClip(ClipSpec{}, {{1, 2, 3, 0, 0, 1}, {3, 3, 3, 2, 2, 2}});
    AviClip clip;
    ASSERT_TRUE(Parse(good, &clip));

    // Every cut of the file fails (a chunk then runs past its end), except a cut right after
    // the movie list, before the index, which an AVI may do without (a pad byte may follow).
    const size_t indexChunk = 8 + 16;
    for (size_t size = 0; size < good.size(); ++size) {
        Bytes cut(good.begin(), good.begin() + long(size));
        AviClip partial;
        partial.width = 99;
        const bool withoutIndex = size == good.size() - indexChunk || size == good.size() - indexChunk + 1;
        EXPECT_EQ(Parse(cut, &partial), withoutIndex) << size;
        EXPECT_EQ(partial.frames.size(), withoutIndex ? 2u : 0u) << size;
        EXPECT_EQ(partial.width, withoutIndex ? 3 : 0) << size;
    }

    std::string reason;
    ClipSpec compressed;
    compressed.compression = 1; // RLE8
    EXPECT_FALSE(Parse(MakeClip(compressed, {{1, 2, 3, 0, 0, 1}}), &clip, &reason));
    EXPECT_EQ(reason, "the frames are compressed");

    ClipSpec sixteen;
    sixteen.bits = 16;
    EXPECT_FALSE(Parse(MakeClip(sixteen, {}), &clip, &reason));
    EXPECT_EQ(reason, "the frames have an unsupported number of bits per pixel");

    ClipSpec huge;
    huge.width = 5000;
    EXPECT_FALSE(Parse(MakeClip(huge, {}), &clip, &reason));
    EXPECT_EQ(reason, "the frame size is out of range");

    EXPECT_FALSE(Parse(MakeClip(ClipSpec{}, {}), &clip, &reason));
    EXPECT_EQ(reason, "there are no frames");

    // A frame chunk shorter than a frame.
    Bytes shortFrame = good;
    const Bytes code{'0', '0', 'd', 'b'};
    auto at = std::search(shortFrame.begin(), shortFrame.end(), code.begin(), code.end());
    ASSERT_NE(at, shortFrame.end());
    at[4] = 7; // 8 bytes of frame data claimed to be 7
    EXPECT_FALSE(Parse(shortFrame, &clip, &reason));
    EXPECT_EQ(reason, "a frame is cut short");

    Bytes wave = good;
    std::copy_n("WAVE", 4, wave.begin() + 8);
    EXPECT_FALSE(Parse(wave, &clip, &reason));
    EXPECT_EQ(reason, "not an AVI file");
    EXPECT_TRUE(clip.frames.empty());
}
