// The table of contents behind the track list of the "Read CD digital audio" dialog: one record
// per track, 99 records (record i holds track i + 1), and the display time of a position.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "cdrom/address.h"

inline constexpr int MAX_TRACKS = 99;

struct TrackRecord {
    uint8_t startMinute = 0;
    uint8_t startSecond = 0;
    uint8_t startFrame = 0;
    uint8_t lengthMinute = 0;
    uint8_t lengthSecond = 0;
    uint8_t lengthFrame = 0;
    // The position of the track's last frame: start + length - 1 frame.
    uint8_t endMinute = 0;
    uint8_t endSecond = 0;
    uint8_t endFrame = 0;
    LogicalSector startSector = 0;
    uint32_t sectorCount = 0; // end sector - start sector + 1
    LogicalSector endSector = 0;
    int32_t nonAudio = 1; // 0 audio track, 1 any other track (and an empty record)
};

using TrackTable = std::array<TrackRecord, MAX_TRACKS>;

// Every record back to the empty state.
void ResetTrackTable(TrackTable& tracks);

// Fills a record from the packed MSF start position and packed MSF length of a track.
void FillTrackRecord(TrackRecord& record, uint32_t packedStart, uint32_t packedLength, bool isAudio);

// "%d:%02d" of a position rounded to the nearest second: a frame above 37 counts as one second
// more, and a second of 60 as one minute more (00:03:38 gives 0:04, 00:59:40 gives 1:00).
std::string DisplayTime(uint8_t minute, uint8_t second, uint8_t frame);
