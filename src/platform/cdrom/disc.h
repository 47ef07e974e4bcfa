// A compact disc as the device layer sees it: a disc image file or the disc in a physical
// drive, opened through one backend per disc kind.
//
// Sector numbers are logical sectors: 0 is the first sector of the program area (00:02:00),
// which is libcdio's LSN 0. For a cue sheet, INDEX 01 of track 1 at 00:00:00 of its file is
// sector 0; PREGAP and POSTGAP add sectors that are in no file (they read as zeros, or as
// empty mode-1 sectors in a data track).
//
// Reads never run past the end: a read that touches the lead-out or beyond fails without
// writing anything; a read that fails on the medium itself may have written part of the
// destination. A Disc is used by one thread at a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform::cdrom {

class MmcDrive;

inline constexpr uint32_t RAW_BYTES_PER_SECTOR = 2352;
inline constexpr uint32_t COOKED_BYTES_PER_SECTOR = 2048;

struct Track {
    uint8_t number = 0;       // 1..99
    uint32_t start = 0;       // logical sector of INDEX 01
    uint32_t length = 0;      // sectors from start to the next track's start (or the lead-out)
    uint32_t pregap = 0;      // sectors before start that belong to this track (INDEX 00, PREGAP)
    bool isAudio = true;      // false for a data (mode-1 or mode-2) track
};

struct TableOfContents {
    uint8_t firstTrack = 0;
    uint8_t lastTrack = 0;
    std::vector<Track> tracks;  // in track order, tracks[i].number == firstTrack + i
    uint32_t leadOut = 0;       // logical sector of the lead-out, one past the last sector
};

class Disc {
public:
    virtual ~Disc() = default;

    virtual const TableOfContents& Toc() const = 0;

    // The media catalogue number (13 digits) or an empty string when the disc has none.
    virtual std::string MediaCatalogNumber() const = 0;

    // count raw 2352-byte sectors from first into destination: the samples of audio sectors as
    // on the disc; for data sectors the whole sector (sync, header, user data, EDC/ECC).
    virtual bool ReadRaw(uint32_t first, uint32_t count, uint8_t* destination) = 0;

    // count 2048-byte user-data blocks of data sectors (mode 1, or mode 2 form 1). Fails on
    // audio sectors, as a drive does.
    virtual bool ReadCooked(uint32_t first, uint32_t count, uint8_t* destination) = 0;

    // How many times the medium was seen to change. Images count changes of their files.
    virtual uint32_t MediaChangeCount() = 0;

    // The drive's own commands for a disc in a physical drive (reads with C2 error pointers or
    // outside the program area, the drive's name); nullptr for an image file.
    virtual MmcDrive* Mmc() { return nullptr; }
};

enum class SourceKind { PhysicalDrive, ImageFile };

// Opens the disc behind a device node ("/dev/sr0") or an image file (.cue, .toc, .nrg). On
// failure returns nullptr and a reason a user can act on (for example "FILE not found:
// /discs/track 02.bin (line 5)").
std::unique_ptr<Disc> OpenDisc(const std::string& source, SourceKind kind, std::string* reason);

// The ISO 9660 volume of the first data track: the volume space size in 2048-byte blocks.
// False for a disc without a data track or without a primary volume descriptor.
bool ReadIsoVolumeSize(Disc& disc, uint32_t* blocks);

} // namespace platform::cdrom
