// The text of a cue sheet, parsed: its files, tracks, indexes and gaps. Checks what can be
// checked without the files; the layout on the disc is made by cue_disc.cpp.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace platform::cdrom {

enum class CueFileType { Binary, Motorola, Wave };  // Wave: any sound file libsndfile reads
enum class CueTrackMode { Audio, Mode1Cooked, Mode1Raw, Mode2Raw };

struct CueFile {
    std::string name;  // as written in the sheet
    CueFileType type = CueFileType::Binary;
    int line = 0;
};

struct CueTrack {
    int number = 0;
    CueTrackMode mode = CueTrackMode::Audio;
    size_t file = 0;                  // index into CueSheet::files
    std::map<int, uint32_t> indexes;  // index number -> frames from the start of the file
    uint32_t pregap = 0;              // PREGAP frames, in no file
    uint32_t postgap = 0;             // POSTGAP frames, in no file
    int line = 0;
    // A track whose first indexes (its gap) end the file before its own, as rippers write a
    // disc with gaps appended to the previous track: that file, and the frames into it where
    // the gap begins. indexes then hold only the indexes in the track's own file.
    bool gapInFileBefore = false;
    size_t gapFile = 0;
    uint32_t gapStart = 0;
};

struct CueSheet {
    std::string catalog;
    std::vector<CueFile> files;
    std::vector<CueTrack> tracks;
};

// Bytes a sector of this mode takes in a file: 2048 for MODE1/2048, 2352 for the others.
uint32_t BytesPerFileSector(CueTrackMode mode);

// Parses a sheet; false and a reason naming the line on any malformed or missing part.
bool ParseCueSheet(const std::string& text, CueSheet* sheet, std::string* reason);

} // namespace platform::cdrom
