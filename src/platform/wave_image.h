// Finding the format and the sample data of a RIFF/WAVE image in memory, for the sound
// service. Only what the RIFF header says is the image is read: never a byte beyond
// 8 + the RIFF size.
#pragma once

#include <cstdint>

namespace platform {

struct WaveImageInfo {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint16_t bitsPerSample = 0;
    uint64_t dataOffset = 0; // from the start of the image
    uint64_t dataLength = 0; // whole sample frames only
};

// False when the image is no RIFF/WAVE, or lacks a "fmt " or a "data" chunk inside it.
bool ParseWaveImage(const void* image, WaveImageInfo& info);

// PCM of 8-bit unsigned or 16-bit signed samples, one or two channels, a usable rate.
bool IsPlayablePcm(const WaveImageInfo& info);

} // namespace platform
