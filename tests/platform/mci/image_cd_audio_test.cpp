// The digital CD player of a disc image drive, driven through CCDAudio as the program drives
// it. Playing tests listen on a private PulseAudio null sink and compare what it heard with the
// image's samples; they skip when pulseaudio or parec is missing.
#include "player/cd_audio.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "cdrom/address.h"
#include "platform/mci/cd_audio_unit.h"
#include "platform/mci/mci.h"
#include "support/disc_builder.h"
#include "support/pulse_null_sink.h"
#include "support/recorded_sound.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/scripted_drive_table.h"
#include "support/temp_dir.h"

using namespace platform;

namespace {

constexpr uint32_t kLeadIn = 150;
constexpr auto kPollInterval = std::chrono::milliseconds(200);
constexpr auto kPositionPoll = std::chrono::milliseconds(20);

// The sectors played in a span of time, rounded up.
uint32_t SectorsIn(std::chrono::steady_clock::duration span)
{
    return uint32_t(std::chrono::duration_cast<std::chrono::microseconds>(span).count() * 75 / 1000000 + 1);
}

uint32_t PackedMsf(uint32_t sector)
{
    uint8_t minute, second, frame;
    SectorToMsf(sector, &minute, &second, &frame);
    return MCI_MAKE_MSF(minute, second, frame);
}

uint32_t SectorOfPacked(uint32_t msf)
{
    return MsfToSector(MCI_MSF_MINUTE(msf), MCI_MSF_SECOND(msf), MCI_MSF_FRAME(msf));
}

uint32_t PackedLength(uint32_t sectors) { return PackedMsf(sectors - kLeadIn); }

bool PlaySectors(CCDAudio& audio, uint32_t from, uint32_t to)
{
    uint8_t m1, s1, f1, m2, s2, f2;
    SectorToMsf(from, &m1, &s1, &f1);
    SectorToMsf(to, &m2, &s2, &f2);
    return audio.Play(m1, s1, f1, m2, s2, f2);
}

// The sector a recorded sample holds, or nothing for silence or a place not recorded yet.
std::optional<uint32_t> SectorAt(const std::vector<uint8_t>& recorded, size_t offset)
{
    if (offset + 4 > recorded.size())
        return std::nullopt;
    return DiscSectorOf(recorded.data() + offset);
}

// A position the drive reported, and the moments just before and after it was asked for.
struct Poll {
    PulseNullSink::Clock::time_point before;
    PulseNullSink::Clock::time_point after;
    uint32_t position = 0;
};

// 200 ms of recorded sound, and how long a test waits for the recording at the most.
constexpr size_t kPollBytes = 44100 / 5 * 4;
constexpr auto kRecordingLimit = std::chrono::milliseconds(5000);

// A new stream loses its first few milliseconds on the way into the null sink's monitor
// (measured: 262 samples), so a run is placed in the image by its first sample's counter.
constexpr uint32_t kMaxLostAtStart = 44100 / 20;

class ImageCdAudioTest : public testing::Test {
protected:
    // Track 1 of 2 s, track 2 of 4 s after a pregap of 1 s, track 3 of 2 s; with a catalogue.
    void BuildAudioDisc(bool withCatalogue = true)
    {
        mkdisc::DiscPlan plan = AudioDiscPlan({150, 300, 150}, mkdisc::AudioContent::Counter, {75, 0});
        if (withCatalogue)
            plan.catalog = "4006381333931";
        Build(std::move(plan));
    }

    void Build(mkdisc::DiscPlan plan)
    {
        std::string reason;
        ASSERT_TRUE(
            BuildDisc(std::move(plan), mkdisc::Layout::SingleBin, folder.path().string(), "disc", &disc, &reason))
            << reason;
        drives.Set({{'C', DriveEntry::Kind::FixedDisk, "/"}, {'E', DriveEntry::Kind::DiscImage, disc.sheet}});
    }

    // Polls until the drive reports a position at or after sector; false after the limit.
    bool WaitForPosition(CCDAudio& audio, uint32_t sector, std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (SectorOfPacked(audio.GetPosition()) < sector) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(kPositionPoll);
        }
        return true;
    }

    // Polls every 200 ms until the drive no longer plays; false when it plays on past the limit.
    bool WaitUntilStopped(CCDAudio& audio, std::chrono::milliseconds limit)
    {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (audio.GetMode() == MCI_MODE_PLAY) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            std::this_thread::sleep_for(kPollInterval);
        }
        return true;
    }

    // The run is the samples of the sectors [from, to), bit for bit, up to the last one, with at
    // most the first 50 ms missing.
    void ExpectRunIsRange(const std::vector<uint8_t>& recorded, const SoundRun& run, uint32_t from, uint32_t to)
    {
        ASSERT_GE(run.firstSample, from * mkdisc::SAMPLES_PER_SECTOR);
        const uint32_t lost = run.firstSample - from * mkdisc::SAMPLES_PER_SECTOR;
        EXPECT_LE(lost, kMaxLostAtStart);
        EXPECT_EQ(run.firstSample + run.samples, to * mkdisc::SAMPLES_PER_SECTOR) << "heard up to another place";
        const std::vector<uint8_t> expected = disc.Expected(from, to - from);
        const size_t bytes = std::min(size_t(run.samples) * 4, expected.size() - size_t(lost) * 4);
        EXPECT_TRUE(std::equal(expected.begin() + std::ptrdiff_t(lost) * 4,
                               expected.begin() + std::ptrdiff_t(lost * 4 + bytes),
                               recorded.begin() + std::ptrdiff_t(run.at)));
    }

    void PlayTrackTwo();
    void SeekWhilePlaying();
    void PlayUpToADataTrack();
    void PlayWithoutSoundDevice();
    void DestroyWhilePlaying();

    TempDir folder;
    ScriptedDriveTable drives;
    ScriptedDesktop desktop;
    BuiltDisc disc;
};

TEST_F(ImageCdAudioTest, TableOfContentsIdentityAndCatalogueComeFromTheImage)
{
    BuildAudioDisc();
    CCDAudio audio('E');
    ASSERT_NE(audio.DeviceId(), 0u);

    ASSERT_EQ(audio.GetNumberOfTracks(), 3u);
    const uint32_t ends[] = {mkdisc::TrackStart(disc.plan, 2), mkdisc::TrackStart(disc.plan, 3),
                             mkdisc::DiscSectors(disc.plan)};
    for (uint32_t track = 1; track <= 3; ++track) {
        const uint32_t start = mkdisc::TrackStart(disc.plan, int(track));
        EXPECT_EQ(audio.GetTrackPosition(track), PackedMsf(start)) << track;
        EXPECT_EQ(audio.GetTrackLength(track), PackedLength(ends[track - 1] - start)) << track;
        EXPECT_TRUE(audio.IsAudioTrack(track)) << track;
    }
    // Track 2 starts after track 1 and its pregap: 150 + 75 sectors, 00:05:00.
    EXPECT_EQ(audio.GetTrackPosition(2), MCI_MAKE_MSF(0, 5, 0));
    EXPECT_EQ(audio.GetTrackLength(2), MCI_MAKE_MSF(0, 4, 0));
    EXPECT_EQ(audio.GetLength(), PackedLength(mkdisc::DiscSectors(disc.plan)));
    EXPECT_EQ(audio.GetTrackPosition(4), 0u);

    EXPECT_EQ(audio.GetMode(), MCI_MODE_STOP);
    EXPECT_NE(audio.IsReady(), 0u);
    EXPECT_NE(audio.IsMediaPresent(), 0u);
    EXPECT_EQ(audio.GetPosition(), MCI_MAKE_MSF(0, 2, 0));

    // freedb id: track seconds 2, 5 and 9 (digit sums 16), playing time 11 - 2 s, three tracks.
    char identity[81];
    ASSERT_TRUE(audio.GetMediaIdentity(identity, sizeof identity));
    EXPECT_STREQ(identity, "10000903");
    char upc[50];
    ASSERT_TRUE(audio.GetMediaUPC(upc, sizeof upc));
    EXPECT_STREQ(upc, "4006381333931");
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(ImageCdAudioTest, DoorOpenTakesTheDiscOutAndCloseBringsItBack)
{
    BuildAudioDisc(false);
    CCDAudio audio('E');
    ASSERT_NE(audio.DeviceId(), 0u);
    char upc[50];
    EXPECT_FALSE(audio.GetMediaUPC(upc, sizeof upc)); // a disc without catalogue number

    ASSERT_TRUE(audio.SeekTo(400, 500));
    EXPECT_EQ(SectorOfPacked(audio.GetPosition()), 400u);
    ASSERT_TRUE(audio.OpenDoor());
    EXPECT_EQ(audio.GetMode(), MCI_MODE_OPEN);
    EXPECT_EQ(audio.IsReady(), 0u);
    EXPECT_EQ(audio.IsMediaPresent(), 0u); // no disc: 0 without a message
    EXPECT_TRUE(desktop.Boxes().empty());
    EXPECT_EQ(audio.GetNumberOfTracks(), 0u);
    EXPECT_EQ(audio.GetTrackPosition(1), 0u);
    char identity[81];
    EXPECT_FALSE(audio.GetMediaIdentity(identity, sizeof identity));
    EXPECT_FALSE(PlaySectors(audio, 0, 75));
    char notReady[256];
    ASSERT_TRUE(mciGetErrorStringA(MCIERR_DEVICE_NOT_READY, notReady, sizeof notReady));
    ASSERT_EQ(desktop.Boxes().size(), 3u);
    for (const DesktopEvent& box : desktop.Boxes())
        EXPECT_EQ(box.text, notReady);

    ASSERT_TRUE(audio.CloseDoor());
    EXPECT_EQ(audio.GetMode(), MCI_MODE_STOP);
    EXPECT_EQ(audio.GetNumberOfTracks(), 3u);
    EXPECT_EQ(audio.GetPosition(), MCI_MAKE_MSF(0, 2, 0));
    EXPECT_EQ(desktop.Boxes().size(), 3u);
}

void ImageCdAudioTest::PlayWithoutSoundDevice()
{
    BuildAudioDisc();
    const ScopedEnvironment server("PULSE_SERVER", ("unix:" + folder.file("no-server")).c_str());

    CCDAudio audio('E');
    ASSERT_NE(audio.DeviceId(), 0u);
    QElapsedTimer clock;
    clock.start();
    const uint32_t start = mkdisc::TrackStart(disc.plan, 2);
    EXPECT_FALSE(PlaySectors(audio, start, start + 75));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(audio.GetMode(), MCI_MODE_STOP);

    char text[256];
    ASSERT_TRUE(mciGetErrorStringA(MCIERR_WAVE_OUTPUTSUNSUITABLE, text, sizeof text));
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].text, text);
}

TEST_F(ImageCdAudioTest, WithoutASoundDeviceTheDriveRefusesToPlayAtOnce)
{
    RunInFreshProcess([this] { PlayWithoutSoundDevice(); });
}

void ImageCdAudioTest::PlayTrackTwo()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    BuildAudioDisc();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    CCDAudio audio('E');
    ASSERT_NE(audio.DeviceId(), 0u);

    const uint32_t from = mkdisc::TrackStart(disc.plan, 2);
    const uint32_t to = from + 3 * 75;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(PlaySectors(audio, from, to));
    EXPECT_EQ(audio.GetMode(), MCI_MODE_PLAY); // play returns while the drive plays

    // The position is asked for as the dialog's timer asks, about every 200 ms of sound; each
    // answer is kept with the moments just before and after it was given.
    std::vector<Poll> polls;
    while (audio.GetMode() == MCI_MODE_PLAY && clock.elapsed() < 10000) {
        sink.WaitForBytes(sink.RecordedBytes() + kPollBytes, kRecordingLimit);
        Poll poll;
        poll.before = PulseNullSink::Clock::now();
        poll.position = SectorOfPacked(audio.GetPosition());
        poll.after = PulseNullSink::Clock::now();
        polls.push_back(poll);
    }
    EXPECT_EQ(audio.GetMode(), MCI_MODE_STOP);
    EXPECT_GE(clock.elapsed(), 2900); // real time, not faster
    EXPECT_EQ(SectorOfPacked(audio.GetPosition()), to);

    // Each reported position lies within what was heard between the moments around it, as the
    // recording shows once it holds them all; how late the recording comes in does not count.
    ASSERT_TRUE(sink.WaitUntilRecorded(PulseNullSink::Clock::now(), kRecordingLimit));
    const std::vector<uint8_t> recorded = sink.Recorded();
    uint32_t previous = from;
    int compared = 0;
    int rises = 0;
    for (const Poll& poll : polls) {
        const std::optional<uint32_t> heardBefore = SectorAt(recorded, sink.RecordingOffsetAt(poll.before));
        const std::optional<uint32_t> heardAfter = SectorAt(recorded, sink.RecordingOffsetAt(poll.after));
        if (!heardBefore || !heardAfter || *heardBefore < from || *heardAfter >= to || poll.position >= to)
            continue; // before the first sample was heard, or once the last had been
        ++compared;
        EXPECT_GE(poll.position, previous);
        rises += poll.position > previous;
        EXPECT_LE(*heardBefore, poll.position + 2) << "reported " << poll.position << ", heard " << *heardBefore;
        EXPECT_LE(poll.position, *heardAfter + 2) << "reported " << poll.position << ", heard " << *heardAfter;
        previous = poll.position;
    }
    EXPECT_GE(compared, 3);
    EXPECT_GE(rises, compared - 1);

    // What was heard is the range, bit for bit, up to its last sample and no further.
    const std::vector<SoundRun> runs = SoundRuns(recorded);
    ASSERT_EQ(runs.size(), 1u);
    ExpectRunIsRange(recorded, runs[0], from, to);
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(ImageCdAudioTest, PlayingTrackTwoSoundsItsSamplesAndReportsWhatIsHeard)
{
    RUN_WITH_SOUND_SERVER([this] { PlayTrackTwo(); });
}

void ImageCdAudioTest::SeekWhilePlaying()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    BuildAudioDisc();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    CCDAudio audio('E');
    ASSERT_NE(audio.DeviceId(), 0u);

    const uint32_t start = mkdisc::TrackStart(disc.plan, 2);
    const uint32_t end = start + 300;
    ASSERT_TRUE(PlaySectors(audio, start, end));
    ASSERT_TRUE(WaitForPosition(audio, start + 40, kRecordingLimit));
    ASSERT_EQ(audio.GetMode(), MCI_MODE_PLAY);
    const uint32_t before = SectorOfPacked(audio.GetPosition());
    // A second ahead of where the play stands, so that it is a jump forward however long the
    // machine took to get here.
    const uint32_t jump = before + 75;
    ASSERT_LT(jump + 30, end) << "the play had come to " << before << " already";

    const auto seekAsked = PulseNullSink::Clock::now();
    ASSERT_TRUE(audio.SeekTo(jump, end));
    EXPECT_EQ(audio.GetMode(), MCI_MODE_PLAY);
    const uint32_t afterSeek = SectorOfPacked(audio.GetPosition());
    const auto seekAnswered = PulseNullSink::Clock::now();
    EXPECT_GE(afterSeek, jump);
    // No further than the time the calls took can have played (and the device's rounding).
    EXPECT_LE(afterSeek, jump + SectorsIn(seekAnswered - seekAsked) + 2);
    ASSERT_TRUE(WaitUntilStopped(audio, kRecordingLimit));
    EXPECT_EQ(SectorOfPacked(audio.GetPosition()), end);

    // Stopped, a seek only moves: the drive stands there and nothing more is heard.
    ASSERT_TRUE(sink.WaitUntilRecorded(PulseNullSink::Clock::now(), kRecordingLimit));
    const size_t heardBefore = sink.RecordedBytes();
    ASSERT_TRUE(audio.SeekTo(start + 10, end));
    EXPECT_EQ(audio.GetMode(), MCI_MODE_STOP);
    EXPECT_EQ(SectorOfPacked(audio.GetPosition()), start + 10);
    ASSERT_TRUE(sink.WaitUntilRecorded(PulseNullSink::Clock::now() + std::chrono::milliseconds(300), kRecordingLimit));

    const std::vector<uint8_t> recorded = sink.Recorded();
    const std::vector<SoundRun> runs = SoundRuns(recorded);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_LE(runs[0].firstSample - start * mkdisc::SAMPLES_PER_SECTOR, kMaxLostAtStart);
    EXPECT_LT(runs[0].firstSample + runs[0].samples, jump * mkdisc::SAMPLES_PER_SECTOR);
    ExpectRunIsRange(recorded, runs[1], jump, end);
    EXPECT_LE(runs[1].at + size_t(runs[1].samples) * 4, heardBefore);
    EXPECT_TRUE(desktop.Boxes().empty());
}

TEST_F(ImageCdAudioTest, SeekWhilePlayingPlaysOnFromThereToTheOldEnd)
{
    RUN_WITH_SOUND_SERVER([this] { SeekWhilePlaying(); });
}

void ImageCdAudioTest::PlayUpToADataTrack()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    mkdisc::DiscPlan plan = AudioDiscPlan({150});
    std::string reason;
    ASSERT_TRUE(AddDataTrack(&plan, folder.file("scratch"), {{"README.TXT", "data"}}, 150, &reason)) << reason;
    Build(std::move(plan));
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    CCDAudio audio('E');
    ASSERT_NE(audio.DeviceId(), 0u);
    ASSERT_FALSE(audio.IsAudioTrack(2));

    // From the middle of track 1 to the end of the disc: the data track's pregap begins at 150.
    const uint32_t leadOut = mkdisc::DiscSectors(disc.plan);
    ASSERT_TRUE(PlaySectors(audio, 75, leadOut));
    ASSERT_TRUE(WaitUntilStopped(audio, kRecordingLimit));
    EXPECT_EQ(SectorOfPacked(audio.GetPosition()), 150u);
    ASSERT_TRUE(sink.WaitUntilRecorded(PulseNullSink::Clock::now(), kRecordingLimit));

    const std::vector<uint8_t> recorded = sink.Recorded();
    const std::vector<SoundRun> runs = SoundRuns(recorded);
    ASSERT_EQ(runs.size(), 1u) << "data sectors were played as sound";
    ExpectRunIsRange(recorded, runs[0], 75, 150);

    // A play that begins on the data track is refused.
    EXPECT_FALSE(PlaySectors(audio, mkdisc::TrackStart(disc.plan, 2), leadOut));
    EXPECT_EQ(audio.GetMode(), MCI_MODE_STOP);
    EXPECT_EQ(desktop.Boxes().size(), 1u);
}

TEST_F(ImageCdAudioTest, PlayingStopsBeforeADataTrack)
{
    if (const std::string missing = PulseNullSink::MissingTools(); !missing.empty())
        GTEST_SKIP() << missing;
    mkdisc::DiscPlan probe;
    std::string reason;
    if (!AddDataTrack(&probe, folder.file("probe"), {{"README.TXT", "data"}}, 150, &reason))
        GTEST_SKIP() << reason;
    RunInFreshProcess([this] { PlayUpToADataTrack(); });
}

// The drive of a disc image goes when the program ends, possibly in the middle of a play.
void ImageCdAudioTest::DestroyWhilePlaying()
{
    PulseNullSink sink;
    ASSERT_TRUE(sink.Ready()) << sink.Reason();
    BuildAudioDisc();
    ASSERT_TRUE(sink.StartRecording()) << sink.Reason();
    std::unique_ptr<CdAudioUnit> unit = CreateImageCdAudioUnit(disc.sheet);
    ASSERT_TRUE(unit);
    ASSERT_EQ(unit->Play(0, 150), 0u);
    const auto deadline = PulseNullSink::Clock::now() + kRecordingLimit;
    while (unit->Position() < 20 && PulseNullSink::Clock::now() < deadline)
        std::this_thread::sleep_for(kPositionPoll);
    EXPECT_EQ(unit->Mode(), MCI_MODE_PLAY);
    QElapsedTimer clock;
    clock.start();
    unit.reset();
    EXPECT_LT(clock.elapsed(), 2000);
    const auto destroyedAt = PulseNullSink::Clock::now();

    // Silence from then on: the sound ends within 200 ms of it, in the 400 ms recorded after.
    ASSERT_TRUE(sink.WaitUntilRecorded(destroyedAt + std::chrono::milliseconds(400), kRecordingLimit));
    const std::vector<uint8_t> recorded = sink.Recorded();
    const std::vector<SoundRun> runs = SoundRuns(recorded);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_LT(runs[0].at + size_t(runs[0].samples) * 4,
              sink.RecordingOffsetAt(destroyedAt + std::chrono::milliseconds(200)));
    EXPECT_LT(runs[0].firstSample + runs[0].samples, 150 * mkdisc::SAMPLES_PER_SECTOR);
}

TEST_F(ImageCdAudioTest, ADriveDestroyedWhilePlayingFallsSilent)
{
    RUN_WITH_SOUND_SERVER([this] { DestroyWhilePlaying(); });
}

} // namespace
