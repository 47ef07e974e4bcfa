// Which sectors of the disc go into which file of a rip. Every audio track is one file, from its
// INDEX 01 up to the next track's INDEX 01, so that the gap (INDEX 00) of a track ends the file
// of the track before it ("gaps appended to the previous track"). Special places:
//  - the first track of the disc keeps its own INDEX 00 (hidden audio before track 1) at the
//    start of its file, which nothing comes before;
//  - an audio track that a data track follows ends where that data track's gap begins;
//  - the gap of an audio track that follows a data track is in no file.
// The AccurateRip checksum of a track always runs from its INDEX 01 to the end of its file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/cdrom/disc_layout.h"

struct PlannedTrack {
    uint8_t number = 0;
    size_t slot = 0;         // place among all the disc's tracks (the AccurateRip slot)
    uint32_t fileFirst = 0;  // first sector of the file
    uint32_t start = 0;      // INDEX 01
    uint32_t end = 0;        // one past the file's last sector
    uint32_t nextIndex0 = 0; // where the next track's INDEX 00 lies in this file; end when it does not
    bool firstAudio = false; // the disc's first and last audio track (AccurateRip leaves out
    bool lastAudio = false;  // their outer five sectors)

    uint32_t Sectors() const { return end - fileFirst; }
    uint32_t CheckedSectors() const { return end - start; }
};

// One plan per audio track of the disc, in disc order.
std::vector<PlannedTrack> PlanTracks(const platform::DiscLayout& layout);
