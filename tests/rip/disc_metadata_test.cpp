// Names of a disc for a rip: the track list's title file first, then CD-TEXT, then "Track 01";
// names the user changes are kept where the track list finds them.
#include <string>

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "player/disc_titles.h"
#include "rip/disc_metadata.h"
#include "rip/track_plan.h"
#include "support/scoped_environment.h"
#include "support/temp_dir.h"

namespace {

platform::DiscLayout ThreeTracks()
{
    platform::DiscLayout layout;
    layout.tracks = {{1, 0, 0, true, "", "Cd Text One", ""},
                     {2, 1000, 150, true, "", "Cd Text Two", "Singer"},
                     {3, 2000, 0, true, "", "", ""}};
    layout.leadOut = 3000;
    return layout;
}

} // namespace

TEST(DiscMetadataTest, StoredTitlesWinOverCdTextAndChangesGoBackToTheTitleFile)
{
    TempDir dir;
    ScopedEnvironment config("XDG_CONFIG_HOME", dir.path().c_str());
    const platform::DiscLayout layout = ThreeTracks();
    const std::string section = CdPlayerSection(layout);
    EXPECT_EQ(section, "12002803"); // the freedb id of the table, in hexadecimal, as the player names it
    platform::WritePrivateProfileStringA(section.c_str(), "1", "Stored Two", "CDPLAYER.INI");

    const DiscMetadata before = ReadDiscMetadata(layout);
    EXPECT_EQ(before.titles, (std::vector<std::string>{"Cd Text One", "Stored Two", "Track 03"}));
    EXPECT_EQ(before.artists[1], "Singer");
    EXPECT_EQ(before.album, "");

    DiscMetadata after = before;
    after.album = "Album";
    after.titles[2] = "Three";
    StoreDiscMetadata(layout, before, after);
    // The track list reads the same file.
    EXPECT_EQ(TrackTitle(section.c_str(), true, 2), "Three");
    EXPECT_EQ(TrackTitle(section.c_str(), true, 0), "Track 01"); // unchanged, not written
    const DiscMetadata again = ReadDiscMetadata(layout);
    EXPECT_EQ(again.album, "Album");
    EXPECT_EQ(again.albumArtist, ""); // the "New Artist" placeholder is no artist
    EXPECT_EQ(again.titles[2], "Three");
    EXPECT_EQ(platform::GetPrivateProfileIntA(section.c_str(), "numtracks", 0, "CDPLAYER.INI"), 3u);

    // A MusicBrainz release fills every title by its position.
    ReleaseInfo release;
    release.album = "Released";
    release.albumArtist = "Band";
    release.titles = {"A", "B", "C"};
    release.artists = {"Band", "Guest", "Band"};
    ApplyRelease(release, layout, &after);
    EXPECT_EQ(after.titles, (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(after.artists, (std::vector<std::string>{"", "Guest", ""}));
    EXPECT_EQ(after.album, "Released");
}

TEST(TrackPlanTest, HiddenAudioDataTracksAndGapsFindTheirFiles)
{
    // Hidden audio before track 1 (INDEX 00 at sector 0), a data track after two audio tracks
    // with its own 150-sector gap, then audio after the data track with a gap of 75.
    platform::DiscLayout layout;
    layout.tracks = {{1, 300, 300, true, "", "", ""},
                     {2, 1000, 100, true, "", "", ""},
                     {3, 2000, 150, false, "", "", ""},
                     {4, 5000, 75, true, "", "", ""}};
    layout.leadOut = 6000;
    const std::vector<PlannedTrack> plan = PlanTracks(layout);
    ASSERT_EQ(plan.size(), 3u);
    EXPECT_EQ(plan[0].fileFirst, 0u);
    EXPECT_EQ(plan[0].start, 300u);
    EXPECT_EQ(plan[0].end, 1000u);
    EXPECT_EQ(plan[0].nextIndex0, 900u);
    EXPECT_TRUE(plan[0].firstAudio);
    EXPECT_EQ(plan[1].end, 1850u);        // up to the data track's gap
    EXPECT_EQ(plan[1].nextIndex0, 1850u); // which is in no audio file
    EXPECT_EQ(plan[2].fileFirst, 5000u);  // its own gap follows data, in no file
    EXPECT_EQ(plan[2].slot, 3u);
    EXPECT_TRUE(plan[2].lastAudio);
    EXPECT_FALSE(plan[1].lastAudio);
}
