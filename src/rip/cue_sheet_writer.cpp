#include "rip/cue_sheet_writer.h"

#include <cstdio>

#include "rip/rip_job.h"

namespace {

constexpr uint32_t kFramesPerSecond = 75;

// Cue sheets have no escape for a quotation mark inside a quoted text.
std::string Quoted(const std::string& text)
{
    std::string out = "\"";
    for (char c : text)
        out += c == '"' ? '\'' : (c == '\r' || c == '\n') ? ' ' : c;
    return out + "\"";
}

std::string TrackNumber(unsigned number)
{
    char text[8];
    std::snprintf(text, sizeof text, "%02u", number);
    return text;
}

} // namespace

std::string CueTime(uint32_t sectors)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", sectors / (60 * kFramesPerSecond),
                  sectors / kFramesPerSecond % 60, sectors % kFramesPerSecond);
    return text;
}

std::string BuildCueSheet(const RipRequest& request, const RipResult& result)
{
    std::string cue;
    if (!request.date.empty())
        cue += "REM DATE " + request.date + "\n";
    char freedb[16];
    std::snprintf(freedb, sizeof freedb, "%08X", result.ids.freedbId);
    cue += std::string("REM DISCID ") + freedb + "\n";
    if (!result.musicBrainzDiscId.empty())
        cue += "REM MUSICBRAINZ_DISCID " + result.musicBrainzDiscId + "\n";
    cue += std::string("REM COMMENT \"Ripwell ") + RIPWELL_VERSION + "\"\n";
    if (!request.layout.catalog.empty())
        cue += "CATALOG " + request.layout.catalog + "\n";
    const std::string performer = !request.albumArtist.empty() ? request.albumArtist : request.layout.performer;
    const std::string title = !request.album.empty() ? request.album : request.layout.title;
    if (!performer.empty())
        cue += "PERFORMER " + Quoted(performer) + "\n";
    if (!title.empty())
        cue += "TITLE " + Quoted(title) + "\n";

    // The written tracks, in disc order.
    std::vector<const RipTrackResult*> written;
    for (const RipTrackResult& track : result.tracks)
        if (track.status == RipTrackResult::Status::Ripped)
            written.push_back(&track);
    bool discNumbers = true;
    for (size_t i = 1; i < written.size(); ++i)
        discNumbers &= written[i]->number == written[i - 1]->number + 1;

    const RipTrackResult* previous = nullptr;
    for (size_t i = 0; i < written.size(); ++i) {
        const RipTrackResult& track = *written[i];
        const unsigned number = discNumbers ? track.number : written.front()->number + static_cast<unsigned>(i);
        // Is this track's gap at the end of the previous file?
        const bool gapInPreviousFile = previous && previous->number + 1 == track.number &&
            previous->plan.nextIndex0 < previous->plan.end && previous->plan.end == track.plan.start;
        const auto& layoutTracks = request.layout.tracks;
        const platform::DiscLayoutTrack* disc =
            track.plan.slot < layoutTracks.size() ? &layoutTracks[track.plan.slot] : nullptr;

        std::string header = "  TRACK " + TrackNumber(number) + " AUDIO\n";
        if (!track.title.empty())
            header += "    TITLE " + Quoted(track.title) + "\n";
        if (!track.artist.empty())
            header += "    PERFORMER " + Quoted(track.artist) + "\n";
        if (disc && !disc->isrc.empty())
            header += "    ISRC " + disc->isrc + "\n";
        const std::string file = "FILE " + Quoted(track.fileName) + " WAVE\n";

        if (gapInPreviousFile) {
            cue += header;
            cue += "    INDEX 00 " + CueTime(previous->plan.nextIndex0 - previous->plan.fileFirst) + "\n";
            cue += file;
            cue += "    INDEX 01 00:00:00\n";
        } else {
            cue += file + header;
            const uint32_t ownGap = track.plan.start - track.plan.fileFirst;
            const uint32_t lostGap = disc && disc->pregap <= track.plan.start ? disc->pregap - ownGap : 0;
            if (ownGap > 0)
                cue += "    INDEX 00 00:00:00\n";
            else if (lostGap > 0 && disc->pregap >= ownGap)
                cue += "    PREGAP " + CueTime(lostGap) + "\n";
            cue += "    INDEX 01 " + CueTime(ownGap) + "\n";
        }
        previous = &track;
    }
    return cue;
}
