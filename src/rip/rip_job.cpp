#include "rip/rip_job.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/atomic_file.h"
#include "platform/block_memory.h"
#include "platform/http.h"
#include "res/resource.h"
#include "rip/cue_sheet_writer.h"
#include "rip/file_naming.h"
#include "rip/musicbrainz.h"
#include "rip/rip_log.h"

namespace {

constexpr uint64_t kSectorBytes = 2352;
constexpr auto kProgressInterval = std::chrono::milliseconds(100);

using Clock = std::chrono::steady_clock;

struct BlockDeleter {
    void operator()(uint8_t* block) const { platform::ReleaseDataBlock(block); }
};
using SampleBlock = std::unique_ptr<uint8_t, BlockDeleter>;

// What the database said, for every encoder to look at.
struct LookupOutcome {
    bool asked = false; // a database file or a "not found" came back
    std::string reason; // why not asked, or why the answer is unusable
    std::vector<AccurateRipPressing> pressings;
};

LookupOutcome LookUpAccurateRip(const std::string& url, int timeoutMs, const std::atomic<int32_t>* cancelFlag)
{
    LookupOutcome outcome;
    platform::HttpRequest request;
    request.url = url;
    request.timeoutMs = timeoutMs;
    request.headers = {{"User-Agent", MusicBrainzUserAgent()}};
    const platform::HttpResponse response = platform::HttpGet(request, cancelFlag);
    if (response.answered && response.status == 404) {
        outcome.asked = true; // the disc is not in the database: no pressing
        return outcome;
    }
    if (!response.Ok()) {
        outcome.reason = response.error.empty() ? "no answer" : response.error;
        return outcome;
    }
    if (!ParseAccurateRipDatabase(response.body, &outcome.pressings, &outcome.reason)) {
        outcome.pressings.clear();
        return outcome;
    }
    outcome.asked = true;
    return outcome;
}

bool Cancelled(const std::atomic<int32_t>* flag) { return flag && flag->load(std::memory_order_relaxed) != 0; }

std::string Hex8(uint32_t value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

class RipRun : public RangeReadProgress {
public:
    RipRun(const RipRequest& request, RangeReader& reader, RipObserver* observer,
           const std::atomic<int32_t>* cancelFlag)
        : m_request(request),
          m_reader(reader),
          m_observer(observer),
          m_cancel(cancelFlag)
    {
    }

    RipResult Run();

    // Progress of the read in hand, passed on with the encoders' share of the work.
    void OnPass(ReadPass pass) override
    {
        if (m_observer)
            m_observer->OnPass(m_current, pass);
    }
    void OnRead(uint32_t sector, uint64_t done, uint64_t total) override
    {
        // A secure read counts passes as units; scale them onto the track's bytes.
        const uint64_t trackBytes = m_result.tracks[m_current].plan.Sectors() * kSectorBytes;
        m_readInTrack = total ? trackBytes * done / total : 0;
        m_sector = sector;
        Report(false);
    }

private:
    bool Prepare();
    void StartEncoders();
    void Encode(size_t index, SampleBlock samples);
    void EncoderLoop();
    void Report(bool force);
    void DrainFinished();
    VorbisComments Comments(const RipTrackResult& track, const std::string& verdict) const;

    const RipRequest& m_request;
    RangeReader& m_reader;
    RipObserver* m_observer;
    const std::atomic<int32_t>* m_cancel;
    RipResult m_result;
    std::string m_accurateRipDiscId;

    std::shared_future<LookupOutcome> m_lookup;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<size_t, SampleBlock>> m_pending; // read, waiting for an encoder
    std::deque<size_t> m_finished;                        // results to tell the observer
    std::vector<SampleBlock> m_freeBlocks;                // blocks of m_blockBytes to use again
    uint64_t m_blockBytes = 0;                            // the largest chosen track
    size_t m_inMemory = 0;                                // tracks whose samples are held
    size_t m_encoded = 0;
    bool m_noMoreTracks = false;
    std::vector<std::thread> m_encoders;
    unsigned m_encoderCount = 1;

    std::atomic<uint64_t> m_encodedBytes{0};
    uint64_t m_readBytes = 0; // of the tracks read before the current one
    uint64_t m_readInTrack = 0;
    uint64_t m_totalBytes = 0;
    size_t m_current = 0;
    uint32_t m_sector = 0;
    Clock::time_point m_lastReport{};
};

bool RipRun::Prepare()
{
    const platform::DiscLayout& layout = m_request.layout;
    m_result.ids = ComputeAccurateRipIds(layout);
    m_result.musicBrainzDiscId = MusicBrainzDiscId(layout);
    char discId[40];
    std::snprintf(discId, sizeof discId, "%03u-%08x-%08x-%08x", m_result.ids.trackCount, m_result.ids.id1,
                  m_result.ids.id2, m_result.ids.freedbId);
    m_accurateRipDiscId = discId;

    const std::vector<PlannedTrack> plan = PlanTracks(layout);
    std::vector<std::string> names;
    for (const RipTrackChoice& choice : m_request.tracks) {
        const PlannedTrack* planned = nullptr;
        for (const PlannedTrack& track : plan)
            if (track.number == choice.number)
                planned = &track;
        if (!planned)
            continue;
        RipTrackResult track;
        track.number = choice.number;
        track.title = choice.title;
        track.artist = choice.artist.empty() ? m_request.albumArtist : choice.artist;
        track.plan = *planned;
        FileNameFields fields{choice.number, choice.title, track.artist, m_request.album, m_request.albumArtist};
        names.push_back(FileNameFromPattern(
            m_request.fileNamePattern.empty() ? DEFAULT_FILE_NAME_PATTERN : m_request.fileNamePattern, fields));
        m_result.tracks.push_back(track);
        m_totalBytes += 2 * uint64_t{planned->Sectors()} * kSectorBytes; // read once, encoded once
        m_blockBytes = std::max<uint64_t>(m_blockBytes, uint64_t{planned->Sectors()} * kSectorBytes);
    }
    if (m_result.tracks.empty()) {
        m_result.error = "there is no audio track to rip";
        return false;
    }
    MakeNamesDistinct(&names);
    for (size_t i = 0; i < names.size(); ++i)
        m_result.tracks[i].fileName = names[i] + AudioFileExtension(m_request.format);

    std::error_code error;
    std::filesystem::create_directories(m_request.outputFolder, error);
    if (!std::filesystem::is_directory(m_request.outputFolder)) {
        m_result.error = "the output folder " + m_request.outputFolder + " cannot be made" +
            (error ? ": " + error.message() : std::string());
        return false;
    }
    return true;
}

VorbisComments RipRun::Comments(const RipTrackResult& track, const std::string& verdict) const
{
    const auto& layoutTracks = m_request.layout.tracks;
    std::string isrc;
    if (track.plan.slot < layoutTracks.size())
        isrc = layoutTracks[track.plan.slot].isrc;
    return {
        {"TITLE", track.title},
        {"ARTIST", track.artist},
        {"ALBUM", m_request.album},
        {"ALBUMARTIST", m_request.albumArtist},
        {"TRACKNUMBER", std::to_string(track.number)},
        {"TRACKTOTAL", std::to_string(m_result.ids.trackCount)},
        {"DATE", m_request.date},
        {"ISRC", isrc},
        {"MUSICBRAINZ_DISCID", m_result.musicBrainzDiscId},
        {"ACCURATERIPDISCID", m_accurateRipDiscId},
        {"ACCURATERIPRESULT", verdict},
        {"ACCURATERIPCRC", Hex8(track.accurateRipV1)},
        {"ACCURATERIPCRCV2", Hex8(track.accurateRipV2)},
        {"ENCODER", std::string("Ripwell ") + RIPWELL_VERSION},
    };
}

void RipRun::Encode(size_t index, SampleBlock samples)
{
    RipTrackResult track;
    {
        std::lock_guard lock(m_mutex);
        track = m_result.tracks[index];
    }
    const PlannedTrack& plan = track.plan;
    const uint8_t* pcm = samples.get();
    const size_t bytes = size_t{plan.Sectors()} * kSectorBytes;

    // The checksum runs from INDEX 01; hidden audio before track 1 is in the file, not in it.
    const size_t skipped = size_t{plan.start - plan.fileFirst} * kSectorBytes;
    AccurateRipChecksum checksum(uint64_t{plan.CheckedSectors()} * (kSectorBytes / 4), plan.firstAudio, plan.lastAudio);
    checksum.Add(pcm + skipped, bytes - skipped);
    track.accurateRipV1 = checksum.V1();
    track.accurateRipV2 = checksum.V2();

    if (!m_request.checkAccurateRip) {
        track.verdict.reason = "not asked for";
    } else {
        const LookupOutcome& outcome = m_lookup.get();
        if (outcome.asked)
            track.verdict =
                VerifyAccurateRipTrack(outcome.pressings, plan.slot, track.accurateRipV1, track.accurateRipV2);
        else
            track.verdict.reason = outcome.reason;
    }

    AudioFileOptions options;
    options.format = m_request.format;
    options.flacLevel = m_request.flacLevel;
    options.comments = Comments(track, VerdictText(track.verdict));
    const std::string path = (std::filesystem::path(m_request.outputFolder) / track.fileName).string();
    std::string reason;
    if (WriteAudioFile(path, pcm, bytes, options, m_cancel, &reason)) {
        track.status = RipTrackResult::Status::Ripped;
    } else {
        track.status = Cancelled(m_cancel) ? RipTrackResult::Status::Cancelled : RipTrackResult::Status::WriteFailed;
        track.error = reason;
    }
    m_encodedBytes += bytes;
    std::lock_guard lock(m_mutex);
    // Memory the kernel has already given is used again: a fresh block costs a fault a page.
    m_freeBlocks.push_back(std::move(samples));
    m_result.tracks[index] = track;
    m_finished.push_back(index);
    --m_inMemory;
    ++m_encoded;
    m_changed.notify_all();
}

void RipRun::EncoderLoop()
{
    for (;;) {
        std::pair<size_t, SampleBlock> work;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return !m_pending.empty() || m_noMoreTracks; });
            if (m_pending.empty())
                return;
            work = std::move(m_pending.front());
            m_pending.pop_front();
        }
        Encode(work.first, std::move(work.second));
    }
}

void RipRun::StartEncoders()
{
    m_encoderCount = m_request.encoderThreads ? m_request.encoderThreads : std::thread::hardware_concurrency();
    if (m_encoderCount == 0)
        m_encoderCount = 1;
    for (unsigned i = 0; i < m_encoderCount; ++i)
        m_encoders.emplace_back([this] { EncoderLoop(); });
}

void RipRun::DrainFinished()
{
    for (;;) {
        size_t index;
        RipTrackResult track;
        {
            std::lock_guard lock(m_mutex);
            if (m_finished.empty())
                return;
            index = m_finished.front();
            m_finished.pop_front();
            track = m_result.tracks[index];
        }
        if (m_observer)
            m_observer->OnTrackFinished(index, track);
    }
}

void RipRun::Report(bool force)
{
    DrainFinished();
    const Clock::time_point now = Clock::now();
    if (!m_observer || (!force && now - m_lastReport < kProgressInterval))
        return;
    m_lastReport = now;
    m_observer->OnProgress(m_current, m_sector, m_readBytes + m_readInTrack + m_encodedBytes.load(), m_totalBytes);
}

RipResult RipRun::Run()
{
    const Clock::time_point started = Clock::now();
    if (!Prepare())
        return m_result;
    if (m_request.checkAccurateRip) {
        const std::string url = AccurateRipUrl(m_request.accurateRipBaseUrl, m_result.ids);
        const int timeoutMs = m_request.accurateRipTimeoutMs;
        const std::atomic<int32_t>* cancel = m_cancel;
        m_lookup = std::async(std::launch::async, [url, timeoutMs, cancel] {
                       return LookUpAccurateRip(url, timeoutMs, cancel);
                   }).share();
    }
    StartEncoders();

    for (size_t index = 0; index < m_result.tracks.size() && !Cancelled(m_cancel); ++index) {
        {
            // Hold at most one track more than there are encoders.
            std::unique_lock lock(m_mutex);
            while (m_inMemory > m_encoderCount) {
                m_changed.wait_for(lock, kProgressInterval);
                lock.unlock();
                Report(false);
                lock.lock();
            }
        }
        RipTrackResult& track = m_result.tracks[index];
        const PlannedTrack plan = track.plan;
        m_current = index;
        m_readInTrack = 0;
        m_sector = plan.fileFirst;
        if (m_observer)
            m_observer->OnTrackStarted(index, track);
        const uint64_t bytes = uint64_t{plan.Sectors()} * kSectorBytes;
        SampleBlock samples;
        {
            std::lock_guard lock(m_mutex);
            if (!m_freeBlocks.empty()) {
                samples = std::move(m_freeBlocks.back());
                m_freeBlocks.pop_back();
            }
        }
        if (!samples)
            samples.reset(platform::AllocateDataBlock(m_blockBytes));
        uint16_t status = samples ? 0 : res::READ_NO_BUFFER_MEMORY;
        RangeReadReport report;
        if (status == 0)
            status = m_reader.Read(plan.fileFirst, plan.end - 1, samples.get(), this, m_cancel, &report);
        m_readBytes += bytes;
        m_readInTrack = 0;
        if (status == res::READ_CANCELLED || Cancelled(m_cancel))
            break;
        std::lock_guard lock(m_mutex);
        track.read = report;
        if (status != 0) {
            m_freeBlocks.push_back(std::move(samples));
            track.status = RipTrackResult::Status::ReadFailed;
            track.readStatus = status;
            m_encodedBytes += bytes; // nothing to encode for it
            m_finished.push_back(index);
            continue;
        }
        ++m_inMemory;
        m_pending.emplace_back(index, std::move(samples));
        m_changed.notify_all();
    }
    {
        std::unique_lock lock(m_mutex);
        m_noMoreTracks = true;
        m_changed.notify_all();
        while (!m_pending.empty() || m_inMemory > 0) {
            m_changed.wait_for(lock, kProgressInterval);
            lock.unlock();
            Report(false);
            lock.lock();
        }
    }
    for (std::thread& encoder : m_encoders)
        encoder.join();
    Report(true);

    if (Cancelled(m_cancel)) {
        m_result.status = res::READ_CANCELLED;
        for (RipTrackResult& track : m_result.tracks)
            if (track.status == RipTrackResult::Status::Waiting)
                track.status = RipTrackResult::Status::Cancelled;
        return m_result;
    }
    if (m_request.checkAccurateRip) {
        const LookupOutcome& outcome = m_lookup.get();
        m_result.accurateRipAsked = outcome.asked;
        m_result.accurateRipReason = outcome.reason;
    } else {
        m_result.accurateRipReason = "not asked for";
    }

    // The cue sheet and the log, each whole or not at all.
    const std::filesystem::path folder(m_request.outputFolder);
    std::string base = m_request.cueSheetName;
    if (base.empty())
        base = m_request.album.empty()
            ? "disc"
            : SafeFileName(m_request.albumArtist.empty() ? m_request.album
                                                         : m_request.albumArtist + " - " + m_request.album);
    m_result.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    if (platform::WriteFileAtomically((folder / (base + ".cue")).string(), BuildCueSheet(m_request, m_result)))
        m_result.cueSheetFile = base + ".cue";
    m_result.logText = BuildRipLog(m_request, m_result, m_reader.IsSecure());
    if (platform::WriteFileAtomically((folder / (base + ".log")).string(), m_result.logText))
        m_result.logFile = base + ".log";
    return m_result;
}

} // namespace

bool RipResult::AllRead() const
{
    if (status != 0 || tracks.empty())
        return false;
    for (const RipTrackResult& track : tracks)
        if (!track.ReadConsistently())
            return false;
    return true;
}

bool RipResult::AllAccurate() const
{
    if (status != 0 || tracks.empty())
        return false;
    for (const RipTrackResult& track : tracks)
        if (track.status != RipTrackResult::Status::Ripped || track.verdict.kind != AccurateRipVerdict::Kind::Accurate)
            return false;
    return true;
}

int RipResult::ExitCode() const
{
    if (status == res::READ_CANCELLED)
        return RIP_EXIT_CANCELLED;
    if (tracks.empty())
        return RIP_EXIT_NO_DISC;
    if (!error.empty() || cueSheetFile.empty() || logFile.empty())
        return RIP_EXIT_WRITE_FAILED;
    bool readFailed = status != 0, writeFailed = false, mismatch = false, unknown = false;
    for (const RipTrackResult& track : tracks) {
        readFailed |= track.status == RipTrackResult::Status::ReadFailed || !track.read.suspiciousSectors.empty();
        writeFailed |= track.status == RipTrackResult::Status::WriteFailed;
        mismatch |= track.verdict.kind == AccurateRipVerdict::Kind::Mismatch;
        unknown |= track.verdict.kind == AccurateRipVerdict::Kind::NotInDatabase;
    }
    if (writeFailed)
        return RIP_EXIT_WRITE_FAILED;
    if (readFailed)
        return RIP_EXIT_READ_FAILED;
    if (mismatch)
        return RIP_EXIT_NOT_ACCURATE;
    if (unknown)
        return RIP_EXIT_NOT_IN_DATABASE;
    return RIP_EXIT_OK;
}

std::string VerdictText(const AccurateRipVerdict& verdict)
{
    switch (verdict.kind) {
    case AccurateRipVerdict::Kind::Accurate:
        return "accurate (confidence " + std::to_string(verdict.confidence) + " of " +
            std::to_string(verdict.totalConfidence) + ", v" + std::to_string(verdict.version) + ")";
    case AccurateRipVerdict::Kind::NotInDatabase: return "not in the database";
    case AccurateRipVerdict::Kind::Mismatch:
        return "mismatch (database: " + Hex8(verdict.databaseCrc) + ", confidence " +
            std::to_string(verdict.totalConfidence) + ")";
    case AccurateRipVerdict::Kind::NotChecked: break;
    }
    return "not checked" + (verdict.reason.empty() ? std::string() : " (" + verdict.reason + ")");
}

RipResult RunRip(const RipRequest& request, RangeReader& reader, RipObserver* observer,
                 const std::atomic<int32_t>* cancelFlag)
{
    RipRun run(request, reader, observer, cancelFlag);
    return run.Run();
}
