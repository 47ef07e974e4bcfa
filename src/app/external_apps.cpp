#include "app/external_apps.h"

#include <cstring>
#include <string_view>

#include "base/sounds.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace {

// The longest default value read, terminating zero included.
constexpr platform::DWORD kMaxAutoPlayValueBytes = 80;
constexpr char kPlay[] = "play";

// The pattern with its first "%s" replaced by the name, as it is (a name may hold a "%").
std::string FormatWithName(std::string_view pattern, const std::string& name)
{
    const std::size_t at = pattern.find("%s");
    if (at == std::string_view::npos)
        return std::string(pattern);
    return std::string(pattern.substr(0, at)) + name + std::string(pattern.substr(at + 2));
}

} // namespace

void LaunchExternalApp(void* owner, const std::string& name, const char* emptyMessage, const char* failureFormat)
{
    if (name.empty()) {
        PlayErrorSound();
        platform::MessageBox(emptyMessage, platform::MB_OK | platform::MB_ICONEXCLAMATION);
        return;
    }
    const intptr_t result =
        platform::ShellExecuteA(owner, "open", name.c_str(), nullptr, nullptr, platform::SW_SHOWNORMAL);
    if (result > 32)
        return;
    const std::string text = FormatWithName(failureFormat, name);
    PlayErrorSound();
    platform::MessageBox(text, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}

void OnCdPlayer(void* owner, const std::string& cdPlayer)
{
    LaunchExternalApp(owner, cdPlayer, CD_PLAYER_MISSING, CD_PLAYER_FAILED);
}

void OnSoundRecorder(void* owner, const std::string& soundRecorder)
{
    LaunchExternalApp(owner, soundRecorder, SOUND_RECORDER_MISSING, SOUND_RECORDER_FAILED);
}

bool ReadAutoPlayState(platform::AutoPlayKey* key, bool* disabled)
{
    *disabled = false;
    key->Close();
    // 1. One level at a time, each with read and write access; the parent goes once its
    //    child is open.
    platform::AutoPlayKey current = platform::AutoPlayKey::LocalMachine();
    for (const char* level : {"SOFTWARE", "Classes", "AudioCD", "shell"}) {
        platform::AutoPlayKey child;
        // 2. A level that cannot be opened: the switch counts as enabled.
        if (current.Open(level, platform::KEY_READ | platform::KEY_WRITE, &child) != platform::ERROR_SUCCESS)
            return false;
        current = std::move(child);
    }
    // 3. Disabled unless the value is exactly "play" with its terminating zero.
    platform::BYTE value[kMaxAutoPlayValueBytes] = {};
    platform::DWORD size = sizeof value;
    platform::DWORD type = platform::REG_NONE;
    const bool read = current.QueryValue("", &type, value, &size) == platform::ERROR_SUCCESS;
    *disabled = !(read && size == sizeof kPlay && std::memcmp(value, kPlay, sizeof kPlay) == 0);
    // 4. The key stays open for the writing.
    *key = std::move(current);
    return true;
}

void WriteAutoPlayState(const platform::AutoPlayKey& key, bool disabled)
{
    const char* text = disabled ? "" : kPlay;
    const auto size = static_cast<platform::DWORD>(std::strlen(text) + 1);
    if (key.SetValue("", platform::REG_SZ, reinterpret_cast<const platform::BYTE*>(text), size) !=
        platform::ERROR_SUCCESS)
        platform::MessageBox(AUTOPLAY_WRITE_FAILED, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}
