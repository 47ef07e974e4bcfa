#include "platform/cdrom/cue_layout.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>

namespace platform::cdrom {

namespace {

constexpr uint32_t SAMPLE_FRAMES_PER_SECTOR = 588;
// The largest first sector a raw read request can address (DiskOffset in 32 bits).
constexpr uint64_t MAX_DISC_SECTORS = 2097152;

bool Exists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string ResolvePath(const std::string& name, const std::string& folder)
{
    auto join = [&](const std::string& n) { return n.front() == '/' || folder.empty() ? n : folder + "/" + n; };
    std::string path = join(name);
    if (Exists(path) || name.find('\\') == std::string::npos)
        return path;
    // Sheets written on Windows separate folders with backslashes.
    std::string slashed = name;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return join(slashed);
}

uint32_t FirstIndex(const CueTrack& track) { return track.indexes.begin()->second; }

// The size of a sector of this track in the units of its file: bytes, or sample frames.
uint64_t SectorUnits(const ResolvedFile& file, CueTrackMode mode)
{
    return file.type == CueFileType::Wave ? SAMPLE_FRAMES_PER_SECTOR : BytesPerFileSector(mode);
}

std::string SampleWidth(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return "8-bit";
    case SF_FORMAT_PCM_16: return "16-bit";
    case SF_FORMAT_PCM_24: return "24-bit";
    case SF_FORMAT_PCM_32: return "32-bit";
    case SF_FORMAT_FLOAT:
    case SF_FORMAT_DOUBLE: return "floating-point";
    default: return "compressed";
    }
}

struct LayoutBuilder {
    const CueSheet& sheet;
    CueLayout& layout;
    std::string& reason;
    uint64_t cursor = 0;
    // The track whose gap ended the file laid last, and the sectors of that gap (with its
    // PREGAP), counted into the track's pregap when its own file is laid.
    const CueTrack* carriedTrack = nullptr;
    uint32_t carriedGap = 0;

    bool Refuse(const CueTrack& track, const std::string& why)
    {
        reason = "track " + std::to_string(track.number) + " (line " + std::to_string(track.line) + "): " + why;
        return false;
    }

    void AddGap(uint32_t count, CueTrackMode mode)
    {
        if (count == 0)
            return;
        Extent gap;
        gap.firstSector = static_cast<uint32_t>(cursor);
        gap.count = count;
        gap.mode = mode;
        layout.extents.push_back(gap);
        cursor += count;
    }

    bool LayFile(size_t fileIndex)
    {
        std::vector<const CueTrack*> tracks;
        for (const CueTrack& track : sheet.tracks)
            if (track.file == fileIndex)
                tracks.push_back(&track);
        // The next track's gap at the end of this file.
        const CueTrack* tail = nullptr;
        for (const CueTrack& track : sheet.tracks)
            if (track.gapInFileBefore && track.gapFile == fileIndex)
                tail = &track;
        const ResolvedFile& file = layout.files[fileIndex];
        uint64_t unitCursor = 0;  // bytes or sample frames into the file
        for (size_t k = 0; k < tracks.size(); ++k) {
            const CueTrack& track = *tracks[k];
            const uint64_t units = SectorUnits(file, track.mode);
            const uint32_t regionStart = k == 0 ? 0 : FirstIndex(track);
            const uint32_t index01 = track.indexes.at(1);
            uint64_t length = 0;
            if (k + 1 < tracks.size() || tail) {
                const CueTrack& following = k + 1 < tracks.size() ? *tracks[k + 1] : *tail;
                const uint32_t next = k + 1 < tracks.size() ? FirstIndex(following) : tail->gapStart;
                if (next <= index01)
                    return Refuse(following, "its first INDEX is not after INDEX 01 of the track before");
                length = next - regionStart;
                const uint64_t end = unitCursor + length * units;
                if (end > file.bytes || (&following == tail && end == file.bytes))
                    return Refuse(following, "its INDEX lies beyond the end of " + file.path);
            } else {
                if (unitCursor >= file.bytes)
                    return Refuse(track, "INDEX 01 lies at or beyond the end of " + file.path);
                length = (file.bytes - unitCursor + units - 1) / units;
                if (index01 - regionStart >= length)
                    return Refuse(track, "INDEX 01 lies at or beyond the end of " + file.path);
            }
            if (cursor + track.pregap + length + track.postgap > MAX_DISC_SECTORS) {
                reason = "the image is larger than a compact disc can be";
                return false;
            }
            const bool carried = &track == carriedTrack;
            if (!carried)
                AddGap(track.pregap, track.mode);
            Track entry;
            entry.number = static_cast<uint8_t>(track.number);
            entry.start = static_cast<uint32_t>(cursor + index01 - regionStart);
            entry.pregap = (carried ? carriedGap : track.pregap) + index01 - regionStart;
            entry.isAudio = track.mode == CueTrackMode::Audio;
            layout.toc.tracks.push_back(entry);

            Extent data;
            data.firstSector = static_cast<uint32_t>(cursor);
            data.count = static_cast<uint32_t>(length);
            data.mode = track.mode;
            data.inFile = true;
            data.file = fileIndex;
            data.fileSector = unitCursor / units;
            data.byteOffset = unitCursor;
            layout.extents.push_back(data);
            cursor += length;
            unitCursor += length * units;
            AddGap(track.postgap, track.mode);
        }
        carriedTrack = nullptr;
        if (tail && !LayTailGap(*tail, fileIndex, tracks.empty() ? 0 : unitCursor))
            return false;
        return true;
    }

    // The gap of the next track, from where it begins in this file to the file's end.
    bool LayTailGap(const CueTrack& track, size_t fileIndex, uint64_t unitCursor)
    {
        const ResolvedFile& file = layout.files[fileIndex];
        const uint64_t units = SectorUnits(file, track.mode);
        if (unitCursor != uint64_t{track.gapStart} * units || unitCursor >= file.bytes)
            return Refuse(track, "its INDEX 00 does not lie within " + file.path + " after the track before");
        const uint64_t length = (file.bytes - unitCursor + units - 1) / units;
        if (cursor + track.pregap + length > MAX_DISC_SECTORS) {
            reason = "the image is larger than a compact disc can be";
            return false;
        }
        AddGap(track.pregap, track.mode);
        Extent data;
        data.firstSector = static_cast<uint32_t>(cursor);
        data.count = static_cast<uint32_t>(length);
        data.mode = track.mode;
        data.inFile = true;
        data.file = fileIndex;
        data.fileSector = unitCursor / units;
        data.byteOffset = unitCursor;
        layout.extents.push_back(data);
        cursor += length;
        carriedTrack = &track;
        carriedGap = static_cast<uint32_t>(track.pregap + length);
        return true;
    }
};

} // namespace

bool MeasureFile(ResolvedFile* file, std::string* reason)
{
    struct stat info;
    if (stat(file->path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        *reason = "FILE not found: " + file->path;
        return false;
    }
    file->modified = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
    file->fileSize = static_cast<uint64_t>(info.st_size);
    if (file->type != CueFileType::Wave) {
        file->bytes = static_cast<uint64_t>(info.st_size);
        return true;
    }
    SF_INFO format{};
    SNDFILE* sound = sf_open(file->path.c_str(), SFM_READ, &format);
    if (!sound) {
        *reason = "not a sound file libsndfile can read: " + file->path + " (" + sf_strerror(nullptr) + ")";
        return false;
    }
    sf_close(sound);
    // Samples of another rate, width or channel count would have to be converted, and the
    // sectors read would no longer be the disc's.
    const int subtype = format.format & SF_FORMAT_SUBMASK;
    if (format.samplerate != 44100 || format.channels != 2 || subtype != SF_FORMAT_PCM_16) {
        *reason = "not 44100 Hz stereo 16-bit as CD audio is: " + file->path + " (" +
                  std::to_string(format.samplerate) + " Hz, " + std::to_string(format.channels) +
                  (format.channels == 1 ? " channel, " : " channels, ") + SampleWidth(subtype) + ")";
        return false;
    }
    file->bytes = static_cast<uint64_t>(format.frames);
    return true;
}

bool BuildCueLayout(const CueSheet& sheet, const std::string& folder, CueLayout* layout, std::string* reason)
{
    *layout = CueLayout{};
    layout->catalog = sheet.catalog;
    for (const CueFile& cueFile : sheet.files) {
        ResolvedFile file;
        file.path = ResolvePath(cueFile.name, folder);
        file.type = cueFile.type;
        if (!MeasureFile(&file, reason)) {
            *reason += " (line " + std::to_string(cueFile.line) + ")";
            return false;
        }
        layout->files.push_back(file);
    }
    LayoutBuilder builder{sheet, *layout, *reason};
    for (size_t f = 0; f < layout->files.size(); ++f)
        if (!builder.LayFile(f))
            return false;
    TableOfContents& toc = layout->toc;
    toc.leadOut = static_cast<uint32_t>(builder.cursor);
    toc.firstTrack = toc.tracks.front().number;
    toc.lastTrack = toc.tracks.back().number;
    for (size_t t = 0; t < toc.tracks.size(); ++t) {
        const uint32_t end = t + 1 < toc.tracks.size() ? toc.tracks[t + 1].start : toc.leadOut;
        toc.tracks[t].length = end - toc.tracks[t].start;
    }
    return true;
}

} // namespace platform::cdrom
