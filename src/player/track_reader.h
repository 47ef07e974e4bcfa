// The "CD Track" list of the "Read CD digital audio" dialog without its widget: the disc in the
// drive read into the track table, and the texts of the list's rows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "player/cd_audio.h"
#include "player/track_table.h"

inline constexpr uint32_t DISC_ID_SIZE = 81;

// Empties the table and, when the device is open, opens it afresh on the drive and reads the
// disc's table of contents into it. Returns the number of tracks read; 0 when there is no
// device, no disc or no track (the errors have been reported by the device), and the list then
// stays empty. haveId tells whether discId holds the disc's identity.
uint32_t ReadTrackTable(CCDAudio& audio, char drive, TrackTable& tracks, char (&discId)[DISC_ID_SIZE], bool& haveId);

// One row of the list: the title with the picture of its kind (0 audio, 1 other), the display
// time of the length, the start and the end sector.
struct TrackRow {
    std::string title;
    int image = 0;
    std::string length;
    std::string startSector;
    std::string endSector;
};

// The rows of the first `count` tracks, with their titles from the title file.
std::vector<TrackRow> TrackRows(const TrackTable& tracks, uint32_t count, const char* discId, bool haveId);
