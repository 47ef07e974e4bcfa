// A compact disc as the device layer sees it: a disc image file or the disc in a physical
// drive, opened through one backend per disc kind.
//
// Sector numbers are logical sectors: 0 is the first sector of the program area (00:02:00),
// which is libcdio's LSN 0. For an image, the first sector of its first track is sector 0;
// sectors an image makes up rather than holds (PREGAP, POSTGAP, SILENCE, ZERO) read as zeros in
// an audio track and as empty sectors of the track's mode in a data track.
//
// Reads never run past the end: a read that touches the lead-out or beyond fails without
// writing anything; a read that fails on the medium itself may have written part of the
// destination. A Disc is used by one thread at a time; discs opened on the same image share
// what they keep open, safely across threads.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/cdrom/msf.h"
#include "platform/cdrom/table_of_contents.h"

namespace platform::cdrom {

class MmcDrive;

class Disc {
public:
    virtual ~Disc() = default;

    // The table of contents, with the media catalogue number when the disc has one.
    virtual const TableOfContents& Toc() const = 0;

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
