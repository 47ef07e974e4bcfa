// The selection player on a disc image in a virtual drive, heard through a private PulseAudio
// null sink: what the dialog plays is recorded with parec and compared with the image's
// samples, and what the dialog shows is compared with what was heard. Skipped without
// pulseaudio or parec.
#include "player/ui/read_audio_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/disc_builder.h"
#include "support/pulse_null_sink.h"
#include "support/recorded_sound.h"
#include "support/scripted_desktop.h"
#include "support/scripted_drive_table.h"
#include "support/temp_dir.h"
#include "support/ui/manual_timers.h"

using namespace platform;
using namespace res::read_audio;
using namespace std::chrono_literals;

namespace {

constexpr auto kTickInterval = 200ms;
constexpr uint32_t kBytesPerSecond = 44100 * 4;
// How far the shown sector may run ahead of the sound heard.
constexpr int kMostFramesAhead = 15;

// Spins the event loop until the condition holds or the limit has passed; the condition's
// last answer.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > limit.count())
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

class SelectionPlayerSoundTest : public testing::Test {
protected:
    // Track 1 of 2 s, track 2 of 12 s, counter content, in drive E.
    void BuildTestDisc()
    {
        std::string reason;
        ASSERT_TRUE(::BuildDisc(AudioDiscPlan({150, 900}), mkdisc::Layout::SingleBin, m_folder.path().string(), "disc",
                                &m_disc, &reason))
            << reason;
        m_drives.Set({{'C', DriveEntry::Kind::FixedDisk, "/"}, {'E', DriveEntry::Kind::DiscImage, m_disc.sheet}});
    }

    // Shows the dialog on drive E with "Only first" checked for `seconds`, chooses track 2 and
    // presses Play; then runs body and closes the dialog.
    void PlayFirstSecondsOfTrackTwo(uint8_t seconds, const std::function<void(QDialog*)>& body)
    {
        m_dialog.m_chDrive = 'E';
        m_dialog.m_bOnlyFirst = 1;
        m_dialog.m_nFirstSeconds = seconds;
        m_dialog.m_nLastSeconds = 3;
        QTimer::singleShot(0, [this, body] {
            QDialog* window = m_dialog.Window();
            ASSERT_NE(window, nullptr);
            window->activateWindow();
            QApplication::processEvents();
            auto* list = GetDlgControl<QTreeWidget>(window, IDC_TRACK_LIST);
            ASSERT_EQ(list->topLevelItemCount(), 2);
            list->topLevelItem(1)->setSelected(true);
            m_dialog.OnTrackClicked();
            GetDlgControl<QPushButton>(window, IDC_PLAY)->click();
            body(window);
            GetDlgControl<QPushButton>(window, res::IDCANCEL)->click();
        });
        m_dialog.DoModal();
    }

    // Ticks the dialog's timer every 200 ms, calling sample after each tick, until the drive
    // no longer plays; false when it plays on past the limit.
    bool TickWhilePlaying(const std::function<void()>& sample, std::chrono::milliseconds limit)
    {
        CCDAudio probe('E'); // another device on the same drive sees the same play
        QElapsedTimer clock;
        clock.start();
        while (probe.GetMode() == MCI_MODE_PLAY) {
            if (clock.elapsed() > limit.count())
                return false;
            QEventLoop loop;
            QTimer::singleShot(kTickInterval, &loop, &QEventLoop::quit);
            loop.exec();
            m_timers.Tick();
            sample();
        }
        return true;
    }

    void PlayOnlyFirstTwoSeconds();
    void FollowTheSoundForTenSeconds();

    TempDir m_folder;
    ScriptedDriveTable m_drives;
    ScriptedDesktop m_desktop;
    BuiltDisc m_disc;
    ManualTimers m_timers;
    CReadAudioDlg m_dialog;
};

void SelectionPlayerSoundTest::PlayOnlyFirstTwoSeconds()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    BuildTestDisc();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    const uint32_t start = mkdisc::TrackStart(m_disc.plan, 2);
    const uint32_t end = start + 2 * 75;
    qint64 playedMs = 0;
    PlayFirstSecondsOfTrackTwo(2, [&](QDialog* window) {
        QElapsedTimer clock;
        clock.start();
        ASSERT_TRUE(TickWhilePlaying([] {}, 6s));
        playedMs = clock.elapsed();
        // The idle state: no playing time or sector, the slider back at the start.
        m_timers.Tick();
        EXPECT_EQ(GetDlgItemText(window, IDC_PLAYING_SECTOR), "");
        EXPECT_EQ(GetDlgControl<QSlider>(window, IDC_POSITION_SLIDER)->value(), 0);
        EXPECT_TRUE(GetDlgControl<QCheckBox>(window, IDC_ONLY_FIRST)->isChecked());
        // Some more recording, to hear that nothing follows.
        const size_t heard = sink.RecordedBytes();
        EXPECT_TRUE(WaitFor([&] { return sink.RecordedBytes() >= heard + kBytesPerSecond / 2; }, 3s));
    });
    EXPECT_GE(playedMs, 1800);

    const std::vector<uint8_t> recorded = sink.Recorded();
    const std::vector<SoundRun> runs = SoundRuns(recorded);
    ASSERT_EQ(runs.size(), 1u);
    const SoundRun& run = runs[0];
    ASSERT_GE(run.firstSample, start * mkdisc::SAMPLES_PER_SECTOR);
    const uint32_t lost = run.firstSample - start * mkdisc::SAMPLES_PER_SECTOR;
    EXPECT_LE(lost, MAX_SAMPLES_LOST_AT_START);
    EXPECT_EQ(run.firstSample + run.samples, end * mkdisc::SAMPLES_PER_SECTOR) << "heard up to another place";
    const std::vector<uint8_t> expected = m_disc.Expected(start, end - start);
    ASSERT_EQ(expected.size(), (size_t(lost) + run.samples) * 4);
    EXPECT_TRUE(std::equal(expected.begin() + std::ptrdiff_t(lost) * 4, expected.end(),
                           recorded.begin() + std::ptrdiff_t(run.at)));
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

TEST_F(SelectionPlayerSoundTest, OnlyFirstTwoSecondsOfATrackAreHeardSampleForSampleAndThenItStops)
{
    RUN_WITH_SOUND_SERVER([this] { PlayOnlyFirstTwoSeconds(); });
}

// Every 200 ms the dialog's tick shows the playing sector; right after it the last sample the
// null sink's monitor has given parec says which sector was heard.
void SelectionPlayerSoundTest::FollowTheSoundForTenSeconds()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    BuildTestDisc();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    const uint32_t start = mkdisc::TrackStart(m_disc.plan, 2);
    int samples = 0;
    int mostAhead = -1000000;
    int mostBehind = -1000000;
    int previousSlider = -1;
    bool sliderRose = true;
    PlayFirstSecondsOfTrackTwo(10, [&](QDialog* window) {
        auto* slider = GetDlgControl<QSlider>(window, IDC_POSITION_SLIDER);
        ASSERT_TRUE(TickWhilePlaying(
            [&] {
                const QString shownText = GetDlgItemText(window, IDC_PLAYING_SECTOR);
                uint8_t last[4];
                if (shownText.isEmpty() || !sink.LastSample(last))
                    return;
                const std::optional<uint32_t> heard = DiscSectorOf(last);
                const int shown = shownText.toInt();
                if (!heard || *heard < start || shown >= int(start + 10 * 75))
                    return; // before the first sound arrives, or once the last has been heard
                ++samples;
                mostAhead = std::max(mostAhead, shown - int(*heard));
                mostBehind = std::max(mostBehind, int(*heard) - shown);
                sliderRose = sliderRose && slider->value() >= previousSlider;
                previousSlider = slider->value();
            },
            14s));
    });
    std::printf("[ measure  ] shown sector against heard over %d samples: at most %d frames ahead, "
                "at most %d frames behind\n",
                samples, mostAhead, mostBehind);
    std::fflush(stdout);
    EXPECT_GE(samples, 40);
    EXPECT_LE(mostAhead, kMostFramesAhead);
    EXPECT_TRUE(sliderRose);
    // The slider runs along the whole track, of which the first 10 of 12 seconds were played.
    EXPECT_GE(previousSlider, 70);
    EXPECT_LE(previousSlider, 83);
    EXPECT_TRUE(m_desktop.Boxes().empty());
}

TEST_F(SelectionPlayerSoundTest, TheShownSectorFollowsTheSoundHeard)
{
    RUN_WITH_SOUND_SERVER([this] { FollowTheSoundForTenSeconds(); });
}

} // namespace
