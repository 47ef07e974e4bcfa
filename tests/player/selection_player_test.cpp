// The selection player and the selection display of the "Read CD digital audio" dialog without
// a window: the dialog's controls are a scripted double, the drive a scripted MCI device that
// plays. What the timer makes of a play is tested through the real dialog (tests/player/ui).
#include "player/selection_player.h"

#include <gtest/gtest.h>

#include "cdrom/address.h"
#include "res/resource.h"
#include "support/scripted_desktop.h"
#include "support/scripted_dialog_items.h"
#include "support/scripted_mci.h"

using namespace platform;
using namespace res::read_audio;

namespace {

struct Msf {
    uint8_t minute, second, frame;
};

uint32_t Packed(Msf position) { return MCI_MAKE_MSF(position.minute, position.second, position.frame); }

class SelectionPlayerTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_mci.SimulatePlayback();
        ASSERT_TRUE(m_audio.Open('D'));
        m_mci.ClearRequests();
        ResetTrackTable(m_tracks);
        FillTrackRecord(m_tracks[0], MCI_MAKE_MSF(0, 2, 0), MCI_MAKE_MSF(4, 10, 0), true);
        FillTrackRecord(m_tracks[1], MCI_MAKE_MSF(4, 12, 0), MCI_MAKE_MSF(1, 0, 0), false);
        m_dialog.SetList(IDC_TRACK_LIST, 2);
    }

    void SetRedBook(Msf start, Msf end)
    {
        m_dialog[IDC_PAGE_TABS].position = PAGE_RED_BOOK;
        m_dialog[IDC_START_MIN].text = std::to_string(start.minute);
        m_dialog[IDC_START_SEC].text = std::to_string(start.second);
        m_dialog[IDC_START_FRAME].text = std::to_string(start.frame);
        m_dialog[IDC_END_MIN].text = std::to_string(end.minute);
        m_dialog[IDC_END_SEC].text = std::to_string(end.second);
        m_dialog[IDC_END_FRAME].text = std::to_string(end.frame);
    }

    void SetOnlyFirstAndLast(bool onlyFirst, uint32_t firstSeconds, bool onlyLast, uint32_t lastSeconds)
    {
        m_dialog[IDC_ONLY_FIRST].checked = onlyFirst;
        m_dialog[IDC_FIRST_SECONDS].text = std::to_string(firstSeconds);
        m_dialog[IDC_ONLY_LAST].checked = onlyLast;
        m_dialog[IDC_LAST_SECONDS].text = std::to_string(lastSeconds);
    }

    size_t Plays() const { return m_mci.RequestsOf(MCI_PLAY).size(); }
    MciRequest LastPlay() const { return m_mci.RequestsOf(MCI_PLAY).back(); }

    ScriptedMci m_mci;
    ScriptedDesktop m_desktop;
    ScriptedDialogItems m_dialog;
    CCDAudio m_audio;
    TrackTable m_tracks;
    int32_t m_selectedTrack = -1;
    CSelectionDisplay m_display{m_dialog, m_audio, m_tracks, m_selectedTrack};
    CSelectionPlayer m_player{m_dialog, m_audio, m_display};
};

struct PartCase {
    const char* name;
    Msf start, end;
    bool onlyFirst;
    uint32_t firstSeconds;
    bool onlyLast;
    uint32_t lastSeconds;
    Msf from, to; // what is played
    bool firstStays, lastStays;
};

} // namespace

TEST_F(SelectionPlayerTest, OnlyFirstAndOnlyLastPlayTheirPartOfTheSelection)
{
    const PartCase cases[] = {
        {"first 10 s", {0, 2, 0}, {3, 0, 0}, true, 10, false, 0, {0, 2, 0}, {0, 12, 0}, true, false},
        {"first past the end", {0, 2, 0}, {0, 5, 0}, true, 10, false, 0, {0, 2, 0}, {0, 5, 0}, false, false},
        {"first over a minute", {1, 45, 20}, {5, 0, 0}, true, 30, false, 0, {1, 45, 20}, {2, 15, 20}, true, false},
        {"last 10 s", {0, 2, 0}, {3, 5, 30}, false, 0, true, 10, {2, 55, 30}, {3, 5, 30}, false, true},
        {"last over a minute back", {0, 2, 0}, {1, 5, 0}, false, 0, true, 10, {0, 55, 0}, {1, 5, 0}, false, true},
        // Ten seconds before 00:08:00 is no position at all: the whole selection is played.
        {"last before the disc", {0, 2, 0}, {0, 8, 0}, false, 0, true, 10, {0, 2, 0}, {0, 8, 0}, false, false},
        {"both meet", {1, 0, 0}, {2, 0, 0}, true, 60, true, 60, {1, 0, 0}, {2, 0, 0}, false, false},
        {"both apart", {1, 0, 0}, {2, 0, 0}, true, 3, true, 3, {1, 0, 0}, {1, 3, 0}, true, true},
    };
    for (const PartCase& c : cases) {
        SCOPED_TRACE(c.name);
        m_player.OnStop();
        SetRedBook(c.start, c.end);
        SetOnlyFirstAndLast(c.onlyFirst, c.firstSeconds, c.onlyLast, c.lastSeconds);
        const size_t before = Plays();
        m_player.OnPlay();
        ASSERT_EQ(Plays(), before + 1);
        EXPECT_EQ(LastPlay().flags, MCI_FROM | MCI_TO);
        EXPECT_EQ(LastPlay().from, Packed(c.from));
        EXPECT_EQ(LastPlay().to, Packed(c.to));
        EXPECT_EQ(m_dialog[IDC_ONLY_FIRST].checked, c.firstStays);
        EXPECT_EQ(m_dialog[IDC_ONLY_LAST].checked, c.lastStays);
        // The slider follows the whole selection, and the mark button is ready for a start mark.
        EXPECT_EQ(m_player.PlayStart(), MsfToSector(c.start.minute, c.start.second, c.start.frame));
        EXPECT_EQ(m_player.PlayEnd(), MsfToSector(c.end.minute, c.end.second, c.end.frame));
        EXPECT_EQ(m_player.FirstPartPlayed(), c.onlyFirst && c.firstStays && c.onlyLast);
        EXPECT_TRUE(m_dialog[IDC_MARK].enabled);
        EXPECT_EQ(m_dialog[IDC_MARK].text, "Start here");
    }
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

TEST_F(SelectionPlayerTest, FieldsOutOfRangeAreCorrectedInTheFieldsWhenPlayIsPressed)
{
    SetRedBook({0, 2, 0}, {0, 59, 0});
    m_dialog[IDC_START_FRAME].text = "75";
    m_dialog[IDC_END_MIN].text = "100";
    m_dialog[IDC_END_SEC].text = "-1"; // a negative number counts as above the limit
    SetOnlyFirstAndLast(true, 300, true, 300);
    m_player.OnPlay();
    EXPECT_EQ(m_dialog[IDC_START_FRAME].text, "74");
    EXPECT_EQ(m_dialog[IDC_END_MIN].text, "99");
    EXPECT_EQ(m_dialog[IDC_END_SEC].text, "59");
    EXPECT_EQ(m_dialog[IDC_FIRST_SECONDS].text, "60");
    EXPECT_EQ(m_dialog[IDC_LAST_SECONDS].text, "60");
    ASSERT_EQ(Plays(), 1u);
    EXPECT_EQ(LastPlay().from, MCI_MAKE_MSF(0, 2, 74));
    EXPECT_EQ(LastPlay().to, MCI_MAKE_MSF(1, 2, 74)); // the first minute

    m_player.OnStop();
    m_dialog[IDC_PAGE_TABS].position = PAGE_HIGH_SIERRA;
    m_dialog[IDC_START_SECTOR].text = "-5";
    m_dialog[IDC_END_SECTOR].text = "350000";
    SetOnlyFirstAndLast(false, 3, false, 3);
    m_player.OnPlay();
    EXPECT_EQ(m_dialog[IDC_START_SECTOR].text, "350000");
    EXPECT_EQ(m_dialog[IDC_END_SECTOR].text, "350000");
    // The labels show the selection as it was when Play was pressed.
    EXPECT_EQ(m_dialog[IDC_SELECTION_START_SECTOR].text, "-5");
    EXPECT_EQ(LastPlay().from, MCI_MAKE_MSF(77, 48, 50));
    EXPECT_EQ(m_player.PlayStart(), 350000u);
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

TEST_F(SelectionPlayerTest, OnTheTrackPageOnlyOneAudioTrackIsPlayed)
{
    m_dialog[IDC_PAGE_TABS].position = PAGE_CD_TRACK;
    m_dialog[IDC_LOOP_MODE].checked = true;
    m_player.OnPlay();
    m_dialog[IDC_LOOP_MODE].checked = true;
    m_dialog.SetList(IDC_TRACK_LIST, 2, {1});
    m_player.OnPlay();
    EXPECT_FALSE(m_dialog[IDC_LOOP_MODE].checked);
    EXPECT_EQ(Plays(), 0u);
    ASSERT_EQ(m_desktop.Boxes().size(), 2u);
    EXPECT_EQ(m_desktop.Boxes()[0].text, "Please choose a CD track from the list.");
    EXPECT_EQ(m_desktop.Boxes()[0].Icon(), MB_ICONINFORMATION);
    EXPECT_EQ(m_desktop.Boxes()[1].text, "You cannot play a non-audio CD track as digital audio.");
    EXPECT_EQ(m_desktop.Boxes()[1].Icon(), MB_ICONEXCLAMATION);
    EXPECT_EQ(m_desktop.Sounds().size(), 0u);

    m_dialog.SetList(IDC_TRACK_LIST, 2, {0});
    m_player.OnPlay();
    ASSERT_EQ(Plays(), 1u);
    EXPECT_EQ(LastPlay().from, MCI_MAKE_MSF(0, 2, 0));
    EXPECT_EQ(LastPlay().to, MCI_MAKE_MSF(4, 11, 74));
    EXPECT_EQ(m_selectedTrack, 0);
    EXPECT_EQ(m_dialog[IDC_SELECTION_END_SECTOR].text, "18749");

    // "Pick up times" writes the chosen track into the range fields and shows them.
    m_player.OnStop();
    m_player.OnPickUpTimes();
    EXPECT_EQ(m_dialog[IDC_END_MIN].text + ":" + m_dialog[IDC_END_SEC].text + ":" + m_dialog[IDC_END_FRAME].text,
              "4:11:74");
    EXPECT_EQ(m_dialog[IDC_START_SECTOR].text + "-" + m_dialog[IDC_END_SECTOR].text, "0-18749");
    EXPECT_EQ(m_dialog[IDC_PAGE_TABS].position, PAGE_RED_BOOK);
    EXPECT_FALSE(m_dialog[IDC_TRACK_LIST].visible);
    EXPECT_TRUE(m_dialog[IDC_END_FRAME].visible);
    EXPECT_EQ(m_dialog[IDC_SELECTION_END_TIME].text, "4:12");
}

TEST_F(SelectionPlayerTest, TheSliderShowsWhereTheDrivePlays)
{
    // Another program started the drive: no range is known, the slider runs round by 2.
    ASSERT_TRUE(m_audio.Play(0, 2, 0, 1, 0, 0));
    m_dialog[IDC_POSITION_SLIDER].position = 98;
    m_player.OnPlayerTimer();
    EXPECT_EQ(m_dialog[IDC_POSITION_SLIDER].position, 100);
    m_player.OnPlayerTimer();
    EXPECT_EQ(m_dialog[IDC_POSITION_SLIDER].position, 2);

    // A range of one sector: at its sector the slider stands at the start, past it at the end,
    // and before a range at its start.
    m_dialog[IDC_PAGE_TABS].position = PAGE_HIGH_SIERRA;
    m_dialog[IDC_START_SECTOR].text = m_dialog[IDC_END_SECTOR].text = "500";
    m_player.OnPlay();
    m_player.UpdateSlider(500);
    EXPECT_EQ(m_dialog[IDC_POSITION_SLIDER].position, 0);
    m_player.UpdateSlider(501);
    EXPECT_EQ(m_dialog[IDC_POSITION_SLIDER].position, 100);
    m_player.UpdateSlider(499);
    EXPECT_EQ(m_dialog[IDC_POSITION_SLIDER].position, 0);
}

TEST(SelectionDisplayTest, FieldsAreReadAsTheDialogReadsThem)
{
    EXPECT_EQ(FieldValue("  12x"), 12u);
    EXPECT_EQ(FieldValue("+7"), 7u);
    EXPECT_EQ(FieldValue("-5"), 4294967291u);
    EXPECT_EQ(FieldValue("abc"), 0u);
    EXPECT_EQ(FieldValue("4294967296"), 0u);
    // At most 31 characters count.
    EXPECT_EQ(FieldValue(std::string(30, ' ') + "12"), 1u);
}
