// PlaySound: the system's sound service. One sound at a time; a new sound ends the one that
// plays; a call with no sound stops it. Resource sounds are the program's "WAVE" resources
// (Microsoft ADPCM wave files); memory sounds are complete RIFF/WAVE images in memory, which
// the caller keeps alive until the sound has ended or been stopped.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr uint32_t SND_SYNC = 0x0000;
inline constexpr uint32_t SND_ASYNC = 0x0001;
inline constexpr uint32_t SND_NODEFAULT = 0x0002;
inline constexpr uint32_t SND_MEMORY = 0x0004;
inline constexpr uint32_t SND_LOOP = 0x0008;
inline constexpr uint32_t SND_NOSTOP = 0x0010;
inline constexpr uint32_t SND_NOWAIT = 0x2000;
inline constexpr uint32_t SND_RESOURCE = 0x00040004;

class SoundService {
public:
    virtual ~SoundService() = default;
    // sound: a resource name (SND_RESOURCE), a wave image (SND_MEMORY), or nullptr to stop.
    virtual bool Play(const void* sound, uint32_t flags) = 0;
};

// sound is a resource name with SND_RESOURCE, the address of a wave image with SND_MEMORY,
// or nullptr (stop). module is accepted for the Win32 shape and not used: resources always
// come from the program itself. Returns false when the sound did not start.
bool PlaySound(const void* sound, const void* module, uint32_t flags);

// Installs the sound service; nullptr goes back to the real one. The caller keeps ownership.
void SetSoundService(SoundService* service);

} // namespace platform
