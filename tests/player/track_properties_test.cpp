#include "player/track_properties.h"

#include <gtest/gtest.h>

#include "platform/mci/mci.h"
#include "player/disc_titles.h"

using platform::MCI_MAKE_MSF;

TEST(TrackPropertiesTest, FiguresOfAnAudioAndADataTrack)
{
    TrackRecord audio;
    FillTrackRecord(audio, MCI_MAKE_MSF(0, 2, 0), MCI_MAKE_MSF(4, 10, 0), true);
    CTrackProperties first;
    first.Fill(audio, 0, "Opening");
    EXPECT_EQ(first.m_bAudio, 1);
    EXPECT_EQ(first.m_strRbStart, "0:02.00");
    EXPECT_EQ(first.m_strRbEnd, "4:11.74");
    EXPECT_EQ(first.m_strRbLength, "4:10.00");
    EXPECT_EQ(first.m_strHsStart, "0");
    EXPECT_EQ(first.m_strHsEnd, "18749");
    EXPECT_EQ(first.m_strHsLength, "18750");
    EXPECT_EQ(first.m_strSize, "44100000");
    EXPECT_EQ(first.m_strTitle, "Track 1 - Opening");

    // A data track of 1000 sectors counts 2048 bytes a sector.
    TrackRecord data;
    FillTrackRecord(data, MCI_MAKE_MSF(10, 5, 3), MCI_MAKE_MSF(0, 13, 25), false);
    CTrackProperties third;
    third.Fill(data, 2, "Data");
    EXPECT_EQ(third.m_bAudio, 0);
    EXPECT_EQ(third.m_strHsLength, "1000");
    EXPECT_EQ(third.m_strSize, "2048000");
    EXPECT_EQ(third.m_strRbStart, "10:05.03");
    EXPECT_EQ(third.m_strTitle, "Track 3 - Data");
}

TEST(TrackPropertiesTest, CaptionCutsALongTitleAt127BytesBetweenCharacters)
{
    TrackRecord track;
    FillTrackRecord(track, MCI_MAKE_MSF(0, 2, 0), MCI_MAKE_MSF(0, 10, 0), true);
    CTrackProperties properties;
    properties.Fill(track, 0, std::string(200, 'x'));
    EXPECT_EQ(properties.m_strTitle, "Track 1 - " + std::string(127, 'x'));

    // "é" is two bytes; the one that would straddle byte 127 is left out whole.
    const std::string accented = std::string(126, 'a') + "\xC3\xA9" + "bc";
    properties.Fill(track, 0, accented);
    EXPECT_EQ(properties.m_strTitle, "Track 1 - " + std::string(126, 'a'));
    EXPECT_EQ(CutTitle(std::string(125, 'a') + "\xC3\xA9" + "bc", 127), std::string(125, 'a') + "\xC3\xA9");
}
