#include "base/sounds.h"

#include <atomic>

#include "platform/sound.h"
#include "res/resource.h"

namespace {

// SND_RESOURCE | SND_ASYNC | SND_NODEFAULT | SND_NOWAIT: from the program's own resources,
// returning at once, silent when the resource is missing or the device is busy.
constexpr uint32_t kDialogSoundFlags =
    platform::SND_RESOURCE | platform::SND_ASYNC | platform::SND_NODEFAULT | platform::SND_NOWAIT;
static_assert(kDialogSoundFlags == 0x42007);

// Error boxes can come from the extraction worker's thread as well.
std::atomic<bool> g_dialogSoundsEnabled{true};

void PlayDialogSound(const char* name)
{
    if (!g_dialogSoundsEnabled.load(std::memory_order_relaxed))
        return;
    platform::PlaySound(name, nullptr, kDialogSoundFlags);
}

} // namespace

void PlayErrorSound() { PlayDialogSound(res::SOUND_ERROR); }
void PlayQuestionSound() { PlayDialogSound(res::SOUND_QUESTION); }
void PlayAboutSound() { PlayDialogSound(res::SOUND_ABOUT); }
void StopSound() { platform::PlaySound(nullptr, nullptr, 0); }

void SetDialogSoundsEnabled(bool enabled) { g_dialogSoundsEnabled.store(enabled, std::memory_order_relaxed); }
bool DialogSoundsEnabled() { return g_dialogSoundsEnabled.load(std::memory_order_relaxed); }
