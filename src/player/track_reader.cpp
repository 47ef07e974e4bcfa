#include "player/track_reader.h"

#include <algorithm>

#include "player/disc_titles.h"

uint32_t ReadTrackTable(CCDAudio& audio, char drive, TrackTable& tracks, char (&discId)[DISC_ID_SIZE], bool& haveId)
{
    ResetTrackTable(tracks);
    haveId = false;
    if (audio.DeviceId() == 0)
        return 0;
    // Every reading works on a newly opened device.
    audio.Close();
    audio.Open(drive);
    if (audio.DeviceId() == 0)
        return 0;
    const bool identity = audio.GetMediaIdentity(discId, DISC_ID_SIZE);
    if (audio.IsMediaPresent() == 0)
        return 0;
    const uint32_t count = std::min<uint32_t>(audio.GetNumberOfTracks(), MAX_TRACKS);
    for (uint32_t track = 1; track <= count; ++track) {
        const uint32_t start = audio.GetTrackPosition(track);
        const uint32_t length = audio.GetTrackLength(track);
        FillTrackRecord(tracks[track - 1], start, length, audio.IsAudioTrack(track));
    }
    haveId = count > 0 && identity;
    return count;
}

std::vector<TrackRow> TrackRows(const TrackTable& tracks, uint32_t count, const char* discId, bool haveId)
{
    std::vector<TrackRow> rows;
    for (uint32_t i = 0; i < count && i < tracks.size(); ++i) {
        const TrackRecord& track = tracks[i];
        TrackRow row;
        row.title = TrackTitle(discId, haveId, static_cast<int>(i));
        row.image = track.nonAudio ? 1 : 0;
        row.length = DisplayTime(track.lengthMinute, track.lengthSecond, track.lengthFrame);
        row.startSector = std::to_string(track.startSector);
        row.endSector = std::to_string(track.endSector);
        rows.push_back(std::move(row));
    }
    return rows;
}
