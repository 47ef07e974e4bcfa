// The vocabulary of compact disc addresses and sizes, shared by every layer of the program and
// by mkdisc: the lead-in, frames (one sector each) per second and per minute, the bytes of raw
// and cooked sectors, the samples of an audio sector, and minute:second:frame values with their
// packed form (minute in the low byte, then second, then frame).
//
// A position on the disc counts the 150 sectors of the lead-in: logical sector 0 lies at
// 00:02:00. A length counts sectors alone. Depends on nothing but the standard library.
#pragma once

#include <cstdint>

namespace platform::cdrom {

inline constexpr uint32_t LEAD_IN_SECTORS = 150;  // 00:02:00, where logical sector 0 lies
inline constexpr uint32_t FRAMES_PER_SECOND = 75; // a frame is one sector
inline constexpr uint32_t SECONDS_PER_MINUTE = 60;
inline constexpr uint32_t FRAMES_PER_MINUTE = FRAMES_PER_SECOND * SECONDS_PER_MINUTE; // 4500

inline constexpr uint32_t RAW_SECTOR_SIZE = 2352;    // CD digital audio, or a whole data sector
inline constexpr uint32_t COOKED_SECTOR_SIZE = 2048; // the user data of a mode-1 sector

inline constexpr uint32_t SAMPLE_RATE = 44100;
inline constexpr uint32_t BYTES_PER_SAMPLE = 4; // one stereo sample of two 16-bit values
inline constexpr uint32_t SAMPLES_PER_SECTOR = RAW_SECTOR_SIZE / BYTES_PER_SAMPLE; // 588

struct Msf {
    uint8_t minute = 0;
    uint8_t second = 0;
    uint8_t frame = 0;

    friend constexpr bool operator==(const Msf&, const Msf&) = default;
};

// A count of frames as minute, second and frame. A minute beyond 255 does not fit its byte and
// is given as 255 (with the second and frame of the count).
constexpr Msf MsfOfFrames(uint32_t frames)
{
    const uint32_t minute = frames / FRAMES_PER_MINUTE;
    const uint32_t rest = frames % FRAMES_PER_MINUTE;
    return Msf{static_cast<uint8_t>(minute > 255 ? 255 : minute), static_cast<uint8_t>(rest / FRAMES_PER_SECOND),
               static_cast<uint8_t>(rest % FRAMES_PER_SECOND)};
}

constexpr uint32_t FramesOfMsf(Msf msf)
{
    return uint32_t{msf.minute} * FRAMES_PER_MINUTE + uint32_t{msf.second} * FRAMES_PER_SECOND + msf.frame;
}

// The packed form: minute in bits 0-7, second in bits 8-15, frame in bits 16-23.
constexpr uint32_t PackMsf(Msf msf)
{
    return uint32_t{msf.minute} | uint32_t{msf.second} << 8 | uint32_t{msf.frame} << 16;
}

constexpr Msf UnpackMsf(uint32_t packed)
{
    return Msf{static_cast<uint8_t>(packed), static_cast<uint8_t>(packed >> 8), static_cast<uint8_t>(packed >> 16)};
}

} // namespace platform::cdrom
