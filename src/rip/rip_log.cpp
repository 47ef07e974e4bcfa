#include "rip/rip_log.h"

#include <cstdio>
#include <ctime>

#include "rip/cue_sheet_writer.h"
#include "rip/rip_job.h"

namespace {

constexpr uint32_t kLeadInSectors = 150;

std::string Format(const char* format, auto... values)
{
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// "mm:ss:ff (sector n)" of a logical sector, as the disc's clock shows it.
std::string Position(uint32_t sector) { return CueTime(sector + kLeadInSectors) + Format(" (sector %u)", sector); }

std::string StatusText(const RipTrackResult& track)
{
    switch (track.status) {
    case RipTrackResult::Status::Ripped:
        return track.read.suspiciousSectors.empty() ? "copy OK" : "copy finished with suspicious positions";
    case RipTrackResult::Status::ReadFailed: return Format("read failed (drive error %u)", track.readStatus);
    case RipTrackResult::Status::WriteFailed: return "the file could not be written: " + track.error;
    case RipTrackResult::Status::Cancelled: return "cancelled";
    case RipTrackResult::Status::Waiting: break;
    }
    return "not ripped";
}

} // namespace

std::string RipVerdictLine(const RipResult& result)
{
    if (result.AllAccurate())
        return "All tracks accurately ripped.";
    size_t accurate = 0, failed = 0;
    for (const RipTrackResult& track : result.tracks) {
        accurate +=
            track.status == RipTrackResult::Status::Ripped && track.verdict.kind == AccurateRipVerdict::Kind::Accurate;
        failed += track.status != RipTrackResult::Status::Ripped || !track.read.suspiciousSectors.empty();
    }
    std::string line =
        Format("Not all tracks are accurate: %zu of %zu accurately ripped", accurate, result.tracks.size());
    if (failed)
        line += Format(", %zu with read errors", failed);
    if (!result.accurateRipAsked)
        line += "; AccurateRip not checked (" + result.accurateRipReason + ")";
    return line + ".";
}

std::string BuildRipLog(const RipRequest& request, const RipResult& result, bool secure)
{
    std::string log;
    const std::time_t now = std::time(nullptr);
    char date[64] = {};
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S", std::localtime(&now));
    log += std::string("Ripwell ") + RIPWELL_VERSION + " rip log, " + date + "\n\n";

    log += Format("Drive:                 %c:", request.drive);
    if (!request.driveDescription.empty())
        log += " " + request.driveDescription;
    log += "\n";
    log += Format("Read offset:           %+d samples\n", request.readOffset);
    log += std::string("Read mode:             ") +
        (secure ? "secure (every sector read until two reads agree)" : "plain (every sector read once)") + "\n";
    if (request.format == AudioFormat::Flac)
        log += Format("Output format:         FLAC, compression level %u\n", request.flacLevel);
    else
        log += "Output format:         WAV\n";
    log += "Output folder:         " + request.outputFolder + "\n";
    if (!request.albumArtist.empty() || !request.album.empty())
        log += "Album:                 " + request.albumArtist + " / " + request.album + "\n";
    log += Format("AccurateRip disc id:   %03u-%08x-%08x-%08x\n", result.ids.trackCount, result.ids.id1, result.ids.id2,
                  result.ids.freedbId);
    log += Format("freedb disc id:        %08x\n", result.ids.freedbId);
    log += "MusicBrainz disc id:   " + (result.musicBrainzDiscId.empty() ? "-" : result.musicBrainzDiscId) + "\n";
    if (!request.layout.catalog.empty())
        log += "Catalog number:        " + request.layout.catalog + "\n";

    log += "\nTable of contents\n\n";
    log += "  Track |   Start  |  Length  | Start sector | End sector | Kind\n";
    log += "  ------+----------+----------+--------------+------------+------\n";
    const auto& tracks = request.layout.tracks;
    for (size_t i = 0; i < tracks.size(); ++i) {
        const uint32_t end = request.layout.TrackEnd(i);
        log += Format("  %5u | %s | %s | %12u | %10u | %s\n", tracks[i].number, CueTime(tracks[i].start).c_str(),
                      CueTime(end - tracks[i].start).c_str(), tracks[i].start, end - 1,
                      tracks[i].isAudio ? "audio" : "data");
    }
    log += Format("  Lead-out at sector %u\n", request.layout.leadOut);

    for (const RipTrackResult& track : result.tracks) {
        log += Format("\nTrack %2u\n\n", track.number);
        log += "  Title:                " + track.title + "\n";
        log += "  File:                 " + track.fileName + "\n";
        log +=
            "  Range:                " + Position(track.plan.fileFirst) + " to " + Position(track.plan.end - 1) + "\n";
        if (track.plan.fileFirst < track.plan.start)
            log += "  INDEX 01 at:          " + Position(track.plan.start) + "\n";
        if (track.plan.nextIndex0 < track.plan.end)
            log += "  Next track's gap at:  " + Position(track.plan.nextIndex0) + "\n";
        if (track.status == RipTrackResult::Status::Ripped) {
            if (track.read.haveTestCrc)
                log += Format("  Test CRC32:           %08X\n", track.read.testCrc);
            log += Format("  Copy CRC32:           %08X\n", track.read.copyCrc);
            if (track.read.haveTestCrc)
                log +=
                    track.read.testCrc == track.read.copyCrc ? "  Test and copy agree\n" : "  Test and copy differ\n";
            log += Format("  Re-reads:             %u\n", track.read.reReads);
            if (track.read.suspiciousSectors.empty()) {
                log += "  Suspicious positions: none\n";
            } else {
                log += Format("  Suspicious positions: %zu\n", track.read.suspiciousSectors.size());
                for (uint32_t sector : track.read.suspiciousSectors)
                    log += "    " + Position(sector) + "\n";
            }
            if (track.read.zeroSamples)
                log += Format("  Samples beyond the disc given as silence: %llu\n",
                              static_cast<unsigned long long>(track.read.zeroSamples));
            log += Format("  AccurateRip v1:       %08X\n", track.accurateRipV1);
            log += Format("  AccurateRip v2:       %08X\n", track.accurateRipV2);
            log += "  AccurateRip:          " + VerdictText(track.verdict) + "\n";
        }
        log += "  Status:               " + StatusText(track) + "\n";
    }

    log += "\nAccurateRip: ";
    if (result.accurateRipAsked)
        log += "the database was asked\n";
    else
        log += "not checked (" + result.accurateRipReason + ")\n";
    log += RipVerdictLine(result) + "\n";
    return log;
}
