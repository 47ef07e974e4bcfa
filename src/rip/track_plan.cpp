#include "rip/track_plan.h"

std::vector<PlannedTrack> PlanTracks(const platform::DiscLayout& layout)
{
    std::vector<PlannedTrack> plan;
    const auto& tracks = layout.tracks;
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (!tracks[i].isAudio)
            continue;
        PlannedTrack track;
        track.number = tracks[i].number;
        track.slot = i;
        track.start = tracks[i].start;
        track.fileFirst =
            i == 0 && tracks[i].pregap <= tracks[i].start ? tracks[i].start - tracks[i].pregap : tracks[i].start;
        track.end = layout.TrackEnd(i);
        track.nextIndex0 = track.end;
        if (i + 1 < tracks.size()) {
            const platform::DiscLayoutTrack& next = tracks[i + 1];
            const uint32_t gap = next.pregap <= next.start - track.start ? next.pregap : 0;
            if (!next.isAudio)
                track.end = next.start - gap;
            track.nextIndex0 = next.isAudio ? next.start - gap : track.end;
        }
        if (track.end <= track.start)
            continue; // a track of no sectors has nothing to rip
        plan.push_back(track);
    }
    if (!plan.empty()) {
        plan.front().firstAudio = true;
        plan.back().lastAudio = true;
    }
    return plan;
}
