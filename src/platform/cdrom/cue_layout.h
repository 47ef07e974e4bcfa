// Where each sector of a cue sheet image lies: runs of sectors in a file, or gaps in no file.
#pragma once

#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "platform/cdrom/cue_sheet.h"
#include "platform/cdrom/disc.h"

namespace platform::cdrom {

struct ResolvedFile {
    std::string path;        // absolute or relative to the working folder
    CueFileType type = CueFileType::Binary;
    uint64_t sectors = 0;    // sectors the file holds (a partial last sector counts)
    uint64_t bytes = 0;      // BINARY/MOTOROLA: file size; sound files: sample frames
    uint64_t fileSize = 0;   // bytes of the file on disk
    int64_t modified = 0;    // modification time in nanoseconds
};

struct Extent {
    uint32_t firstSector = 0;  // logical sector
    uint32_t count = 0;
    CueTrackMode mode = CueTrackMode::Audio;
    bool inFile = false;       // false: a gap that is in no file
    size_t file = 0;
    uint64_t fileSector = 0;   // sector of the file at firstSector, in this extent's sector size
    uint64_t byteOffset = 0;   // byte of the file at firstSector (binary files)
};

struct CueLayout {
    std::vector<ResolvedFile> files;
    std::vector<Extent> extents;  // in sector order, without holes, from sector 0 to the lead-out
    TableOfContents toc;
};

// Resolves the sheet's files against its folder, measures them and lays the tracks out.
bool BuildCueLayout(const CueSheet& sheet, const std::string& folder, CueLayout* layout, std::string* reason);

// Finds the file and measures it (size, time, sample frames of a sound file).
bool MeasureFile(ResolvedFile* file, std::string* reason);

} // namespace platform::cdrom
