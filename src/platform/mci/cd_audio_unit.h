// The audio side of one CD-ROM drive, as the CD audio driver sees it: the table of contents of
// the disc in it, playing a range of sectors, stopping, seeking and the door. One unit serves
// every MCI device opened on its drive, so that they all see the same playing drive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/cdrom/table_of_contents.h"
#include "platform/drives.h"
#include "platform/mci/mci.h"

namespace platform {

class CdAudioUnit {
public:
    virtual ~CdAudioUnit() = default;
    // The disc's table of contents (at least one track); false when there is no disc (or the
    // door is open).
    virtual bool ReadToc(cdrom::TableOfContents& toc) = 0;
    // MCI_MODE_OPEN, MCI_MODE_NOT_READY, MCI_MODE_STOP, MCI_MODE_PLAY or MCI_MODE_PAUSE.
    virtual uint32_t Mode() = 0;
    // The logical sector being heard while playing, or where playing stopped.
    virtual uint32_t Position() = 0;
    // Starts playing the sectors from `from` up to, not including, `to` and returns at once.
    virtual MCIERROR Play(uint32_t from, uint32_t to) = 0;
    virtual MCIERROR Stop() = 0;
    // Stops playing and moves to a sector.
    virtual MCIERROR Seek(uint32_t sector) = 0;
    virtual MCIERROR OpenDoor() = 0;
    virtual MCIERROR CloseDoor() = 0;
};

// The unit for a drive of the drive table: libcdio's audio commands for a physical drive, a
// digital player through the sound output for a disc image.
std::unique_ptr<CdAudioUnit> CreatePhysicalCdAudioUnit(const std::string& device);
std::unique_ptr<CdAudioUnit> CreateImageCdAudioUnit(const std::string& imagePath);

// The identity of a disc as the freedb disc id: the digit sums of the track starts in seconds,
// the playing time in seconds and the number of tracks, in one 32-bit number.
uint32_t DiscIdentity(const cdrom::TableOfContents& toc);

} // namespace platform
