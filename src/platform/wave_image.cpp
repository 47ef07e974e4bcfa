#include "platform/wave_image.h"

#include <algorithm>
#include <cstring>

namespace platform {
namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint32_t kMaxSampleRate = 192000;

uint32_t Read32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }
uint16_t Read16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

} // namespace

bool ParseWaveImage(const void* image, WaveImageInfo& info)
{
    if (!image)
        return false;
    const auto* bytes = static_cast<const unsigned char*>(image);
    if (std::memcmp(bytes, "RIFF", 4) != 0)
        return false;
    // The RIFF size bounds everything else; until it is read, only its own 8 bytes are safe.
    const uint64_t end = 8 + uint64_t{Read32(bytes + 4)};
    if (end < 12 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return false;

    bool haveFormat = false, haveData = false;
    uint64_t offset = 12;
    while (offset + 8 <= end && !(haveFormat && haveData)) {
        const unsigned char* chunk = bytes + offset;
        const uint64_t length = Read32(chunk + 4);
        const uint64_t body = offset + 8;
        const uint64_t available = std::min(length, end - body);
        if (std::memcmp(chunk, "fmt ", 4) == 0 && available >= 16 && !haveFormat) {
            info.formatTag = Read16(chunk + 8);
            info.channels = Read16(chunk + 10);
            info.samplesPerSec = Read32(chunk + 12);
            info.bitsPerSample = Read16(chunk + 22);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0 && !haveData) {
            info.dataOffset = body;
            info.dataLength = available;
            haveData = true;
        }
        offset = body + length + (length & 1);
    }
    if (!haveFormat || !haveData)
        return false;
    const uint32_t frameSize = uint32_t{info.channels} * (info.bitsPerSample / 8u);
    if (frameSize > 0)
        info.dataLength -= info.dataLength % frameSize;
    return true;
}

bool IsPlayablePcm(const WaveImageInfo& info)
{
    return info.formatTag == kFormatPcm && (info.channels == 1 || info.channels == 2) &&
        (info.bitsPerSample == 8 || info.bitsPerSample == 16) && info.samplesPerSec > 0 &&
        info.samplesPerSec <= kMaxSampleRate;
}

} // namespace platform
