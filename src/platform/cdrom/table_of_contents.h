// The table of contents of a compact disc, the one form in which every part of the program
// sees it: the device layer's discs, the CD audio driver behind MCI and the track list.
//
// Sector numbers are logical sectors: 0 is the first sector of the program area (00:02:00).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::cdrom {

struct Track {
    uint8_t number = 0;  // 1..99
    uint32_t start = 0;  // logical sector of INDEX 01
    uint32_t length = 0; // sectors from start to the next track's start (or the lead-out)
    uint32_t pregap = 0; // sectors before start that belong to this track (INDEX 00, PREGAP)
    bool isAudio = true; // false for a data (mode-1 or mode-2) track
    std::string isrc;    // the recording code of the track (12 characters), when known
    std::string title;   // from the image's CD-TEXT or TITLE, when it has one
};

struct TableOfContents {
    uint8_t firstTrack = 0;
    uint8_t lastTrack = 0;
    std::vector<Track> tracks; // in track order, tracks[i].number == firstTrack + i
    uint32_t leadOut = 0;      // logical sector of the lead-out, one past the last sector
    std::string catalog;       // the media catalogue number (13 digits), empty when the disc has none
    std::string title;         // the disc's title, when an image gives one

    // The index of the track holding a sector, or -1 when it lies before the first track or at
    // or after the lead-out.
    int TrackIndexAt(uint32_t sector) const;
    // One past the last sector of the track at index i: the next track's start or the lead-out.
    uint32_t TrackEnd(size_t i) const;
};

} // namespace platform::cdrom
