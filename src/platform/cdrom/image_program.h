// What a disc image file says about its disc, in one form for every kind of image (cue sheet,
// cdrdao TOC file, Nero image): the files it names and, per track, the pieces of data the track
// is made of, in order, and where INDEX 01 lies. The readers of the image kinds produce it from
// their text or chunks; image_layout.h measures the files and lays the tracks out on the disc.
//
// A track's data is a stream of bytes cut into sectors of its mode's size in the file: the
// pieces one after the other, zero bytes padding the last sector. A piece is either zeros made
// up by the image (silence, empty data sectors) or a run of a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform::cdrom {

enum class TrackMode {
    Audio,    // 2352 bytes of samples a sector
    Mode1,    // the 2048 bytes of user data of a mode-1 sector
    Mode1Raw, // whole mode-1 sectors, 2352 bytes
    Mode2,    // mode-2 sectors without sync and header, 2336 bytes
    Mode2Raw, // whole mode-2 sectors, 2352 bytes
};

// Bytes a sector of this mode takes in a file.
uint32_t BytesPerFileSector(TrackMode mode);

enum class FileFormat {
    Binary, // bytes as they are
    Sound,  // a sound file libsndfile reads (WAVE, FLAC, AIFF ...): units are sample frames
};

struct ImageFile {
    std::string name; // as the image writes it
    FileFormat format = FileFormat::Binary;
    int line = 0; // where the image names it first (0: not a text image)
};

struct Piece {
    bool zero = false;        // zeros made up by the image; no file
    size_t file = 0;          // index into DiscProgram::files
    uint64_t offset = 0;      // where the piece starts in its file: a byte, or a sample frame of a sound file
    uint64_t length = 0;      // bytes of the track's stream; with toEnd, set when the file is measured
    bool toEnd = false;       // the piece runs to the end of its file
    bool padToSector = false; // the piece ends on a sector boundary, padded with zeros
    bool swapBytes = false;   // 16-bit samples stored with the most significant byte first
    std::string what;         // the statement that says where the piece ends, for messages
    int line = 0;
};

// A place in a track: after the first `piece` pieces (rounded up to a whole sector), then
// `sectors` sectors on.
struct TrackMark {
    size_t piece = 0;
    uint32_t sectors = 0;
};

struct ProgramTrack {
    int number = 0;
    TrackMode mode = TrackMode::Audio;
    std::vector<Piece> pieces;
    TrackMark start;       // INDEX 01; sectors before it are the track's pregap
    bool hasStart = false; // false: INDEX 01 is the track's first sector
    uint32_t postgap = 0;  // zero sectors after the pieces
    std::string isrc;
    std::string title;
    int line = 0;
};

struct DiscProgram {
    std::vector<ImageFile> files;
    std::vector<ProgramTrack> tracks;
    std::string catalog; // 13 digits, or empty
    std::string title;
};

// "what (line n)", or just what for line 0.
std::string AtLine(const std::string& what, int line);

} // namespace platform::cdrom
