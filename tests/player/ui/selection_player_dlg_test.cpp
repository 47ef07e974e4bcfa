// The selection player through the real "Read CD digital audio" dialog, offscreen: the drive is
// the scripted MCI device playing a simulated disc, and the dialog's 200 ms timer ticks when the
// test says so.
#include "player/ui/read_audio_dlg.h"

#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "cdrom/address.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/scripted_mci.h"
#include "support/temp_dir.h"
#include "support/ui/manual_timers.h"
#include "support/ui/modal_answer.h"

using namespace platform;
using namespace res::read_audio;

namespace {

uint32_t PackedSector(uint32_t sector)
{
    uint8_t minute, second, frame;
    SectorToMsf(sector, &minute, &second, &frame);
    return MCI_MAKE_MSF(minute, second, frame);
}

// A disc of two tracks in drive D: an audio track from 00:02:00 to 04:11:74 (sectors 0 to
// 18749) and a data track, identity DEADBEEF.
class SelectionPlayerDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_mci.SimulatePlayback();
        m_mci.Answer(MCI_INFO, {0, 0, "3735928559"});
        m_mci.AnswerStatus(MCI_STATUS_MEDIA_PRESENT, {0, 1, ""});
        m_mci.AnswerStatus(MCI_STATUS_NUMBER_OF_TRACKS, {0, 2, ""});
        SetTrack(1, MCI_MAKE_MSF(0, 2, 0), MCI_MAKE_MSF(4, 10, 0), true);
        SetTrack(2, MCI_MAKE_MSF(4, 12, 0), MCI_MAKE_MSF(0, 13, 25), false);
        m_dialog.m_chDrive = 'D';
        m_dialog.m_nFirstSeconds = 3;
        m_dialog.m_nLastSeconds = 3;
    }

    void SetTrack(uint32_t track, uint32_t start, uint32_t length, bool audio)
    {
        m_mci.AnswerStatus(MCI_STATUS_POSITION, track, {0, start, ""});
        m_mci.AnswerStatus(MCI_STATUS_LENGTH, track, {0, length, ""});
        m_mci.AnswerStatus(MCI_CDA_STATUS_TYPE_TRACK, track,
                           {0, audio ? MCI_CDA_TRACK_AUDIO : MCI_CDA_TRACK_OTHER, ""});
    }

    // Runs body once the dialog is shown and active, then presses Cancel.
    void Run(const std::function<void(QDialog*)>& body)
    {
        QTimer::singleShot(0, [this, body] {
            QDialog* window = m_dialog.Window();
            ASSERT_NE(window, nullptr);
            window->activateWindow();
            QApplication::processEvents();
            EXPECT_TRUE(window->isActiveWindow());
            body(window);
            if (m_dialog.Window())
                Press(m_dialog.Window(), res::IDCANCEL);
            if (m_dialog.Window()) // a field the body left invalid must not keep it open
                m_dialog.Window()->done(res::IDCANCEL);
        });
        m_dialog.DoModal();
    }

    void ChooseTrack(QDialog* window, int row)
    {
        m_dialog.SelectTabPage(0);
        auto* list = GetDlgControl<QTreeWidget>(window, IDC_TRACK_LIST);
        list->clearSelection();
        list->topLevelItem(row)->setSelected(true);
        m_dialog.OnTrackClicked();
    }

    static void Press(QWidget* window, int id) { GetDlgControl<QPushButton>(window, id)->click(); }
    static void Check(QWidget* window, int id, bool checked)
    {
        GetDlgControl<QCheckBox>(window, id)->setChecked(checked);
    }
    static void SetText(QWidget* window, int id, const char* text)
    {
        GetDlgControl<QLineEdit>(window, id)->setText(QString::fromUtf8(text));
    }
    static QString Text(QWidget* window, int id) { return GetDlgItemText(window, id); }
    static int Slider(QWidget* window) { return GetDlgControl<QSlider>(window, IDC_POSITION_SLIDER)->value(); }
    static bool Enabled(QWidget* window, int id) { return GetDlgItem(window, id)->isEnabled(); }

    std::vector<MciRequest> Plays() const { return m_mci.RequestsOf(MCI_PLAY); }

    TempDir m_folder;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_folder.path().c_str()};
    ScriptedDesktop m_desktop;
    ScriptedMci m_mci;
    ManualTimers m_timers;
    CReadAudioDlg m_dialog;
};

} // namespace

TEST_F(SelectionPlayerDlgTest, TheTimerFollowsThePlayAndShowsTheIdleStateOnce)
{
    Run([&](QDialog* window) {
        EXPECT_EQ(m_timers.Running(), 1);
        EXPECT_EQ(m_timers.LastPeriod(), 200u);
        ChooseTrack(window, 0);
        Press(window, IDC_PLAY);
        ASSERT_EQ(Plays().size(), 1u);
        EXPECT_EQ(Plays()[0].from, MCI_MAKE_MSF(0, 2, 0));
        EXPECT_EQ(Plays()[0].to, MCI_MAKE_MSF(4, 11, 74));
        EXPECT_TRUE(Enabled(window, IDC_MARK));

        m_mci.Advance(10 * 75 + 38); // 00:12:38
        m_timers.Tick();
        EXPECT_EQ(Text(window, IDC_PLAYING_TIME), "0:13");
        EXPECT_EQ(Text(window, IDC_PLAYING_SECTOR), "788");
        EXPECT_EQ(Slider(window), 788 * 100 / 18749);
        m_mci.Advance(9000);
        m_timers.Tick();
        EXPECT_EQ(Text(window, IDC_PLAYING_SECTOR), "9788");
        EXPECT_EQ(Slider(window), 52);
        // The labels of the selection keep the range that Play showed, even when another row
        // is clicked.
        GetDlgControl<QTreeWidget>(window, IDC_TRACK_LIST)->topLevelItem(1)->setSelected(true);
        m_dialog.OnTrackClicked();
        EXPECT_EQ(Text(window, IDC_SELECTION_END_SECTOR), "18749");

        Press(window, IDC_STOP);
        EXPECT_FALSE(m_mci.SimulatedPlaying());
        EXPECT_FALSE(Enabled(window, IDC_MARK));
        m_timers.Tick();
        EXPECT_EQ(Text(window, IDC_PLAYING_TIME), "");
        EXPECT_EQ(Text(window, IDC_PLAYING_SECTOR), "");
        EXPECT_EQ(Slider(window), 0);
        // The idle state is shown once, not at every tick.
        SetDlgItemText(window, IDC_PLAYING_SECTOR, "untouched");
        m_timers.Tick();
        EXPECT_EQ(Text(window, IDC_PLAYING_SECTOR), "untouched");
        EXPECT_EQ(Plays().size(), 1u);
    });
    EXPECT_EQ(m_timers.Running(), 0);
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

TEST_F(SelectionPlayerDlgTest, FirstAndLastPlayBothPartsWithOneTickBetweenAndLoopStartsOver)
{
    m_dialog.m_nTabPage = 1;
    m_dialog.m_nStartMin = 1;
    m_dialog.m_nEndMin = 2;
    m_dialog.m_bOnlyFirst = m_dialog.m_bOnlyLast = m_dialog.m_bLoopMode = 1;
    Run([&](QDialog* window) {
        Press(window, IDC_PLAY);
        m_mci.Advance(3 * 75); // the first part has been heard
        m_timers.Tick();
        m_mci.Advance(3 * 75);
        m_timers.Tick();
        const std::vector<MciRequest> plays = Plays();
        ASSERT_EQ(plays.size(), 3u);
        EXPECT_EQ(plays[0].from, MCI_MAKE_MSF(1, 0, 0));
        EXPECT_EQ(plays[0].to, MCI_MAKE_MSF(1, 3, 0));
        EXPECT_EQ(plays[1].from, MCI_MAKE_MSF(1, 57, 0));
        EXPECT_EQ(plays[1].to, MCI_MAKE_MSF(2, 0, 0));
        EXPECT_EQ(plays[2].from, MCI_MAKE_MSF(1, 0, 0)); // loop mode: from the start again
        EXPECT_EQ(plays[2].to, MCI_MAKE_MSF(1, 3, 0));

        // Stop with loop mode on: the next tick plays the selection again.
        Press(window, IDC_STOP);
        m_timers.Tick();
        EXPECT_EQ(Plays().size(), 4u);
        EXPECT_TRUE(m_mci.SimulatedPlaying());
        // Loop mode off first: Stop stops for good.
        Check(window, IDC_LOOP_MODE, false);
        Press(window, IDC_STOP);
        m_timers.Tick();
        m_timers.Tick();
        EXPECT_EQ(Plays().size(), 4u);
        EXPECT_FALSE(m_mci.SimulatedPlaying());
    });
    EXPECT_EQ(m_dialog.m_bLoopMode, 0);
    EXPECT_EQ(m_dialog.m_bOnlyFirst, 1);
}

TEST_F(SelectionPlayerDlgTest, MarkingTwiceTakesTheRangeFromThePlayingPositions)
{
    Run([&](QDialog* window) {
        ChooseTrack(window, 0);
        Press(window, IDC_MARK); // disabled while nothing plays
        Press(window, IDC_PLAY);
        EXPECT_EQ(Text(window, IDC_MARK), "Start here");
        m_mci.Advance(4500 + 2 * 75 + 10); // 01:04:10, sector 4660
        Press(window, IDC_MARK);
        EXPECT_EQ(Text(window, IDC_MARK), "End here");
        EXPECT_TRUE(m_mci.SimulatedPlaying());
        m_mci.Advance(75 * 75); // 02:19:10, sector 10285
        Press(window, IDC_MARK);
        EXPECT_FALSE(m_mci.SimulatedPlaying());
        EXPECT_EQ(m_mci.RequestsOf(MCI_STOP).size(), 1u);
        QStringList fields;
        for (int id : {IDC_START_MIN, IDC_START_SEC, IDC_START_FRAME, IDC_START_SECTOR, IDC_END_MIN, IDC_END_SEC,
                       IDC_END_FRAME, IDC_END_SECTOR})
            fields << Text(window, id);
        EXPECT_EQ(fields.join(' '), "1 4 10 4660 2 19 10 10285");
        EXPECT_EQ(Text(window, IDC_MARK), "Start here");
        EXPECT_FALSE(Enabled(window, IDC_MARK));
        // From "CD Track" to "Red Book", whose labels show the marked range.
        EXPECT_EQ(GetDlgControl<QTabBar>(window, IDC_PAGE_TABS)->currentIndex(), 1);
        EXPECT_TRUE(GetDlgItem(window, IDC_START_MIN)->isVisibleTo(window));
        EXPECT_EQ(Text(window, IDC_SELECTION_START_SECTOR), "4660");
        EXPECT_EQ(Text(window, IDC_SELECTION_END_TIME), "2:19");
    });
    // The marks are taken over by the members at the end, like typed values.
    EXPECT_EQ(m_dialog.m_nStartSector, 4660u);
    EXPECT_EQ(m_dialog.m_nEndSec, 19u);
}

TEST_F(SelectionPlayerDlgTest, DraggingTheSliderGoesOnFromWhereItIsLetGo)
{
    m_dialog.m_nTabPage = 2;
    m_dialog.m_nStartSector = 1000;
    m_dialog.m_nEndSector = 3000;
    Run([&](QDialog* window) {
        Press(window, IDC_PLAY);
        m_mci.Advance(100);
        m_timers.Tick();
        EXPECT_EQ(Slider(window), 5);
        auto* slider = GetDlgControl<QSlider>(window, IDC_POSITION_SLIDER);
        slider->setSliderDown(true);
        slider->setSliderPosition(50);
        m_mci.Advance(100);
        m_timers.Tick();
        EXPECT_EQ(Slider(window), 50); // the timer leaves a dragged slider alone
        EXPECT_TRUE(m_mci.RequestsOf(MCI_SEEK).empty());
        slider->setSliderDown(false);
        ASSERT_EQ(m_mci.RequestsOf(MCI_SEEK).size(), 1u);
        EXPECT_EQ(m_mci.RequestsOf(MCI_SEEK)[0].to, PackedSector(2000));
        ASSERT_EQ(Plays().size(), 2u);
        EXPECT_EQ(Plays()[1].from, PackedSector(2000));
        EXPECT_EQ(Plays()[1].to, PackedSector(3000));
        m_timers.Tick();
        EXPECT_EQ(Text(window, IDC_PLAYING_SECTOR), "2000");
        EXPECT_EQ(Slider(window), 50);

        // A page step by key or click ends at once: the drive jumps a tenth of the range on.
        slider->triggerAction(QAbstractSlider::SliderPageStepAdd);
        QApplication::processEvents();
        ASSERT_EQ(m_mci.RequestsOf(MCI_SEEK).size(), 2u);
        EXPECT_EQ(m_mci.RequestsOf(MCI_SEEK)[1].to, PackedSector(2200));
        ASSERT_EQ(Plays().size(), 3u);
        EXPECT_EQ(Plays()[2].from, PackedSector(2200));
    });
}

TEST_F(SelectionPlayerDlgTest, NothingPlaysWhileAnotherWindowIsActive)
{
    m_dialog.m_bLoopMode = 1;
    m_dialog.m_bOnlyFirst = m_dialog.m_bOnlyLast = 1;
    Run([&](QDialog* window) {
        ChooseTrack(window, 0);
        Press(window, IDC_PLAY);
        m_mci.Advance(3 * 75);
        ASSERT_EQ(Plays().size(), 1u);

        QWidget other;
        other.show();
        other.activateWindow();
        QApplication::processEvents();
        ASSERT_FALSE(window->isActiveWindow());
        // The first part has ended, but the last part waits for the user to come back.
        m_timers.Tick();
        EXPECT_EQ(Plays().size(), 1u);
        EXPECT_TRUE(GetDlgControl<QCheckBox>(window, IDC_LOOP_MODE)->isChecked());
        // A play that is due now is not started: loop and continuation end, without a box.
        m_dialog.OnCommand(IDC_PLAY);
        EXPECT_EQ(Plays().size(), 1u);
        EXPECT_FALSE(GetDlgControl<QCheckBox>(window, IDC_LOOP_MODE)->isChecked());
        other.close();
        window->activateWindow();
        QApplication::processEvents();
        m_timers.Tick();
        m_timers.Tick();
        EXPECT_EQ(Plays().size(), 1u);
    });
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

TEST_F(SelectionPlayerDlgTest, TimerFailuresAreReportedAndTheDialogWorksOn)
{
    m_timers.FailNextSet();
    m_timers.FailKills(true);
    Run([&](QDialog* window) {
        ChooseTrack(window, 0);
        Press(window, IDC_PLAY);
        EXPECT_EQ(Plays().size(), 1u);
    });
    ASSERT_EQ(m_desktop.Boxes().size(), 1u);
    EXPECT_EQ(m_desktop.Boxes()[0].text,
              "Could not set up the Windows timer.\nThe CD Player functions will not work OK.\n"
              "Try closing other running applications\nto free up a timer resource.");
    EXPECT_EQ(m_desktop.Boxes()[0].Icon(), MB_ICONEXCLAMATION);
    // Closing stops the drive that still plays.
    EXPECT_FALSE(m_mci.SimulatedPlaying());

    m_desktop.Clear();
    Run([&](QDialog*) {});
    ASSERT_EQ(m_desktop.Boxes().size(), 1u);
    EXPECT_EQ(m_desktop.Boxes()[0].text, "Error killing the timer");
}
