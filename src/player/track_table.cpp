#include "player/track_table.h"

#include <cstdio>

namespace {

// The three bytes of a packed MSF value: minutes in the low byte, then seconds, then frames.
uint8_t PackedMinute(uint32_t msf) { return static_cast<uint8_t>(msf & 0xFF); }
uint8_t PackedSecond(uint32_t msf) { return static_cast<uint8_t>((msf >> 8) & 0xFF); }
uint8_t PackedFrame(uint32_t msf) { return static_cast<uint8_t>((msf >> 16) & 0xFF); }

} // namespace

void ResetTrackTable(TrackTable& tracks)
{
    tracks.fill(TrackRecord{});
}

void FillTrackRecord(TrackRecord& record, uint32_t packedStart, uint32_t packedLength, bool isAudio)
{
    record.startMinute = PackedMinute(packedStart);
    record.startSecond = PackedSecond(packedStart);
    record.startFrame = PackedFrame(packedStart);
    record.lengthMinute = PackedMinute(packedLength);
    record.lengthSecond = PackedSecond(packedLength);
    record.lengthFrame = PackedFrame(packedLength);

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
    if (second >= 60) {
        second -= 60;
        ++minute;
    } else if (second < 0) {
        second = 59;
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
    if (frame > 37)
        ++shownSecond;
    if (shownSecond == 60) {
        shownSecond = 0;
        ++shownMinute;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", static_cast<int>(shownMinute), static_cast<int>(shownSecond));
    return text;
}
