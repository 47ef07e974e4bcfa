// Whole-disc rips of disc images in virtual drives, through the real drive table, device reads,
// encoders and files: what lands in the files against the bytes the image holds, the cue sheet
// and its gaps, the AccurateRip lookup against a server on 127.0.0.1, Cancel in the middle, and
// a track that cannot be read.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sndfile.h>

#include "cdrom/drive_error.h"
#include "platform/cdrom/disc_layout.h"
#include "res/resource.h"
#include "rip/accuraterip.h"
#include "rip/disc_metadata.h"
#include "rip/range_reader.h"
#include "rip/rip_job.h"
#include "rip/rip_readers.h"
#include "base/app_settings.h"
#include "rip/track_plan.h"
#include "support/disc_builder.h"
#include "support/local_http_server.h"
#include "support/scoped_environment.h"
#include "support/scripted_drive_table.h"
#include "support/scripted_http.h"
#include "support/temp_dir.h"

namespace fs = std::filesystem;

namespace {

constexpr uint32_t kSector = 2352;

std::string ReadText(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The samples of a sound file as libsndfile decodes them, as CD audio bytes.
std::vector<uint8_t> DecodedBytes(const fs::path& path)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<int16_t> samples(static_cast<size_t>(info.frames) * info.channels);
    sf_read_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
    sf_close(file);
    std::vector<uint8_t> bytes(samples.size() * 2);
    for (size_t i = 0; i < samples.size(); ++i) {
        bytes[2 * i] = static_cast<uint8_t>(samples[i]);
        bytes[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(samples[i]) >> 8);
    }
    return bytes;
}

// A disc image in drive E:, a scratch folder and no network unless a test serves one.
class RipDiscTest : public testing::Test {
protected:
    void Build(mkdisc::DiscPlan plan)
    {
        std::string reason;
        ASSERT_TRUE(
            BuildDisc(std::move(plan), mkdisc::Layout::SingleBin, m_dir.path().string(), "disc", &m_disc, &reason))
            << reason;
        m_drives.Set({{'C', platform::DriveEntry::Kind::FixedDisk, "/"},
                      {'E', platform::DriveEntry::Kind::DiscImage, m_disc.sheet}});
        ASSERT_TRUE(platform::ReadDiscLayout('E', &m_layout, &reason)) << reason;
    }

    RipRequest Request(const std::string& folder)
    {
        RipRequest request;
        request.drive = 'E';
        request.layout = m_layout;
        const DiscMetadata metadata = ReadDiscMetadata(m_layout);
        for (size_t i = 0; i < m_layout.tracks.size(); ++i)
            if (m_layout.tracks[i].isAudio)
                request.tracks.push_back({m_layout.tracks[i].number, metadata.titles[i], ""});
        request.album = "Counting";
        request.albumArtist = "The Samples";
        request.outputFolder = (m_dir.path() / folder).string();
        request.accurateRipBaseUrl = "http://ar.invalid/accuraterip";
        return request;
    }

    TempDir m_dir;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_dir.path().c_str()};
    ScriptedDriveTable m_drives;
    BuiltDisc m_disc;
    platform::DiscLayout m_layout;
};

// Gives the plain reader's bytes, but raises the cancel flag when the read of a given track
// begins, or fails the read of a given track.
class InterferingReader : public RangeReader {
public:
    InterferingReader(RangeReader& inner, std::atomic<int32_t>* cancel) : m_inner(inner), m_cancel(cancel) {}
    uint32_t cancelAtRead = 0; // 1-based read; 0: never
    uint32_t failRead = 0;

    uint16_t Read(uint32_t first, uint32_t last, uint8_t* destination, RangeReadProgress* progress,
                  const std::atomic<int32_t>* cancelFlag, RangeReadReport* report) override
    {
        ++m_reads;
        if (m_reads == cancelAtRead)
            m_cancel->store(1);
        if (m_reads == failRead)
            return DRIVE_ERROR_READ_FAULT;
        return m_inner.Read(first, last, destination, progress, cancelFlag, report);
    }
    bool IsSecure() const override { return false; }

private:
    RangeReader& m_inner;
    std::atomic<int32_t>* m_cancel;
    uint32_t m_reads = 0;
};

} // namespace

TEST_F(RipDiscTest, FlacFilesHoldTheImageBytesAndTheCueSheetPlacesTheGaps)
{
    mkdisc::DiscPlan plan = AudioDiscPlan({900, 700, 500, 400}, mkdisc::AudioContent::Counter, {150, 0, 80});
    plan.catalog = "0724384260927";
    Build(plan);
    ScriptedHttp noNetwork;

    RipRequest request = Request("flac");
    request.tracks[1].title = "Two: \"quoted\"/slashed";
    std::unique_ptr<RangeReader> reader = MakePlainRangeReader('E', 0, m_layout.leadOut);
    const RipResult result = RunRip(request, *reader, nullptr, nullptr);
    ASSERT_EQ(result.status, 0);
    ASSERT_EQ(result.tracks.size(), 4u);
    EXPECT_TRUE(result.AllRead());
    EXPECT_EQ(result.ExitCode(), RIP_EXIT_OK); // AccurateRip could not be asked

    const fs::path folder = request.outputFolder;
    const std::vector<PlannedTrack> planned = PlanTracks(m_layout);
    for (size_t i = 0; i < result.tracks.size(); ++i) {
        const RipTrackResult& track = result.tracks[i];
        ASSERT_EQ(track.status, RipTrackResult::Status::Ripped) << track.error;
        const std::vector<uint8_t> expected = m_disc.Expected(planned[i].fileFirst, planned[i].Sectors());
        EXPECT_EQ(DecodedBytes(folder / track.fileName), expected) << track.fileName;
        EXPECT_EQ(track.read.copyCrc, RangeCrc32(expected.data(), expected.size()));
        if (std::system("command -v flac >/dev/null") == 0) {
            EXPECT_EQ(std::system(("flac -t -s \"" + (folder / track.fileName).string() + "\"").c_str()), 0);
        }
    }
    // Track 2's gap ends track 1's file; the last track runs to the lead-out.
    EXPECT_EQ(planned[0].end, 1050u);
    EXPECT_EQ(planned[0].nextIndex0, 900u);
    EXPECT_EQ(planned[3].end, m_layout.leadOut);
    EXPECT_EQ(result.tracks[1].fileName, "02 - Two_ _quoted__slashed.flac");

    const std::string cue = ReadText(folder / result.cueSheetFile);
    EXPECT_EQ(result.cueSheetFile, "The Samples - Counting.cue");
    const char* expectedCue = R"(CATALOG 0724384260927
PERFORMER "The Samples"
TITLE "Counting"
FILE "01 - Track 01.flac" WAVE
  TRACK 01 AUDIO
    TITLE "Track 01"
    PERFORMER "The Samples"
    INDEX 01 00:00:00
  TRACK 02 AUDIO
    TITLE "Two: 'quoted'/slashed"
    PERFORMER "The Samples"
    INDEX 00 00:12:00
FILE "02 - Two_ _quoted__slashed.flac" WAVE
    INDEX 01 00:00:00
FILE "03 - Track 03.flac" WAVE
  TRACK 03 AUDIO
    TITLE "Track 03"
    PERFORMER "The Samples"
    INDEX 01 00:00:00
  TRACK 04 AUDIO
    TITLE "Track 04"
    PERFORMER "The Samples"
    INDEX 00 00:06:50
FILE "04 - Track 04.flac" WAVE
    INDEX 01 00:00:00
)";
    EXPECT_NE(cue.find(expectedCue), std::string::npos) << cue;

    const std::string log = ReadText(folder / result.logFile);
    EXPECT_NE(log.find("Copy CRC32:"), std::string::npos);
    EXPECT_NE(log.find("AccurateRip:          not checked (no network)"), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.rfind('\n', log.size() - 2) + 1),
              "Not all tracks are accurate: 0 of 4 accurately ripped; AccurateRip not checked (no network).\n");
}

TEST_F(RipDiscTest, WaveFilesHaveTheProgramsHeaderAndAReadOffsetShiftsTheSamples)
{
    Build(AudioDiscPlan({300, 200}));
    ScriptedHttp noNetwork;
    RipRequest request = Request("wav");
    request.format = AudioFormat::Wave;
    // +30 samples: the drive delivers the disc's samples 30 samples late; the last 30 samples
    // of the disc lie beyond it and are silence.
    std::unique_ptr<RangeReader> reader = MakePlainRangeReader('E', 30, m_layout.leadOut);
    const RipResult result = RunRip(request, *reader, nullptr, nullptr);
    ASSERT_EQ(result.status, 0);
    const std::vector<uint8_t> disc = m_disc.Expected(0, 500);
    std::vector<uint8_t> shifted(disc.begin() + 120, disc.end());
    shifted.resize(disc.size(), 0);
    const std::string first = ReadText(fs::path(request.outputFolder) / result.tracks[0].fileName);
    const std::string second = ReadText(fs::path(request.outputFolder) / result.tracks[1].fileName);
    ASSERT_EQ(first.size(), 44 + 300 * kSector);
    EXPECT_EQ(first.substr(0, 4), "RIFF");
    EXPECT_EQ(std::string(first.begin() + 44, first.end()),
              std::string(shifted.begin(), shifted.begin() + 300 * kSector));
    EXPECT_EQ(std::string(second.begin() + 44, second.end()),
              std::string(shifted.begin() + 300 * kSector, shifted.end()));
    EXPECT_EQ(result.tracks[1].read.zeroSamples, 30u);
    EXPECT_EQ(result.tracks[0].read.zeroSamples, 0u);
}

TEST_F(RipDiscTest, AccurateRipAnswersOfALocalServerGiveEachTrackItsVerdict)
{
    Build(AudioDiscPlan({600, 400, 500}, mkdisc::AudioContent::Music));
    LocalHttpServer server;
    ASSERT_TRUE(server.Started());

    // A first rip that cannot ask gives the checksums the test builds its database from.
    std::unique_ptr<RangeReader> reader = MakePlainRangeReader('E', 0, m_layout.leadOut);
    RipResult first;
    {
        ScriptedHttp offline;
        first = RunRip(Request("offline"), *reader, nullptr, nullptr);
    }
    ASSERT_EQ(first.status, 0);
    const AccurateRipIds ids = ComputeAccurateRipIds(m_layout);
    const std::string path = AccurateRipUrl("/ar", ids);

    // Three pressings: one with our v2 checksums (confidence 4), one with our v1 of track 1
    // (confidence 2) and someone else's track 2, and one that lacks track 3.
    const auto& t = first.tracks;
    const std::vector<AccurateRipPressing> pressings = {
        {ids, {{4, t[0].accurateRipV2, 0}, {4, t[1].accurateRipV2, 0}, {4, t[2].accurateRipV2, 0}}},
        {ids, {{2, t[0].accurateRipV1, 0}, {6, 0xDEADBEEF, 0}, {0, 0, 0}}},
    };
    server.Serve(path, BuildAccurateRipDatabase(pressings));
    RipRequest request = Request("match");
    request.accurateRipBaseUrl = server.BaseUrl() + "/ar";
    RipResult result = RunRip(request, *reader, nullptr, nullptr);
    ASSERT_EQ(result.status, 0);
    EXPECT_TRUE(result.accurateRipAsked);
    EXPECT_EQ(result.tracks[0].verdict.kind, AccurateRipVerdict::Kind::Accurate);
    EXPECT_EQ(result.tracks[0].verdict.confidence, 6u);
    EXPECT_EQ(result.tracks[0].verdict.version, 2);
    EXPECT_EQ(result.tracks[1].verdict.confidence, 4u);
    EXPECT_EQ(result.tracks[1].verdict.totalConfidence, 10u);
    EXPECT_TRUE(result.AllAccurate());
    EXPECT_EQ(result.ExitCode(), RIP_EXIT_OK);
    EXPECT_NE(result.logText.find("All tracks accurately ripped."), std::string::npos);
    EXPECT_NE(server.Requests().front().find("GET " + path + " HTTP/1.1"), std::string::npos);

    // Only other people's checksums for track 2: a mismatch, and the exit code says so.
    server.Serve(path, BuildAccurateRipDatabase({pressings[1]}));
    request.outputFolder = (m_dir.path() / "mismatch").string();
    result = RunRip(request, *reader, nullptr, nullptr);
    EXPECT_EQ(result.tracks[0].verdict.kind, AccurateRipVerdict::Kind::Accurate);
    EXPECT_EQ(result.tracks[1].verdict.kind, AccurateRipVerdict::Kind::Mismatch);
    EXPECT_EQ(result.tracks[2].verdict.kind, AccurateRipVerdict::Kind::NotInDatabase);
    EXPECT_EQ(result.ExitCode(), RIP_EXIT_NOT_ACCURATE);

    // Not in the database at all (404).
    request.accurateRipBaseUrl = server.BaseUrl() + "/elsewhere";
    request.outputFolder = (m_dir.path() / "unknown").string();
    result = RunRip(request, *reader, nullptr, nullptr);
    EXPECT_TRUE(result.accurateRipAsked);
    for (const RipTrackResult& track : result.tracks)
        EXPECT_EQ(track.verdict.kind, AccurateRipVerdict::Kind::NotInDatabase);
    EXPECT_EQ(result.ExitCode(), RIP_EXIT_NOT_IN_DATABASE);

    // A file cut short: not checked, and the rip still completes.
    server.Serve(path, BuildAccurateRipDatabase(pressings), LocalHttpServer::Behaviour::Truncate);
    request.accurateRipBaseUrl = server.BaseUrl() + "/ar";
    request.outputFolder = (m_dir.path() / "truncated").string();
    result = RunRip(request, *reader, nullptr, nullptr);
    EXPECT_FALSE(result.accurateRipAsked);
    EXPECT_EQ(result.tracks[0].verdict.kind, AccurateRipVerdict::Kind::NotChecked);
    EXPECT_EQ(result.ExitCode(), RIP_EXIT_OK);
    EXPECT_TRUE(fs::exists(fs::path(request.outputFolder) / result.logFile));

    // A server that takes the request and never answers: the deadline ends the wait.
    server.Serve(path, "", LocalHttpServer::Behaviour::NeverAnswer);
    request.accurateRipTimeoutMs = 700;
    request.outputFolder = (m_dir.path() / "silent").string();
    const auto started = std::chrono::steady_clock::now();
    result = RunRip(request, *reader, nullptr, nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.tracks[2].status, RipTrackResult::Status::Ripped);
    EXPECT_NE(result.tracks[2].verdict.reason.find("no answer within 0.7 s"), std::string::npos)
        << result.tracks[2].verdict.reason;
    EXPECT_NE(result.logText.find("not checked (no answer within 0.7 s)"), std::string::npos);
}

TEST_F(RipDiscTest, CancelKeepsFinishedTracksAndLeavesNoHalfWrittenFile)
{
    Build(AudioDiscPlan({400, 400, 400, 400, 400}));
    ScriptedHttp noNetwork;
    std::atomic<int32_t> cancel{0};
    std::unique_ptr<RangeReader> plain = MakePlainRangeReader('E', 0, m_layout.leadOut);
    InterferingReader reader(*plain, &cancel);
    reader.cancelAtRead = 4;
    RipRequest request = Request("cancelled");
    request.encoderThreads = 1;
    const RipResult result = RunRip(request, reader, nullptr, &cancel);
    EXPECT_EQ(result.status, res::READ_CANCELLED);
    EXPECT_EQ(result.ExitCode(), RIP_EXIT_CANCELLED);

    // What is in the folder is whole: the finished tracks under their names, nothing else.
    size_t files = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(request.outputFolder)) {
        ++files;
        const std::string name = entry.path().filename().string();
        bool known = false;
        for (const RipTrackResult& track : result.tracks)
            if (track.fileName == name) {
                known = true;
                EXPECT_EQ(track.status, RipTrackResult::Status::Ripped) << name;
                const std::vector<PlannedTrack> planned = PlanTracks(m_layout);
                const PlannedTrack& plan = planned[track.number - 1];
                EXPECT_EQ(DecodedBytes(entry.path()), m_disc.Expected(plan.fileFirst, plan.Sectors()));
            }
        EXPECT_TRUE(known) << "left behind: " << name;
    }
    EXPECT_GE(files, 1u);
    EXPECT_LE(files, 3u);
    EXPECT_EQ(result.tracks[4].status, RipTrackResult::Status::Cancelled);
    EXPECT_TRUE(result.cueSheetFile.empty());
}

TEST_F(RipDiscTest, ATrackThatCannotBeReadIsReportedAndTheOthersAreRipped)
{
    Build(AudioDiscPlan({300, 300, 300}));
    ScriptedHttp noNetwork;
    std::unique_ptr<RangeReader> plain = MakePlainRangeReader('E', 0, m_layout.leadOut);
    InterferingReader reader(*plain, nullptr);
    reader.failRead = 2;
    RipRequest request = Request("failed");
    const RipResult result = RunRip(request, reader, nullptr, nullptr);
    ASSERT_EQ(result.status, 0);
    EXPECT_EQ(result.tracks[0].status, RipTrackResult::Status::Ripped);
    EXPECT_EQ(result.tracks[1].status, RipTrackResult::Status::ReadFailed);
    EXPECT_EQ(result.tracks[1].readStatus, DRIVE_ERROR_READ_FAULT);
    EXPECT_EQ(result.tracks[2].status, RipTrackResult::Status::Ripped);
    EXPECT_FALSE(fs::exists(fs::path(request.outputFolder) / result.tracks[1].fileName));
    EXPECT_EQ(result.ExitCode(), RIP_EXIT_READ_FAILED);
    EXPECT_NE(result.logText.find("read failed (drive error 18)"), std::string::npos);
    // The cue sheet names the two files there are, numbered one after the other.
    const std::string cue = ReadText(fs::path(request.outputFolder) / result.cueSheetFile);
    EXPECT_NE(cue.find("TRACK 02 AUDIO\n    TITLE \"Track 03\""), std::string::npos) << cue;
}

TEST_F(RipDiscTest, TheWrittenCueSheetInAVirtualDriveGivesTheSameDiscBack)
{
    mkdisc::DiscPlan plan = AudioDiscPlan({500, 350, 420}, mkdisc::AudioContent::Music, {75, 33});
    plan.catalog = "4006381333931";
    Build(plan);
    ScriptedHttp noNetwork;
    RipRequest request = Request("round");
    std::unique_ptr<RangeReader> reader = MakePlainRangeReader('E', 0, m_layout.leadOut);
    const RipResult result = RunRip(request, *reader, nullptr, nullptr);
    ASSERT_EQ(result.status, 0);
    ASSERT_FALSE(result.cueSheetFile.empty());

    // The FLAC files behind the written sheet, in drive F: beside the original in E:.
    const std::string sheet = (fs::path(request.outputFolder) / result.cueSheetFile).string();
    m_drives.Set({{'C', platform::DriveEntry::Kind::FixedDisk, "/"},
                  {'E', platform::DriveEntry::Kind::DiscImage, m_disc.sheet},
                  {'F', platform::DriveEntry::Kind::DiscImage, sheet}});
    platform::DiscLayout copy;
    std::string reason;
    ASSERT_TRUE(platform::ReadDiscLayout('F', &copy, &reason)) << reason;
    ASSERT_EQ(copy.tracks.size(), m_layout.tracks.size());
    for (size_t i = 0; i < copy.tracks.size(); ++i) {
        EXPECT_EQ(copy.tracks[i].number, m_layout.tracks[i].number);
        EXPECT_EQ(copy.tracks[i].start, m_layout.tracks[i].start) << i;
        EXPECT_EQ(copy.tracks[i].pregap, m_layout.tracks[i].pregap) << i;
        EXPECT_TRUE(copy.tracks[i].isAudio);
    }
    EXPECT_EQ(copy.leadOut, m_layout.leadOut);
    EXPECT_EQ(copy.catalog, "4006381333931");

    std::unique_ptr<RangeReader> again = MakePlainRangeReader('F', 0, copy.leadOut);
    std::vector<uint8_t> bytes(size_t{copy.leadOut} * kSector);
    RangeReadReport report;
    ASSERT_EQ(again->Read(0, copy.leadOut - 1, bytes.data(), nullptr, nullptr, &report), 0);
    EXPECT_TRUE(bytes == m_disc.Expected(0, m_layout.leadOut));
}

TEST_F(RipDiscTest, ASecureRipProvesEveryTrackWithATestAndACopyPass)
{
    Build(AudioDiscPlan({300, 250}, mkdisc::AudioContent::Music, {40}));
    ScriptedHttp noNetwork;
    AppSettings settings;
    std::string reason;
    std::unique_ptr<RangeReader> reader = MakeRipReader('E', true, 0, m_layout.leadOut, settings, &reason);
    ASSERT_TRUE(reader) << reason;
    EXPECT_TRUE(reader->IsSecure());
    EXPECT_FALSE(MakeRipReader('E', true, 5001, m_layout.leadOut, settings, &reason));
    EXPECT_NE(reason.find("-5000 and 5000"), std::string::npos);

    RipRequest request = Request("secure");
    const RipResult result = RunRip(request, *reader, nullptr, nullptr);
    ASSERT_EQ(result.status, 0);
    const std::vector<PlannedTrack> planned = PlanTracks(m_layout);
    for (size_t i = 0; i < result.tracks.size(); ++i) {
        const RipTrackResult& track = result.tracks[i];
        ASSERT_EQ(track.status, RipTrackResult::Status::Ripped) << track.error;
        EXPECT_TRUE(track.read.haveTestCrc);
        EXPECT_EQ(track.read.testCrc, track.read.copyCrc);
        EXPECT_EQ(DecodedBytes(fs::path(request.outputFolder) / track.fileName),
                  m_disc.Expected(planned[i].fileFirst, planned[i].Sectors()));
    }
    EXPECT_NE(result.logText.find("secure"), std::string::npos);
    EXPECT_NE(result.logText.find("Test CRC32:"), std::string::npos) << result.logText;
}
