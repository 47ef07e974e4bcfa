// Where each sector of a disc image lies: the files an image names, found and measured, and
// per track the run of sectors it takes on the disc with the pieces of its stream. Made once
// from a DiscProgram (image_program.h), the same way for cue sheets, TOC files and Nero images.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/cdrom/image_program.h"
#include "platform/cdrom/table_of_contents.h"

namespace platform::cdrom {

struct ResolvedFile {
    std::string path;
    FileFormat format = FileFormat::Binary;
    uint64_t units = 0;    // bytes of a binary file, sample frames of a sound file
    uint64_t fileSize = 0; // bytes on disk
    int64_t modified = 0;  // nanoseconds
};

struct StreamPiece {
    uint64_t streamStart = 0; // bytes into the track's stream
    uint64_t length = 0;      // bytes of the stream
    bool zero = true;         // made-up zeros
    size_t file = 0;
    uint64_t offset = 0;    // file units at streamStart (bytes, or frames of a sound file)
    uint64_t available = 0; // bytes of the piece the file holds; the rest reads as zeros
    bool swapBytes = false;
};

struct TrackRun {
    uint32_t firstSector = 0; // logical sector of the track's first sector (its pregap included)
    uint32_t sectors = 0;
    TrackMode mode = TrackMode::Audio;
    uint32_t bytesPerSector = 0;     // in the stream
    std::vector<StreamPiece> pieces; // by stream position; bytes past the last one read as zeros
};

struct ImageLayout {
    std::vector<ResolvedFile> files;
    std::vector<TrackRun> runs; // one per track, in disc order, without holes, from sector 0
    TableOfContents toc;
};

// The largest disc the device requests can address (DiskOffset of a raw read is 32 bits).
inline constexpr uint64_t MAX_DISC_SECTORS = 2097152;

// Finds the program's files from folder, measures them and lays the tracks out. False and a
// reason naming the track, the file and the line on anything that does not fit.
bool BuildImageLayout(const DiscProgram& program, const std::string& folder, ImageLayout* layout, std::string* reason);

} // namespace platform::cdrom
