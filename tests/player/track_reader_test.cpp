#include "player/track_reader.h"

#include <gtest/gtest.h>

#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/scripted_mci.h"
#include "support/temp_dir.h"

using namespace platform;

TEST(TrackReaderTest, ReadsTheDiscOnAFreshDeviceAndOnlyWhenOneIsOpen)
{
    TempDir folder;
    ScopedEnvironment config{"XDG_CONFIG_HOME", folder.path().c_str()};
    ScriptedDesktop desktop;
    ScriptedMci mci;
    mci.AnswerStatus(MCI_STATUS_MEDIA_PRESENT, {0, 1, ""});
    mci.AnswerStatus(MCI_STATUS_NUMBER_OF_TRACKS, {0, 120, ""}); // more than a disc can hold
    mci.AnswerStatus(MCI_STATUS_POSITION, 99, {0, MCI_MAKE_MSF(70, 0, 0), ""});
    mci.AnswerStatus(MCI_STATUS_LENGTH, 99, {0, MCI_MAKE_MSF(0, 10, 0), ""});
    mci.AnswerStatus(MCI_CDA_STATUS_TYPE_TRACK, {0, MCI_CDA_TRACK_AUDIO, ""});
    mci.Answer(MCI_INFO, {MCIERR_NO_IDENTITY, 0, ""});

    TrackTable tracks;
    char discId[DISC_ID_SIZE] = "stale";
    bool haveId = true;
    CCDAudio audio;
    tracks[0].nonAudio = 0;
    // A device that failed to open is not opened again here.
    EXPECT_EQ(ReadTrackTable(audio, 'D', tracks, discId, haveId), 0u);
    EXPECT_TRUE(mci.Requests().empty());
    EXPECT_EQ(tracks[0].nonAudio, 1);
    EXPECT_FALSE(haveId);

    ASSERT_TRUE(audio.Open('D'));
    mci.ClearRequests();
    EXPECT_EQ(ReadTrackTable(audio, 'D', tracks, discId, haveId), 99u);
    ASSERT_GE(mci.Requests().size(), 3u);
    EXPECT_EQ(mci.Requests()[0].message, MCI_CLOSE);
    EXPECT_EQ(mci.Requests()[1].message, MCI_OPEN);
    EXPECT_EQ(mci.Requests()[1].elementName, "D:");
    EXPECT_FALSE(haveId);
    EXPECT_EQ(tracks[98].endSector, MsfToSector(70, 9, 74));
    EXPECT_EQ(tracks[98].nonAudio, 0);
    EXPECT_EQ(TrackRows(tracks, 99, discId, haveId)[98].title, "Track 99");
}
