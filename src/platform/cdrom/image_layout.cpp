#include "platform/cdrom/image_layout.h"

#include <sndfile.h>
#include <unistd.h>

#include "platform/cdrom/image_files.h"
#include "platform/cdrom/msf.h"

namespace platform::cdrom {

namespace {

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

std::string FileProblem(const std::string& path, const std::string& why)
{
    return why == "there is no such file" ? "FILE not found: " + path : path + ": " + why;
}

bool MeasureFile(const ImageFile& file, const std::string& folder, ResolvedFile* out, std::string* reason)
{
    out->path = ResolveImageFileName(file.name, folder);
    out->format = file.format;
    std::string why;
    struct stat info;
    if (file.format == FileFormat::Binary) {
        const int fd = OpenRegularFile(out->path, &info, &why);
        if (fd < 0) {
            *reason = AtLine(FileProblem(out->path, why), file.line);
            return false;
        }
        close(fd);
        out->units = static_cast<uint64_t>(info.st_size);
    } else {
        SF_INFO format;
        SNDFILE* sound = OpenSoundFile(out->path, &format, &info, &why);
        if (!sound) {
            *reason = AtLine(FileProblem(out->path, why), file.line);
            return false;
        }
        sf_close(sound);
        // Samples of another rate, width or channel count would have to be converted, and the
        // sectors read would no longer be the disc's.
        const int subtype = format.format & SF_FORMAT_SUBMASK;
        if (format.samplerate != int(SAMPLE_RATE) || format.channels != 2 || subtype != SF_FORMAT_PCM_16) {
            *reason = AtLine("not 44100 Hz stereo 16-bit as CD audio is: " + out->path + " (" +
                                 std::to_string(format.samplerate) + " Hz, " + std::to_string(format.channels) +
                                 (format.channels == 1 ? " channel, " : " channels, ") + SampleWidth(subtype) + ")",
                             file.line);
            return false;
        }
        out->units = static_cast<uint64_t>(format.frames);
    }
    out->fileSize = static_cast<uint64_t>(info.st_size);
    out->modified = ModificationTime(info);
    return true;
}

uint64_t SectorsOf(uint64_t bytes, uint32_t bytesPerSector) { return (bytes + bytesPerSector - 1) / bytesPerSector; }

struct Builder {
    const DiscProgram& program;
    ImageLayout& layout;
    std::string& reason;
    uint64_t cursor = 0;

    bool Refuse(const ProgramTrack& track, const std::string& why, int line)
    {
        reason = AtLine("track " + std::to_string(track.number) + ": " + why, line ? line : track.line);
        return false;
    }

    // The stream piece of a piece of a file; false when the file does not hold its start.
    bool FilePiece(const ProgramTrack& track, const Piece& piece, uint32_t bytesPerSector, StreamPiece* out)
    {
        const ResolvedFile& file = layout.files[piece.file];
        const uint64_t unitBytes = file.format == FileFormat::Sound ? BYTES_PER_SAMPLE : 1;
        const uint64_t fileBytes = file.units * unitBytes;
        const uint64_t start = piece.offset * unitBytes;
        if (fileBytes == 0) {
            reason = AtLine(file.path + " is empty", piece.line);
            return false;
        }
        if (start > fileBytes || (!piece.toEnd && piece.length > fileBytes - start)) {
            const std::string what =
                piece.what.empty() ? "the data of track " + std::to_string(track.number) : piece.what;
            reason = AtLine(what + " lies beyond the end of " + file.path, piece.line);
            return false;
        }
        out->zero = false;
        out->file = piece.file;
        out->offset = piece.offset;
        out->available = piece.toEnd ? fileBytes - start : piece.length;
        out->length = piece.padToSector ? SectorsOf(out->available, bytesPerSector) * bytesPerSector : out->available;
        out->swapBytes = piece.swapBytes;
        return true;
    }

    bool LayTrack(const ProgramTrack& track)
    {
        TrackRun run;
        run.firstSector = static_cast<uint32_t>(cursor);
        run.mode = track.mode;
        run.bytesPerSector = BytesPerFileSector(track.mode);
        uint64_t stream = 0;
        uint64_t startBytes = 0;
        for (size_t k = 0; k <= track.pieces.size(); ++k) {
            if (k == track.start.piece)
                startBytes = stream;
            if (k == track.pieces.size())
                break;
            const Piece& piece = track.pieces[k];
            StreamPiece out;
            if (piece.zero) {
                out.length = piece.length;
            } else if (!FilePiece(track, piece, run.bytesPerSector, &out)) {
                return false;
            }
            out.streamStart = stream;
            stream += out.length;
            if (stream > MAX_DISC_SECTORS * RAW_SECTOR_SIZE) {
                reason = "the image is larger than a compact disc can be";
                return false;
            }
            if (out.length > 0)
                run.pieces.push_back(out);
        }
        if (track.start.piece > track.pieces.size())
            return Refuse(track, "INDEX 01 lies beyond the end of the track", 0);
        const uint64_t streamSectors = SectorsOf(stream, run.bytesPerSector);
        const uint64_t sectors = streamSectors + track.postgap;
        const uint64_t startSectors =
            track.hasStart ? SectorsOf(startBytes, run.bytesPerSector) + track.start.sectors : 0;
        if (sectors == 0)
            return Refuse(track, "it holds no sectors", 0);
        if (startSectors >= sectors)
            return Refuse(track, "INDEX 01 lies at or beyond the end of the track", 0);
        if (cursor + sectors > MAX_DISC_SECTORS) {
            reason = "the image is larger than a compact disc can be";
            return false;
        }
        if (track.postgap > 0) {
            StreamPiece gap;
            gap.streamStart = streamSectors * run.bytesPerSector;
            gap.length = uint64_t{track.postgap} * run.bytesPerSector;
            run.pieces.push_back(gap);
        }
        run.sectors = static_cast<uint32_t>(sectors);

        Track entry;
        entry.number = static_cast<uint8_t>(track.number);
        entry.start = static_cast<uint32_t>(cursor + startSectors);
        entry.pregap = static_cast<uint32_t>(startSectors);
        entry.isAudio = track.mode == TrackMode::Audio;
        entry.isrc = track.isrc;
        entry.title = track.title;
        layout.toc.tracks.push_back(entry);
        layout.runs.push_back(std::move(run));
        cursor += sectors;
        return true;
    }
};

} // namespace

uint32_t BytesPerFileSector(TrackMode mode)
{
    switch (mode) {
    case TrackMode::Mode1: return COOKED_SECTOR_SIZE;
    case TrackMode::Mode2: return RAW_SECTOR_SIZE - 16; // no sync and header
    default: return RAW_SECTOR_SIZE;
    }
}

std::string AtLine(const std::string& what, int line)
{
    return line > 0 ? what + " (line " + std::to_string(line) + ")" : what;
}

bool BuildImageLayout(const DiscProgram& program, const std::string& folder, ImageLayout* layout, std::string* reason)
{
    *layout = ImageLayout{};
    if (program.tracks.empty()) {
        *reason = "the image holds no track";
        return false;
    }
    for (const ImageFile& file : program.files) {
        ResolvedFile resolved;
        if (!MeasureFile(file, folder, &resolved, reason))
            return false;
        layout->files.push_back(resolved);
    }
    Builder builder{program, *layout, *reason};
    for (const ProgramTrack& track : program.tracks)
        if (!builder.LayTrack(track))
            return false;
    TableOfContents& toc = layout->toc;
    toc.leadOut = static_cast<uint32_t>(builder.cursor);
    toc.firstTrack = toc.tracks.front().number;
    toc.lastTrack = toc.tracks.back().number;
    toc.catalog = program.catalog;
    toc.title = program.title;
    for (size_t t = 0; t < toc.tracks.size(); ++t)
        toc.tracks[t].length = toc.TrackEnd(t) - toc.tracks[t].start;
    return true;
}

} // namespace platform::cdrom
