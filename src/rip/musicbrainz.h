// MusicBrainz: the disc id of a table of contents (through libdiscid), and the release that the
// web service knows for it, which fills the album, its artist and the track titles when the user
// asks for them.
//
// The web service answers JSON at SERVER/ws/2/discid/ID?inc=recordings+artist-credits&fmt=json;
// it asks every program for a User-Agent naming it with its version and a contact, and for no
// more than one request a second, which the lookup keeps for the whole program.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/cdrom/disc_layout.h"

inline constexpr const char* DEFAULT_MUSICBRAINZ_SERVER = "https://musicbrainz.org";
inline constexpr const char* MUSICBRAINZ_SERVER_VARIABLE = "RIPWELL_MUSICBRAINZ_URL";
inline constexpr int64_t MUSICBRAINZ_REQUEST_INTERVAL_MS = 1000;

// An enhanced CD's data track (last, after audio) is left out, its lead-out moved back by the
// gap between the sessions, as libdiscid does for a physical drive; any other disc counts every
// track. Empty when libdiscid refuses the table.
std::string MusicBrainzDiscId(const platform::DiscLayout& layout);

// The setting, or RIPWELL_MUSICBRAINZ_URL when set, or the public server.
std::string MusicBrainzServer(const std::string& setting);
std::string MusicBrainzLookupUrl(const std::string& server, const std::string& discId);
// "Ripwell/2.25.11 ( https://... )": the program, its version and where to reach its makers.
std::string MusicBrainzUserAgent();

struct ReleaseInfo {
    std::string album;
    std::string albumArtist;
    std::string date;                 // as the service gives it: "1997", "1997-05-21"
    std::vector<std::string> titles;  // by position on the disc: titles[0] is track 1
    std::vector<std::string> artists; // the track's artist credit, same order
};

// The first release of the answer with a medium holding this disc id (or, when none names it,
// the first medium of the first release). False with a reason for an answer without a release
// or that is not JSON.
bool ParseMusicBrainzRelease(const std::string& json, const std::string& discId, ReleaseInfo* release,
                             std::string* reason);

// Asks the server for the release of the disc id, at most one request a second across the
// program. False with a reason ("not found in MusicBrainz", a network error).
bool LookUpMusicBrainzRelease(const std::string& server, const std::string& discId, ReleaseInfo* release,
                              std::string* reason, const std::atomic<int32_t>* cancelFlag = nullptr,
                              int timeoutMs = 15000);
