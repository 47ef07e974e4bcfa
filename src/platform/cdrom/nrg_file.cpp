#include "platform/cdrom/nrg_file.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <vector>

#include "platform/cdrom/image_layout.h"
#include "platform/cdrom/msf.h"

namespace platform::cdrom {

namespace {

constexpr uint64_t MAX_CHUNK_BYTES = 1 << 20;

uint64_t BigEndian(const std::string& bytes, size_t at, size_t width)
{
    uint64_t value = 0;
    for (size_t i = 0; i < width; ++i)
        value = value << 8 | static_cast<uint8_t>(bytes[at + i]);
    return value;
}

int Bcd(uint8_t value) { return (value >> 4) * 10 + (value & 0x0F); }

// The track of the image as its chunks give it: where its sectors lie in the file.
struct NeroTrack {
    uint32_t sectorSize = 0;
    uint32_t modeCode = 0;
    uint64_t pregapOffset = 0;     // byte of the file where INDEX 00 begins
    uint64_t startOffset = 0;      // where INDEX 01 begins
    uint64_t endOffset = 0;        // one past the track's last byte
    std::optional<int64_t> index0; // logical sectors from the cue points
    std::optional<int64_t> index1;
    std::string isrc;
};

struct Chunks {
    std::vector<NeroTrack> tracks;
    std::string catalog;
};

bool ModeOf(uint32_t modeCode, uint32_t sectorSize, TrackMode* mode)
{
    struct Known {
        uint32_t code, size;
        TrackMode mode;
    };
    static const Known KNOWN[] = {{0x07, 2352, TrackMode::Audio},
                                  {0x05, 2352, TrackMode::Mode1Raw},
                                  {0x06, 2352, TrackMode::Mode2Raw},
                                  {0x00, 2048, TrackMode::Mode1},
                                  {0x03, 2336, TrackMode::Mode2}};
    for (const Known& known : KNOWN)
        if (known.code == modeCode && known.size == sectorSize) {
            *mode = known.mode;
            return true;
        }
    return false;
}

std::string Printable(const std::string& bytes, size_t at, size_t width)
{
    std::string text = bytes.substr(at, width);
    text.erase(std::find(text.begin(), text.end(), '\0'), text.end());
    const bool printable = std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isalnum(c); });
    return printable ? text : std::string();
}

// DAOX (64-bit offsets) or DAOI (32-bit): a 22-byte head with the catalogue number, then one
// entry per track: ISRC, sector size, mode, and the offsets of INDEX 00, INDEX 01 and the end.
bool DiscAtOnce(const std::string& data, bool wide, Chunks* chunks, std::string* reason)
{
    constexpr size_t HEAD = 22;
    const size_t entry = wide ? 42 : 30;
    const size_t width = wide ? 8 : 4;
    if (data.size() < HEAD || (data.size() - HEAD) % entry != 0 || data.size() == HEAD) {
        *reason = "its track chunk (DAO) has a size of " + std::to_string(data.size()) + " bytes, no whole entries";
        return false;
    }
    const std::string catalog = Printable(data, 4, 13);
    if (catalog.size() == 13 && std::all_of(catalog.begin(), catalog.end(), ::isdigit) &&
        catalog.find_first_not_of('0') != std::string::npos)
        chunks->catalog = catalog;
    for (size_t at = HEAD; at < data.size(); at += entry) {
        NeroTrack track;
        track.isrc = Printable(data, at, 12);
        if (track.isrc.size() != 12)
            track.isrc.clear();
        track.sectorSize = static_cast<uint32_t>(BigEndian(data, at + 12, 2));
        track.modeCode = static_cast<uint8_t>(data[at + 14]);
        track.pregapOffset = BigEndian(data, at + 18, width);
        track.startOffset = BigEndian(data, at + 18 + width, width);
        track.endOffset = BigEndian(data, at + 18 + 2 * width, width);
        chunks->tracks.push_back(track);
    }
    return true;
}

// ETN2 (64-bit) or ETNF (32-bit): per track its offset, size, mode and start.
bool TrackAtOnce(const std::string& data, bool wide, Chunks* chunks, std::string* reason)
{
    const size_t entry = wide ? 32 : 20;
    const size_t width = wide ? 8 : 4;
    if (data.empty() || data.size() % entry != 0) {
        *reason = "its track chunk (ETN) has a size of " + std::to_string(data.size()) + " bytes, no whole entries";
        return false;
    }
    for (size_t at = 0; at < data.size(); at += entry) {
        NeroTrack track;
        track.startOffset = BigEndian(data, at, width);
        track.pregapOffset = track.startOffset;
        track.endOffset = track.startOffset + BigEndian(data, at + width, width);
        track.modeCode = static_cast<uint32_t>(BigEndian(data, at + 2 * width, 4));
        track.index1 = static_cast<int32_t>(BigEndian(data, at + 2 * width + 4, 4));
        track.sectorSize = track.modeCode == 0x07 || track.modeCode == 0x05 || track.modeCode == 0x06 ? 2352
            : track.modeCode == 0x03                                                                  ? 2336
                                                                                                      : 2048;
        chunks->tracks.push_back(track);
    }
    return true;
}

// CUEX or CUES: 8-byte cue points (control and address, track and index in BCD, a zero, and a
// signed logical sector); track 0 is the lead-in, track AA the lead-out.
void CuePoints(const std::string& data, Chunks* chunks)
{
    for (size_t at = 0; at + 8 <= data.size(); at += 8) {
        const uint8_t trackByte = static_cast<uint8_t>(data[at + 1]);
        if (trackByte == 0 || trackByte == 0xAA)
            continue;
        const int track = Bcd(trackByte);
        const int index = Bcd(static_cast<uint8_t>(data[at + 2]));
        const int64_t sector = static_cast<int32_t>(BigEndian(data, at + 4, 4));
        if (track < 1 || static_cast<size_t>(track) > chunks->tracks.size())
            continue;
        NeroTrack& entry = chunks->tracks[static_cast<size_t>(track - 1)];
        if (index == 0)
            entry.index0 = sector;
        else if (index == 1)
            entry.index1 = sector;
    }
}

bool ReadChunks(const ImageReader& read, uint64_t fileSize, Chunks* chunks, std::string* reason)
{
    std::string footer;
    uint64_t first = 0;
    uint64_t chunkEnd = 0;
    if (fileSize >= 12 && read(fileSize - 12, 12, &footer) && footer.compare(0, 4, "NER5") == 0) {
        first = BigEndian(footer, 4, 8);
        chunkEnd = fileSize - 12;
    } else if (fileSize >= 8 && read(fileSize - 8, 8, &footer) && footer.compare(0, 4, "NERO") == 0) {
        first = BigEndian(footer, 4, 4);
        chunkEnd = fileSize - 8;
    } else {
        *reason = "it is not a Nero image (it does not end in NER5 or NERO)";
        return false;
    }
    if (first >= chunkEnd || chunkEnd - first > MAX_CHUNK_BYTES) {
        *reason = "its footer points to " + std::to_string(first) + ", outside the image";
        return false;
    }
    std::string all;
    if (!read(first, static_cast<size_t>(chunkEnd - first), &all)) {
        *reason = "its chunks cannot be read";
        return false;
    }
    std::string cues;
    bool haveTracks = false;
    for (size_t at = 0; at + 8 <= all.size();) {
        const std::string id = all.substr(at, 4);
        const uint64_t size = BigEndian(all, at + 4, 4);
        if (id == "END!")
            break;
        if (size > all.size() - at - 8) {
            *reason = "its chunk " + id + " runs past the end of the image";
            return false;
        }
        const std::string data = all.substr(at + 8, static_cast<size_t>(size));
        if (id == "CUEX" || id == "CUES") {
            cues = data;
        } else if (id == "DAOX" || id == "DAOI" || id == "ETN2" || id == "ETNF") {
            if (haveTracks) {
                *reason = "it describes its tracks twice (a second " + id + " chunk)";
                return false;
            }
            haveTracks = true;
            const bool ok = id[0] == 'D' ? DiscAtOnce(data, id == "DAOX", chunks, reason)
                                         : TrackAtOnce(data, id == "ETN2", chunks, reason);
            if (!ok)
                return false;
        }
        at += 8 + static_cast<size_t>(size);
    }
    if (!haveTracks) {
        *reason = "it has no track chunk (DAOX, DAOI, ETN2 or ETNF)";
        return false;
    }
    if (chunks->tracks.size() > 99) {
        *reason = "it describes more than 99 tracks";
        return false;
    }
    CuePoints(cues, chunks);
    return true;
}

} // namespace

bool ParseNrgImage(const ImageReader& read, uint64_t fileSize, const std::string& path, DiscProgram* program,
                   std::string* reason)
{
    *program = DiscProgram{};
    Chunks chunks;
    if (!ReadChunks(read, fileSize, &chunks, reason))
        return false;
    program->catalog = chunks.catalog;
    program->files.push_back(ImageFile{path, FileFormat::Binary, 0});
    int64_t cursor = 0; // the logical sector where the next track's first sector lies
    for (size_t i = 0; i < chunks.tracks.size(); ++i) {
        const NeroTrack& nero = chunks.tracks[i];
        const std::string name = "track " + std::to_string(i + 1);
        ProgramTrack track;
        track.number = static_cast<int>(i) + 1;
        track.isrc = nero.isrc;
        if (!ModeOf(nero.modeCode, nero.sectorSize, &track.mode)) {
            *reason = name + ": mode " + std::to_string(nero.modeCode) + " with " + std::to_string(nero.sectorSize) +
                "-byte sectors is not supported (sub-channel data or mode 2 form 1)";
            return false;
        }
        const uint64_t size = nero.sectorSize;
        if (nero.pregapOffset > nero.startOffset || nero.startOffset >= nero.endOffset || nero.endOffset > fileSize ||
            (nero.startOffset - nero.pregapOffset) % size != 0 || (nero.endOffset - nero.startOffset) % size != 0) {
            *reason = name + ": its sectors do not lie in the image as whole " + std::to_string(size) + "-byte sectors";
            return false;
        }
        int64_t pregap = static_cast<int64_t>((nero.startOffset - nero.pregapOffset) / size);
        // Where INDEX 01 lies on the disc: the cue point, or right after the track before.
        const int64_t start = nero.index1.value_or(i == 0 ? 0 : cursor + pregap);
        if (i == 0)
            pregap = std::min<int64_t>(pregap, start); // sectors before sector 0 are no part of the disc
        const int64_t first = start - pregap;
        if (first < cursor || start > int64_t(MAX_DISC_SECTORS)) {
            *reason = name + ": its cue point (sector " + std::to_string(start) + ") does not follow the track before";
            return false;
        }
        if (first > cursor) { // sectors the image does not hold (between sessions, or a track-at-once gap)
            Piece gap;
            gap.zero = true;
            gap.length = uint64_t(first - cursor) * size;
            track.pieces.push_back(gap);
        }
        Piece data;
        data.file = 0;
        data.offset = nero.startOffset - uint64_t(pregap) * size;
        data.length = nero.endOffset - data.offset;
        track.pieces.push_back(data);
        track.hasStart = true;
        track.start = TrackMark{track.pieces.size() - 1, static_cast<uint32_t>(pregap)};
        cursor = start + int64_t((nero.endOffset - nero.startOffset) / size);
        program->tracks.push_back(track);
    }
    return true;
}

} // namespace platform::cdrom
