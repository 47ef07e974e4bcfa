#include "document/wave_header.h"

#include <cstring>

const WaveFormatEntry WaveFormatTable[16] = {
    {8000, 8, 1, 1, 8000, "8.000 Hz; 8 Bit; Mono"},      {8000, 8, 2, 2, 16000, "8.000 Hz; 8 Bit; Stereo"},
    {8000, 16, 1, 2, 16000, "8.000 Hz; 16 Bit; Mono"},   {8000, 16, 2, 4, 32000, "8.000 Hz; 16 Bit; Stereo"},
    {11025, 8, 1, 1, 11025, "11.025 Hz; 8 Bit; Mono"},   {11025, 8, 2, 2, 22050, "11.025 Hz; 8 Bit; Stereo"},
    {11025, 16, 1, 2, 22050, "11.025 Hz; 16 Bit; Mono"}, {11025, 16, 2, 4, 44100, "11.025 Hz; 16 Bit; Stereo"},
    {22050, 8, 1, 1, 22050, "22.050 Hz; 8 Bit; Mono"},   {22050, 8, 2, 2, 44100, "22.050 Hz; 8 Bit; Stereo"},
    {22050, 16, 1, 2, 44100, "22.050 Hz; 16 Bit; Mono"}, {22050, 16, 2, 4, 88200, "22.050 Hz; 16 Bit; Stereo"},
    {44100, 8, 1, 1, 44100, "44.100 Hz; 8 Bit; Mono"},   {44100, 8, 2, 2, 88200, "44.100 Hz; 8 Bit; Stereo"},
    {44100, 16, 1, 2, 88200, "44.100 Hz; 16 Bit; Mono"}, {44100, 16, 2, 4, 176400, "44.100 Hz; 16 Bit; Stereo"},
};

namespace {

// The largest data length accepted: the value the four letters "RIFF" make as a
// little-endian number, so that a stray "RIFF" read as a length is refused.
constexpr uint32_t MAX_WAVE_DATA_LENGTH = 0x46464952;
// Positions tried when looking for a chunk: the expected one and the 255 after it.
constexpr uint32_t CHUNK_SEARCH_POSITIONS = 256;
// The fmt chunk header (8 bytes) and its usual 16-byte body come before the data chunk.
constexpr uint32_t CANONICAL_FMT_CHUNK_SIZE = 24;

void PutU16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

void PutMagic(uint8_t* at, const char* magic) { std::memcpy(at, magic, 4); }

// Readers that refuse to look past the end of the image: a field that does not fit is "not there".
bool FitsInImage(uint32_t imageLength, uint64_t position, uint32_t width) { return position + width <= imageLength; }

bool ReadU16(const uint8_t* image, uint32_t imageLength, uint64_t position, uint16_t* value)
{
    if (!FitsInImage(imageLength, position, 2))
        return false;
    const uint8_t* at = image + position;
    *value = static_cast<uint16_t>(at[0] | (at[1] << 8));
    return true;
}

bool ReadU32(const uint8_t* image, uint32_t imageLength, uint64_t position, uint32_t* value)
{
    if (!FitsInImage(imageLength, position, 4))
        return false;
    const uint8_t* at = image + position;
    *value = static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) | (static_cast<uint32_t>(at[2]) << 16) |
        (static_cast<uint32_t>(at[3]) << 24);
    return true;
}

bool MagicAt(const uint8_t* image, uint32_t imageLength, uint64_t position, const char* magic)
{
    return FitsInImage(imageLength, position, 4) && std::memcmp(image + position, magic, 4) == 0;
}

// Looks for magic at start, start + 1, ... start + 255, byte by byte, ignoring chunk
// boundaries; the first hit wins.
bool FindChunk(const uint8_t* image, uint32_t imageLength, uint64_t start, const char* magic, uint64_t* found)
{
    for (uint64_t position = start; position < start + CHUNK_SEARCH_POSITIONS; ++position) {
        if (!FitsInImage(imageLength, position, 4))
            return false;
        if (MagicAt(image, imageLength, position, magic)) {
            *found = position;
            return true;
        }
    }
    return false;
}

bool FindFormatCode(uint32_t samplesPerSecond, uint16_t bitsPerSample, uint16_t channels, WaveFormatCode* code)
{
    for (WaveFormatCode row = 0; row < 16; ++row) {
        const WaveFormatEntry& entry = WaveFormatTable[row];
        if (entry.samplesPerSecond == samplesPerSecond && entry.bitsPerSample == bitsPerSample &&
            entry.channels == channels) {
            *code = row;
            return true;
        }
    }
    return false;
}

} // namespace

bool BuildWaveHeader(uint8_t* destination, uint32_t dataLength, WaveFormatCode code)
{
    if (code < 0 || code > 15)
        return false;
    const WaveFormatEntry& format = WaveFormatTable[code];
    const auto blockAlign = static_cast<uint16_t>(format.channels * format.bitsPerSample / 8);
    const uint32_t bytesPerSecond = format.samplesPerSecond * blockAlign;

    PutMagic(destination + 0, "RIFF");
    PutU32(destination + 4, dataLength + 36); // wraps modulo 2^32 as the field does
    PutMagic(destination + 8, "WAVE");
    PutMagic(destination + 12, "fmt ");
    PutU32(destination + 16, 16);
    PutU16(destination + 20, 1);
    PutU16(destination + 22, format.channels);
    PutU32(destination + 24, format.samplesPerSecond);
    PutU32(destination + 28, bytesPerSecond);
    PutU16(destination + 32, blockAlign);
    PutU16(destination + 34, format.bitsPerSample);
    PutMagic(destination + 36, "data");
    PutU32(destination + 40, dataLength);
    return true;
}

bool ParseWaveHeader(const uint8_t* image, uint32_t imageLength, uint32_t* dataStart, uint32_t* dataLength,
                     WaveFormatCode* code)
{
    // 1. RIFF ... WAVE; the RIFF size is not looked at.
    if (!image || !MagicAt(image, imageLength, 0, "RIFF") || !MagicAt(image, imageLength, 8, "WAVE"))
        return false;

    // 2. and 3. The fmt chunk from offset 12 on, then the data chunk from F + 24 on.
    uint64_t fmt = 0;
    if (!FindChunk(image, imageLength, 12, "fmt ", &fmt))
        return false;
    uint64_t data = 0;
    if (!FindChunk(image, imageLength, fmt + CANONICAL_FMT_CHUNK_SIZE, "data", &data))
        return false;

    // 4. Where the samples start and how many bytes the data chunk claims.
    uint32_t length = 0;
    if (!ReadU32(image, imageLength, data + 4, &length) || length > MAX_WAVE_DATA_LENGTH)
        return false;

    // 5. Only channels, rate and sample size count; format tag, byte rate, block align and
    // the fmt size are ignored.
    uint16_t channels = 0;
    uint32_t samplesPerSecond = 0;
    uint16_t bitsPerSample = 0;
    if (!ReadU16(image, imageLength, fmt + 10, &channels) ||
        !ReadU32(image, imageLength, fmt + 12, &samplesPerSecond) ||
        !ReadU16(image, imageLength, fmt + 22, &bitsPerSample))
        return false;

    // 6. One of the sixteen formats, or nothing.
    WaveFormatCode found = 0;
    if (!FindFormatCode(samplesPerSecond, bitsPerSample, channels, &found))
        return false;

    *dataStart = static_cast<uint32_t>(data + 8);
    *dataLength = length;
    *code = found;
    return true;
}
