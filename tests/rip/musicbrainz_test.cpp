// MusicBrainz: disc ids of published tables of contents, the release found in the web
// service's JSON, and how the service is asked (address, User-Agent, one request a second).
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rip/musicbrainz.h"
#include "support/scripted_http.h"

namespace {

platform::DiscLayout LayoutOfLba(const std::vector<uint32_t>& starts, uint32_t leadOutLba, bool lastIsData = false)
{
    platform::DiscLayout layout;
    for (size_t i = 0; i < starts.size(); ++i) {
        platform::DiscLayoutTrack track;
        track.number = static_cast<uint8_t>(i + 1);
        track.start = starts[i] - 150;
        track.isAudio = !(lastIsData && i + 1 == starts.size());
        layout.tracks.push_back(track);
    }
    layout.leadOut = leadOutLba - 150;
    return layout;
}

const char* kAnswer = R"({"id":"X","releases":[
  {"title":"Other Release","date":"1990","artist-credit":[{"name":"Nobody","joinphrase":""}],
   "media":[{"position":1,"discs":[{"id":"someone-else"}],"tracks":[{"position":1,"title":"Wrong"}]}]},
  {"title":"Liquid","date":"1999-05-03",
   "artist-credit":[{"name":"Recoil","joinphrase":" & "},{"name":"Guests","joinphrase":""}],
   "media":[{"position":1,"discs":[{"id":"9AQWqQ0eCCwktwPPrIUIYkUw2Uo-"}],
     "tracks":[{"position":1,"title":"Black Box","artist-credit":[{"name":"Recoil","joinphrase":" & "},{"name":"Guests","joinphrase":""}]},
               {"position":2,"title":"","recording":{"title":"Jezebel","artist-credit":[{"name":"Diamanda","joinphrase":""}]}}]}]}]})";

} // namespace

TEST(MusicBrainzTest, DiscIdsOfPublishedTablesOfContents)
{
    // The example of the service's own description of the id.
    EXPECT_EQ(MusicBrainzDiscId(LayoutOfLba({150, 15363, 32314, 46592, 63414, 80489}, 95462)),
              "49HHV7Eb8UKF3aQiNmu1GR8vKTY-");
    // An enhanced CD: the data track of the second session is not counted, and the audio ends
    // 11400 sectors before it.
    EXPECT_EQ(MusicBrainzDiscId(LayoutOfLba(
                  {150, 12767, 40487, 63225, 93410, 118115, 151865, 184340, 215260, 247455, 281735}, 333801, true)),
              "9AQWqQ0eCCwktwPPrIUIYkUw2Uo-");
    EXPECT_EQ(MusicBrainzDiscId(platform::DiscLayout{}), "");
}

TEST(MusicBrainzTest, TheReleaseWithTheDiscGivesAlbumArtistDateAndTitles)
{
    ReleaseInfo release;
    std::string reason;
    ASSERT_TRUE(ParseMusicBrainzRelease(kAnswer, "9AQWqQ0eCCwktwPPrIUIYkUw2Uo-", &release, &reason)) << reason;
    EXPECT_EQ(release.album, "Liquid");
    EXPECT_EQ(release.albumArtist, "Recoil & Guests");
    EXPECT_EQ(release.date, "1999-05-03");
    EXPECT_EQ(release.titles, (std::vector<std::string>{"Black Box", "Jezebel"}));
    EXPECT_EQ(release.artists, (std::vector<std::string>{"Recoil & Guests", "Diamanda"}));

    // No medium names the disc: the first release stands in.
    ASSERT_TRUE(ParseMusicBrainzRelease(kAnswer, "unknown", &release, &reason));
    EXPECT_EQ(release.album, "Other Release");
    EXPECT_FALSE(ParseMusicBrainzRelease(R"({"releases":[]})", "x", &release, &reason));
    EXPECT_FALSE(ParseMusicBrainzRelease("<html>", "x", &release, &reason));
    EXPECT_NE(reason.find("not JSON"), std::string::npos);
}

TEST(MusicBrainzTest, LookupsNameTheProgramAndComeAtMostOnceASecond)
{
    ScriptedHttp http;
    const std::string url = MusicBrainzLookupUrl("http://mb.test/", "9AQWqQ0eCCwktwPPrIUIYkUw2Uo-");
    EXPECT_EQ(url, "http://mb.test/ws/2/discid/9AQWqQ0eCCwktwPPrIUIYkUw2Uo-?inc=recordings+artist-credits&fmt=json");
    http.Answer(url, 200, kAnswer);
    ReleaseInfo release;
    std::string reason;
    ASSERT_TRUE(LookUpMusicBrainzRelease("http://mb.test", "9AQWqQ0eCCwktwPPrIUIYkUw2Uo-", &release, &reason));
    EXPECT_FALSE(LookUpMusicBrainzRelease("http://mb.test", "not-there", &release, &reason));
    EXPECT_NE(reason.find("could not be asked"), std::string::npos) << reason;
    http.Answer(MusicBrainzLookupUrl("http://mb.test", "unknown-disc"), 404, "{}");
    EXPECT_FALSE(LookUpMusicBrainzRelease("http://mb.test", "unknown-disc", &release, &reason));
    EXPECT_NE(reason.find("does not know"), std::string::npos) << reason;

    const std::vector<ScriptedHttp::Call> calls = http.Calls();
    ASSERT_EQ(calls.size(), 3u);
    for (size_t i = 0; i < calls.size(); ++i) {
        bool agent = false;
        for (const auto& [name, value] : calls[i].request.headers)
            agent |= name == "User-Agent" && value.rfind(std::string("Ripwell/") + RIPWELL_VERSION + " ( ", 0) == 0;
        EXPECT_TRUE(agent) << i;
        if (i > 0) {
            EXPECT_GE(calls[i].when - calls[i - 1].when, std::chrono::milliseconds(MUSICBRAINZ_REQUEST_INTERVAL_MS));
        }
    }
}
