#include "player/track_table.h"

#include <cstdio>

using platform::cdrom::Msf;
using platform::cdrom::UnpackMsf;

void ResetTrackTable(TrackTable& tracks) { tracks.fill(TrackRecord{}); }

void FillTrackRecord(TrackRecord& record, uint32_t packedStart, uint32_t packedLength, bool isAudio)
{
    const Msf start = UnpackMsf(packedStart);
    const Msf length = UnpackMsf(packedLength);
    record.startMinute = start.minute;
    record.startSecond = start.second;
    record.startFrame = start.frame;
    record.lengthMinute = length.minute;
    record.lengthSecond = length.second;
    record.lengthFrame = length.frame;

    // End = start + length - 1 frame, field by field with carry and borrow.
    int frame = record.startFrame + record.lengthFrame - 1;
    int second = record.startSecond + record.lengthSecond;
    int minute = record.startMinute + record.lengthMinute;
    if (frame >= static_cast<int>(FRAMES_PER_SECOND)) {
        frame -= FRAMES_PER_SECOND;
        ++second;
    } else if (frame < 0) {
        frame = FRAMES_PER_SECOND - 1;
        --second;
    }
    if (second >= static_cast<int>(SECONDS_PER_MINUTE)) {
        second -= SECONDS_PER_MINUTE;
        ++minute;
    } else if (second < 0) {
        second = SECONDS_PER_MINUTE - 1;
        --minute;
    }
    record.endMinute = static_cast<uint8_t>(minute);
    record.endSecond = static_cast<uint8_t>(second);
    record.endFrame = static_cast<uint8_t>(frame);

    record.startSector = MsfToSector(record.startMinute, record.startSecond, record.startFrame);
    record.endSector = MsfToSector(record.endMinute, record.endSecond, record.endFrame);
    record.sectorCount = record.endSector - record.startSector + 1;
    record.nonAudio = isAudio ? 0 : 1;
}

std::string DisplayTime(uint8_t minute, uint8_t second, uint8_t frame)
{
    unsigned shownMinute = minute;
    unsigned shownSecond = second;
    if (frame > FRAMES_PER_SECOND / 2)
        ++shownSecond;
    if (shownSecond == SECONDS_PER_MINUTE) {
        shownSecond = 0;
        ++shownMinute;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(shownMinute), static_cast<int>(shownSecond));
    return text;
}
