#include "rip/disc_metadata.h"

#include <cstdio>
#include <cstring>

#include "platform/profile.h"
#include "player/disc_titles.h"
#include "rip/accuraterip.h"

namespace {

constexpr const char* kTitleFile = "CDPLAYER.INI";
constexpr const char* kMissing = "HJXZMBOYSDPA";
constexpr uint32_t kDiscTextBytes = 81;

// The text of a disc key, or empty when it is missing or holds what a rename writes as a
// placeholder.
std::string DiscText(const std::string& section, const char* key, const char* placeholder)
{
    char text[kDiscTextBytes] = {};
    platform::GetPrivateProfileStringA(section.c_str(), key, kMissing, text, sizeof text, kTitleFile);
    if (std::strcmp(text, kMissing) == 0 || std::strcmp(text, placeholder) == 0)
        return {};
    return text;
}

} // namespace

std::string CdPlayerSection(const platform::DiscLayout& layout)
{
    char section[16];
    std::snprintf(section, sizeof section, "%X", FreedbDiscId(layout));
    return section;
}

DiscMetadata ReadDiscMetadata(const platform::DiscLayout& layout)
{
    DiscMetadata metadata;
    const std::string section = CdPlayerSection(layout);
    metadata.album = DiscText(section, "title", "New Title");
    if (metadata.album.empty())
        metadata.album = layout.title;
    metadata.albumArtist = DiscText(section, "artist", "New Artist");
    if (metadata.albumArtist.empty())
        metadata.albumArtist = layout.performer;
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
        const int row = layout.tracks[i].number - 1;
        std::string title = TrackTitle(section.c_str(), true, row);
        char fallback[16];
        std::snprintf(fallback, sizeof fallback, "Track %02u", static_cast<unsigned>(row + 1));
        if (title == fallback && !layout.tracks[i].title.empty())
            title = layout.tracks[i].title;
        metadata.titles.push_back(title);
        metadata.artists.push_back(layout.tracks[i].performer);
    }
    return metadata;
}

void ApplyRelease(const ReleaseInfo& release, const platform::DiscLayout& layout, DiscMetadata* metadata)
{
    if (!release.album.empty())
        metadata->album = release.album;
    if (!release.albumArtist.empty())
        metadata->albumArtist = release.albumArtist;
    if (!release.date.empty())
        metadata->date = release.date;
    metadata->titles.resize(layout.tracks.size());
    metadata->artists.resize(layout.tracks.size());
    for (size_t i = 0; i < layout.tracks.size(); ++i) {
        const size_t position = layout.tracks[i].number - layout.tracks.front().number;
        if (position < release.titles.size() && !release.titles[position].empty()) {
            metadata->titles[i] = release.titles[position];
            metadata->artists[i] =
                release.artists[position] == metadata->albumArtist ? std::string() : release.artists[position];
        }
    }
}

void StoreDiscMetadata(const platform::DiscLayout& layout, const DiscMetadata& before, const DiscMetadata& after)
{
    const std::string section = CdPlayerSection(layout);
    bool changed = before.album != after.album || before.albumArtist != after.albumArtist;
    for (size_t i = 0; i < after.titles.size() && i < before.titles.size(); ++i)
        changed |= before.titles[i] != after.titles[i];
    if (!changed)
        return;
    char number[16];
    if (platform::GetPrivateProfileIntA(section.c_str(), "EntryType", 2147483647, kTitleFile) == 2147483647u)
        platform::WritePrivateProfileStringA(section.c_str(), "EntryType", "1", kTitleFile);
    if (platform::GetPrivateProfileIntA(section.c_str(), "numtracks", 2147483647, kTitleFile) == 2147483647u) {
        std::snprintf(number, sizeof number, "%zu", layout.tracks.size());
        platform::WritePrivateProfileStringA(section.c_str(), "numtracks", number, kTitleFile);
    }
    const std::string album = after.album.empty() ? "New Title" : after.album;
    const std::string artist = after.albumArtist.empty() ? "New Artist" : after.albumArtist;
    platform::WritePrivateProfileStringA(section.c_str(), "title", album.c_str(), kTitleFile);
    platform::WritePrivateProfileStringA(section.c_str(), "artist", artist.c_str(), kTitleFile);
    for (size_t i = 0; i < after.titles.size() && i < layout.tracks.size(); ++i) {
        if (i < before.titles.size() && before.titles[i] == after.titles[i])
            continue;
        std::snprintf(number, sizeof number, "%d", layout.tracks[i].number - 1);
        platform::WritePrivateProfileStringA(section.c_str(), number, CutTitle(after.titles[i], 255).c_str(),
                                             kTitleFile);
    }
}
