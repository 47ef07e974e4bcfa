#include "rip/musicbrainz.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <discid/discid.h>

#include "platform/http.h"

namespace {

constexpr uint32_t kLeadInSectors = 150;
// Between the audio session and the data session of an enhanced CD: the lead-out of the first
// session (6750 sectors) and the lead-in and pregap of the second (4500 + 150).
constexpr uint32_t kSessionGapSectors = 11400;

std::string Text(const QJsonValue& value) { return value.toString().toStdString(); }

// "Artist A & Artist B": the names of an artist credit with their join phrases.
std::string ArtistCredit(const QJsonValue& credit)
{
    std::string out;
    for (const QJsonValue& part : credit.toArray()) {
        const QJsonObject object = part.toObject();
        out += Text(object.value(QStringLiteral("name")));
        out += Text(object.value(QStringLiteral("joinphrase")));
    }
    return out;
}

bool MediumHasDisc(const QJsonObject& medium, const std::string& discId)
{
    for (const QJsonValue& disc : medium.value(QStringLiteral("discs")).toArray())
        if (Text(disc.toObject().value(QStringLiteral("id"))) == discId)
            return true;
    return false;
}

void FillRelease(const QJsonObject& release, const QJsonObject& medium, ReleaseInfo* info)
{
    *info = ReleaseInfo{};
    info->album = Text(release.value(QStringLiteral("title")));
    info->albumArtist = ArtistCredit(release.value(QStringLiteral("artist-credit")));
    info->date = Text(release.value(QStringLiteral("date")));
    for (const QJsonValue& value : medium.value(QStringLiteral("tracks")).toArray()) {
        const QJsonObject track = value.toObject();
        const int position = track.value(QStringLiteral("position")).toInt();
        if (position < 1 || position > 99)
            continue;
        if (info->titles.size() < static_cast<size_t>(position)) {
            info->titles.resize(position);
            info->artists.resize(position);
        }
        std::string title = Text(track.value(QStringLiteral("title")));
        if (title.empty())
            title = Text(track.value(QStringLiteral("recording")).toObject().value(QStringLiteral("title")));
        std::string artist = ArtistCredit(track.value(QStringLiteral("artist-credit")));
        if (artist.empty())
            artist = ArtistCredit(
                track.value(QStringLiteral("recording")).toObject().value(QStringLiteral("artist-credit")));
        info->titles[position - 1] = title;
        info->artists[position - 1] = artist.empty() ? info->albumArtist : artist;
    }
}

// The time the last request went out, for the one-a-second rule.
std::mutex g_requestMutex;
std::chrono::steady_clock::time_point g_lastRequest{};
bool g_anyRequest = false;

} // namespace

std::string MusicBrainzDiscId(const platform::DiscLayout& layout)
{
    if (layout.tracks.empty())
        return {};
    std::vector<platform::DiscLayoutTrack> tracks = layout.tracks;
    uint32_t leadOut = layout.leadOut;
    if (tracks.size() > 1 && !tracks.back().isAudio && tracks[tracks.size() - 2].isAudio) {
        leadOut = tracks.back().start > kSessionGapSectors ? tracks.back().start - kSessionGapSectors : 0;
        tracks.pop_back();
    }
    int offsets[100] = {};
    offsets[0] = static_cast<int>(leadOut + kLeadInSectors);
    for (size_t i = 0; i < tracks.size() && i < 99; ++i)
        offsets[i + 1] = static_cast<int>(tracks[i].start + kLeadInSectors);
    DiscId* disc = discid_new();
    if (!disc)
        return {};
    std::string id;
    if (discid_put(disc, tracks.front().number, tracks.front().number + static_cast<int>(tracks.size()) - 1, offsets))
        id = discid_get_id(disc);
    discid_free(disc);
    return id;
}

std::string MusicBrainzServer(const std::string& setting)
{
    if (const char* variable = std::getenv(MUSICBRAINZ_SERVER_VARIABLE); variable && *variable)
        return variable;
    return setting.empty() ? DEFAULT_MUSICBRAINZ_SERVER : setting;
}

std::string MusicBrainzLookupUrl(const std::string& server, const std::string& discId)
{
    std::string url = server;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url + "/ws/2/discid/" + discId + "?inc=recordings+artist-credits&fmt=json";
}

std::string MusicBrainzUserAgent()
{
    return std::string("Ripwell/") + RIPWELL_VERSION + " ( https://brightmoor.example/ripwell )";
}

bool ParseMusicBrainzRelease(const std::string& json, const std::string& discId, ReleaseInfo* release,
                             std::string* reason)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(json), &error);
    if (document.isNull() || !document.isObject()) {
        *reason = "the MusicBrainz answer is not JSON (" + error.errorString().toStdString() + ")";
        return false;
    }
    const QJsonArray releases = document.object().value(QStringLiteral("releases")).toArray();
    for (const QJsonValue& value : releases) {
        const QJsonObject object = value.toObject();
        for (const QJsonValue& medium : object.value(QStringLiteral("media")).toArray())
            if (MediumHasDisc(medium.toObject(), discId)) {
                FillRelease(object, medium.toObject(), release);
                return true;
            }
    }
    if (!releases.isEmpty()) {
        const QJsonObject first = releases.first().toObject();
        FillRelease(first, first.value(QStringLiteral("media")).toArray().first().toObject(), release);
        return true;
    }
    *reason = "MusicBrainz knows no release of this disc";
    return false;
}

bool LookUpMusicBrainzRelease(const std::string& server, const std::string& discId, ReleaseInfo* release,
                              std::string* reason, const std::atomic<int32_t>* cancelFlag, int timeoutMs)
{
    if (discId.empty()) {
        *reason = "the disc has no MusicBrainz disc id";
        return false;
    }
    {
        // One request a second: wait for the turn of this one, then mark it taken.
        std::unique_lock lock(g_requestMutex);
        const auto interval = std::chrono::milliseconds(MUSICBRAINZ_REQUEST_INTERVAL_MS);
        if (g_anyRequest) {
            const auto turn = g_lastRequest + interval;
            if (std::chrono::steady_clock::now() < turn)
                std::this_thread::sleep_until(turn);
        }
        g_lastRequest = std::chrono::steady_clock::now();
        g_anyRequest = true;
    }
    platform::HttpRequest request;
    request.url = MusicBrainzLookupUrl(server, discId);
    request.headers = {{"User-Agent", MusicBrainzUserAgent()}, {"Accept", "application/json"}};
    request.timeoutMs = timeoutMs;
    const platform::HttpResponse response = platform::HttpGet(request, cancelFlag);
    if (response.answered && response.status == 404) {
        *reason = "MusicBrainz does not know this disc";
        return false;
    }
    if (!response.Ok()) {
        *reason = "MusicBrainz could not be asked: " + response.error;
        return false;
    }
    return ParseMusicBrainzRelease(response.body, discId, release, reason);
}
