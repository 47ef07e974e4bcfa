#include "player/disc_titles.h"

#include <cstdio>
#include <cstring>

#include "platform/profile.h"
#include "player/cd_audio.h"

namespace {

constexpr const char* kTitleFile = "CDPLAYER.INI";
// A default no title file holds: a text key that comes back as this is missing.
constexpr const char* kMissingText = "HJXZMBOYSDPA";
constexpr int32_t kMissingNumber = 2147483647;
constexpr uint32_t kTitleBytes = 256;
constexpr uint32_t kDiscTextBytes = 81;

bool TextKeyMissing(const char* section, const char* key, uint32_t size)
{
    char buffer[kTitleBytes];
    platform::GetPrivateProfileStringA(section, key, kMissingText, buffer, size, kTitleFile);
    return std::strcmp(buffer, kMissingText) == 0;
}

bool IntKeyMissing(const char* section, const char* key)
{
    return platform::GetPrivateProfileIntA(section, key, kMissingNumber, kTitleFile) ==
        static_cast<uint32_t>(kMissingNumber);
}

std::string KeyOfRow(int index) { return std::to_string(index); }

} // namespace

std::string CutTitle(const std::string& title, std::size_t maxBytes)
{
    if (title.size() <= maxBytes)
        return title;
    std::size_t end = maxBytes;
    // Back over continuation bytes (10xxxxxx) to the start of the character that is cut.
    while (end > 0 && (static_cast<unsigned char>(title[end]) & 0xC0) == 0x80)
        --end;
    return title.substr(0, end);
}

std::string TrackTitle(const char* discId, bool haveId, int index)
{
    char title[kTitleBytes] = {};
    if (haveId) {
        platform::GetPrivateProfileStringA(discId, KeyOfRow(index).c_str(), kMissingText, title, sizeof title,
                                           kTitleFile);
        if (std::strcmp(title, kMissingText) != 0)
            return title;
    }
    std::snprintf(title, sizeof title, "Track %02u", static_cast<unsigned>(index + 1));
    return title;
}

bool StoreTrackTitle(const char* discId, int index, const std::string& title, CCDAudio& audio)
{
    const char* section = discId;
    if (IntKeyMissing(section, "EntryType"))
        platform::WritePrivateProfileStringA(section, "EntryType", "1", kTitleFile);
    if (TextKeyMissing(section, "artist", kDiscTextBytes))
        platform::WritePrivateProfileStringA(section, "artist", "New Artist", kTitleFile);
    if (TextKeyMissing(section, "title", kDiscTextBytes))
        platform::WritePrivateProfileStringA(section, "title", "New Title", kTitleFile);
    if (IntKeyMissing(section, "numtracks"))
        platform::WritePrivateProfileStringA(section, "numtracks", std::to_string(audio.GetNumberOfTracks()).c_str(),
                                             kTitleFile);
    return platform::WritePrivateProfileStringA(section, KeyOfRow(index).c_str(), title.c_str(), kTitleFile);
}
