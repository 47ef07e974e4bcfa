// The 44-byte RIFF/WAVE header and the sixteen PCM formats it can describe.
#pragma once

#include <cstdint>

inline constexpr uint32_t WAVE_HEADER_SIZE = 44;

// code = 4 x rate index (8000, 11025, 22050, 44100 Hz) + 2 x (16-bit) + (stereo)
using WaveFormatCode = int;
inline constexpr WaveFormatCode WAVE_FORMAT_22050_8_MONO = 8;     // data that does not come as a wave
inline constexpr WaveFormatCode WAVE_FORMAT_44100_16_STEREO = 15; // CD digital audio

struct WaveFormatEntry {
    uint32_t samplesPerSecond;
    uint16_t bitsPerSample;
    uint16_t channels;
    uint16_t blockAlign;
    uint32_t bytesPerSecond;
    const char* text;
};

extern const WaveFormatEntry WaveFormatTable[16];

// Writes the 44 header bytes for dataLength bytes of format code; false (and nothing written)
// for a code outside 0..15.
bool BuildWaveHeader(uint8_t* destination, uint32_t dataLength, WaveFormatCode code);

// Finds the fmt and data chunks of a wave image; false when it is not one of the sixteen formats.
bool ParseWaveHeader(const uint8_t* image, uint32_t imageLength, uint32_t* dataStart, uint32_t* dataLength,
                     WaveFormatCode* code);
