// What a rip of a whole disc needs to know about the disc in a drive, beyond what the CD audio
// device tells: every track's start and the sectors before it that belong to it (INDEX 00 or a
// pregap), its kind, the media catalogue number, the recording codes (ISRC) and the CD-TEXT
// titles and performers where the disc has them.
//
// The real backend looks the drive letter up in the drive table and opens the disc behind it
// (an image file or a physical drive); a test installs a service of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct DiscLayoutTrack {
    uint8_t number = 0;  // 1..99
    uint32_t start = 0;  // logical sector of INDEX 01
    uint32_t pregap = 0; // sectors before start that belong to this track
    bool isAudio = true;
    std::string isrc;      // 12 characters, empty when unknown
    std::string title;     // CD-TEXT, empty when unknown
    std::string performer; // CD-TEXT, empty when unknown
};

struct DiscLayout {
    std::vector<DiscLayoutTrack> tracks; // in disc order
    uint32_t leadOut = 0;                // logical sector one past the last sector of the disc
    std::string catalog;                 // 13 digits, empty when the disc has none
    std::string title;                   // CD-TEXT of the disc, empty when unknown
    std::string performer;

    // One past the last sector of the track at index i: the next track's start or the lead-out.
    uint32_t TrackEnd(size_t i) const { return i + 1 < tracks.size() ? tracks[i + 1].start : leadOut; }
};

class DiscLayoutService {
public:
    virtual ~DiscLayoutService() = default;
    // False and a reason a user can act on when the drive holds no readable disc.
    virtual bool Read(char driveLetter, DiscLayout* layout, std::string* reason) = 0;
};

// The layout of the disc in the drive of that letter (either case).
bool ReadDiscLayout(char driveLetter, DiscLayout* layout, std::string* reason);

// Installs a layout service; nullptr goes back to the real one. The caller keeps ownership.
void SetDiscLayoutService(DiscLayoutService* service);

} // namespace platform
