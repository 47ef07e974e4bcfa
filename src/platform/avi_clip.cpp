#include "platform/avi_clip.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {
namespace {

constexpr uint32_t BI_RGB = 0;
constexpr size_t kMainHeaderSize = 56;   // AVIMAINHEADER without its chunk head
constexpr size_t kStreamHeaderSize = 48; // AVISTREAMHEADER up to dwSampleSize, the part read here
constexpr size_t kBitmapHeaderSize = 40; // BITMAPINFOHEADER
constexpr int kMaxSide = 4096;
constexpr size_t kMaxPixels = size_t{64} << 20; // every frame together: 256 MiB of pixels

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
bool IsFourCc(const uint8_t* p, const char* code) { return std::memcmp(p, code, 4) == 0; }

// A run of RIFF chunks: a four-character code, a 32-bit size, the data padded to an even length.
class ChunkReader {
public:
    ChunkReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}

    // The next chunk; false at the end or when the chunk runs past it (then *damaged is set).
    bool Next(const uint8_t** code, const uint8_t** body, size_t* length, bool* damaged)
    {
        if (m_at + 8 > m_size) {
            *damaged = m_at != m_size && m_at + 1 != m_size; // a pad byte may end the run
            return false;
        }
        *code = m_data + m_at;
        *length = Le32(m_data + m_at + 4);
        if (*length > m_size - m_at - 8) {
            *damaged = true;
            return false;
        }
        *body = m_data + m_at + 8;
        m_at += 8 + *length + (*length & 1);
        return true;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
};

struct VideoFormat {
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bitsPerPixel = 0;
    std::vector<uint32_t> palette;
    size_t Stride() const { return (size_t(width) * size_t(bitsPerPixel) / 8 + 3) & ~size_t{3}; }
};

bool Fail(std::string* reason, const char* why)
{
    if (reason)
        *reason = why;
    return false;
}

bool ReadBitmapFormat(const uint8_t* body, size_t length, VideoFormat* format, std::string* reason)
{
    if (length < kBitmapHeaderSize)
        return Fail(reason, "the video format is cut short");
    const uint32_t headerSize = Le32(body);
    const int32_t width = static_cast<int32_t>(Le32(body + 4));
    const int32_t height = static_cast<int32_t>(Le32(body + 8));
    const uint16_t bits = Le16(body + 14);
    const uint32_t compression = Le32(body + 16);
    uint32_t colours = Le32(body + 32);
    if (compression != BI_RGB)
        return Fail(reason, "the frames are compressed");
    if (bits != 8 && bits != 24 && bits != 32)
        return Fail(reason, "the frames have an unsupported number of bits per pixel");
    const int64_t rows = height < 0 ? -int64_t{height} : height;
    if (width <= 0 || width > kMaxSide || rows == 0 || rows > kMaxSide)
        return Fail(reason, "the frame size is out of range");
    format->width = width;
    format->height = static_cast<int>(rows);
    format->bottomUp = height > 0;
    format->bitsPerPixel = bits;
    if (bits == 8) {
        if (colours == 0)
            colours = 256;
        if (colours > 256 || headerSize < kBitmapHeaderSize || headerSize > length ||
            (length - headerSize) / 4 < colours)
            return Fail(reason, "the palette is damaged");
        for (uint32_t i = 0; i < colours; ++i) {
            const uint8_t* entry = body + headerSize + 4 * i; // blue, green, red, reserved
            format->palette.push_back(0xFF000000u | uint32_t(entry[2]) << 16 | uint32_t(entry[1]) << 8 | entry[0]);
        }
    }
    return true;
}

// Finds the video stream in the header list: its format and its number (which names its frame
// chunks "00db", "01db" ...).
bool ReadHeaders(const uint8_t* body, size_t length, AviClip* clip, VideoFormat* format, int* stream,
                 std::string* reason)
{
    ChunkReader chunks(body, length);
    const uint8_t* code;
    const uint8_t* data;
    size_t size;
    bool damaged = false;
    bool haveMain = false;
    uint32_t scale = 0, rate = 0;
    int streamNumber = 0;
    while (chunks.Next(&code, &data, &size, &damaged)) {
        if (IsFourCc(code, "avih")) {
            if (size < kMainHeaderSize)
                return Fail(reason, "the main header is cut short");
            clip->microsecondsPerFrame = Le32(data);
            haveMain = true;
        } else if (IsFourCc(code, "LIST") && size >= 4 && IsFourCc(data, "strl")) {
            ChunkReader parts(data + 4, size - 4);
            const uint8_t* partCode;
            const uint8_t* part;
            size_t partSize;
            bool video = false;
            while (parts.Next(&partCode, &part, &partSize, &damaged)) {
                if (IsFourCc(partCode, "strh") && partSize >= kStreamHeaderSize && IsFourCc(part, "vids")) {
                    video = true;
                    scale = Le32(part + 20);
                    rate = Le32(part + 24);
                } else if (IsFourCc(partCode, "strf") && video && format->width == 0) {
                    if (!ReadBitmapFormat(part, partSize, format, reason))
                        return false;
                    *stream = streamNumber;
                }
            }
            if (damaged)
                return Fail(reason, "a stream header is damaged");
            ++streamNumber;
        }
    }
    if (damaged)
        return Fail(reason, "the header list is damaged");
    if (!haveMain)
        return Fail(reason, "there is no main header");
    if (format->width == 0)
        return Fail(reason, "there is no video stream");
    if (clip->microsecondsPerFrame == 0 && rate != 0)
        clip->microsecondsPerFrame = static_cast<uint32_t>(uint64_t{scale} * 1000000 / rate);
    if (clip->microsecondsPerFrame == 0)
        return Fail(reason, "the frame rate is missing");
    return true;
}

void DecodeFrame(const uint8_t* bits, const VideoFormat& format, std::vector<uint32_t>& pixels)
{
    const size_t stride = format.Stride();
    const int bytes = format.bitsPerPixel / 8;
    for (int y = 0; y < format.height; ++y) {
        const uint8_t* row = bits + stride * size_t(format.bottomUp ? format.height - 1 - y : y);
        uint32_t* out = pixels.data() + size_t(y) * size_t(format.width);
        for (int x = 0; x < format.width; ++x) {
            if (bytes == 1) {
                // An index past the palette shows as black, as the system draws it.
                out[x] = row[x] < format.palette.size() ? format.palette[row[x]] : 0xFF000000u;
            } else {
                const uint8_t* p = row + size_t(x) * size_t(bytes);
                out[x] = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            }
        }
    }
}

// The frames of the video stream, in the movie list and in any 'rec ' lists within it.
bool ReadFrames(const uint8_t* body, size_t length, int stream, const VideoFormat& format, AviClip* clip,
                std::string* reason)
{
    const auto tens = static_cast<uint8_t>('0' + stream / 10);
    const auto ones = static_cast<uint8_t>('0' + stream % 10);
    const size_t frameBytes = format.Stride() * size_t(format.height);
    const size_t framePixels = size_t(format.width) * size_t(format.height);
    ChunkReader chunks(body, length);
    const uint8_t* code;
    const uint8_t* data;
    size_t size;
    bool damaged = false;
    while (chunks.Next(&code, &data, &size, &damaged)) {
        if (IsFourCc(code, "LIST") && size >= 4 && IsFourCc(data, "rec ")) {
            if (!ReadFrames(data + 4, size - 4, stream, format, clip, reason))
                return false;
            continue;
        }
        if (code[0] != tens || code[1] != ones || code[2] != 'd' || (code[3] != 'b' && code[3] != 'c'))
            continue;
        if ((clip->frames.size() + 1) * framePixels > kMaxPixels)
            return Fail(reason, "the clip is too large");
        // An empty frame chunk repeats the frame before it.
        if (size == 0 && !clip->frames.empty()) {
            clip->frames.push_back(clip->frames.back());
            continue;
        }
        if (size < frameBytes)
            return Fail(reason, "a frame is cut short");
        clip->frames.emplace_back(framePixels);
        DecodeFrame(data, format, clip->frames.back());
    }
    if (damaged)
        return Fail(reason, "the movie list is damaged");
    return true;
}

} // namespace

bool ParseAviClip(const uint8_t* data, size_t size, AviClip* clip, std::string* reason)
{
    *clip = AviClip{};
    if (!data || size < 12 || !IsFourCc(data, "RIFF") || !IsFourCc(data + 8, "AVI "))
        return Fail(reason, "not an AVI file");
    // A RIFF size larger than the file is taken as the file; a few writers leave it wrong.
    const size_t riffSize = std::min<size_t>(Le32(data + 4), size - 8);
    if (riffSize < 4)
        return Fail(reason, "not an AVI file");
    ChunkReader chunks(data + 12, riffSize - 4);
    const uint8_t* code;
    const uint8_t* body;
    size_t length;
    bool damaged = false;
    bool haveHeaders = false;
    bool haveMovie = false;
    VideoFormat format;
    int stream = 0;
    AviClip result;
    try {
        while (chunks.Next(&code, &body, &length, &damaged)) {
            if (!IsFourCc(code, "LIST") || length < 4)
                continue;
            if (IsFourCc(body, "hdrl") && !haveHeaders) {
                if (!ReadHeaders(body + 4, length - 4, &result, &format, &stream, reason))
                    return false;
                haveHeaders = true;
            } else if (IsFourCc(body, "movi") && haveHeaders && !haveMovie) {
                if (!ReadFrames(body + 4, length - 4, stream, format, &result, reason))
                    return false;
                haveMovie = true;
            }
        }
    } catch (const std::bad_alloc&) {
        return Fail(reason, "out of memory");
    }
    if (damaged)
        return Fail(reason, "the file is damaged");
    if (!haveHeaders)
        return Fail(reason, "there is no header list");
    if (result.frames.empty())
        return Fail(reason, "there are no frames");
    result.width = format.width;
    result.height = format.height;
    *clip = std::move(result);
    return true;
}

} // namespace platform
