#include "disc_writer.h"

#include "platform/cdrom/raw_sector.h"

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace mkdisc {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSampleRate = platform::cdrom::SAMPLE_RATE;

void PutSample(uint8_t* out, int16_t left, int16_t right)
{
    out[0] = static_cast<uint8_t>(left & 0xFF);
    out[1] = static_cast<uint8_t>((left >> 8) & 0xFF);
    out[2] = static_cast<uint8_t>(right & 0xFF);
    out[3] = static_cast<uint8_t>((right >> 8) & 0xFF);
}

// A plucked arpeggio over a slow pad, in a key and tempo of the track's own. Every sample is a
// pure function of the track and the sample index, so any sector can be made on its own.
struct Piece {
    double tempo;       // beats per minute
    double root;        // frequency of the key's tonic
    int progression[4]; // scale degrees of the four chords
};

const Piece& PieceOfTrack(int track)
{
    static const Piece pieces[] = {
        {96.0, 261.63, {0, 4, 5, 3}},  // C major: I V vi IV
        {84.0, 220.00, {0, 5, 3, 4}},  // A: I vi IV V
        {108.0, 293.66, {0, 3, 4, 0}}, // D: I IV V I
        {72.0, 196.00, {5, 3, 0, 4}},  // G: vi IV I V
        {120.0, 246.94, {0, 2, 3, 4}}, // B: I iii IV V
    };
    return pieces[(track - 1) % 5];
}

double DegreeFrequency(double root, int degree)
{
    static const int semitones[] = {0, 2, 4, 5, 7, 9, 11};
    const int octave = degree / 7;
    return root * std::pow(2.0, (semitones[degree % 7] + 12 * octave) / 12.0);
}

void MusicSample(int track, uint64_t index, uint64_t trackSamples, int16_t* left, int16_t* right)
{
    const Piece& piece = PieceOfTrack(track);
    const double t = static_cast<double>(index) / kSampleRate;
    const double beat = 60.0 / piece.tempo;
    const double eighth = beat / 2.0;
    const uint64_t step = static_cast<uint64_t>(t / eighth);
    const double inStep = t - static_cast<double>(step) * eighth;
    const int chord = piece.progression[(step / 8) % 4]; // a chord lasts one bar of 4 beats

    // Pad: the triad, soft, with a slow swell; it glides into the next chord over 80 ms.
    const auto triad = [&](int degree) {
        double sum = 0.0;
        for (int voice = 0; voice < 3; ++voice) {
            const double f = DegreeFrequency(piece.root, degree + 2 * voice) / 2.0;
            sum += std::sin(2.0 * kPi * f * t) + 0.3 * std::sin(4.0 * kPi * f * t);
        }
        return sum;
    };
    const uint64_t bar = step / 8;
    const double inBar = t - static_cast<double>(bar) * 8.0 * eighth;
    const double glide = bar == 0 ? 1.0 : std::min(1.0, inBar / 0.08);
    double pad = glide * triad(chord);
    if (glide < 1.0)
        pad += (1.0 - glide) * triad(piece.progression[(bar - 1) % 4]);
    pad *= 0.05 * (0.8 + 0.2 * std::sin(2.0 * kPi * t / (beat * 4.0)));

    // Pluck: up and down the chord in eighths, each note ringing on under the next two.
    static const int pattern[] = {0, 2, 4, 7, 9, 7, 4, 2};
    double pluck = 0.0;
    for (uint64_t back = 0; back < 3 && back <= step; ++back) {
        const uint64_t noteStep = step - back;
        const int noteChord = piece.progression[(noteStep / 8) % 4];
        const double f = DegreeFrequency(piece.root, noteChord + pattern[noteStep % 8]);
        const double age = inStep + static_cast<double>(back) * eighth;
        const double envelope = std::exp(-age * 6.0) * std::min(1.0, age * 60.0); // soft attack: no click
        pluck += 0.22 * envelope *
            (std::sin(2.0 * kPi * f * t) + 0.4 * std::sin(4.0 * kPi * f * t) + 0.15 * std::sin(6.0 * kPi * f * t));
    }

    // Bass on the beat, each note ringing on under the next two.
    double bass = 0.0;
    const uint64_t beatIndex = static_cast<uint64_t>(t / beat);
    for (uint64_t back = 0; back < 3 && back <= beatIndex; ++back) {
        const uint64_t noteBeat = beatIndex - back;
        const double age = t - static_cast<double>(noteBeat) * beat;
        const double bassF = DegreeFrequency(piece.root, piece.progression[(noteBeat / 4) % 4]) / 4.0;
        bass += 0.18 * std::exp(-age * 3.0) * std::min(1.0, age * 40.0) * std::sin(2.0 * kPi * bassF * t);
    }

    // Fade in and out over a second at the ends of the track.
    const double fadeSamples = kSampleRate;
    double fade = 1.0;
    if (static_cast<double>(index) < fadeSamples)
        fade = static_cast<double>(index) / fadeSamples;
    const uint64_t fromEnd = trackSamples > index ? trackSamples - index : 0;
    if (static_cast<double>(fromEnd) < fadeSamples)
        fade = std::min(fade, static_cast<double>(fromEnd) / fadeSamples);

    const double pan = 0.5 + 0.3 * std::sin(2.0 * kPi * t / (beat * 8.0)); // the pluck wanders
    const double l = fade * (pad + bass + pluck * (1.0 - pan) * 1.4);
    const double r = fade * (pad + bass + pluck * pan * 1.4);
    *left = static_cast<int16_t>(std::lround(std::clamp(l, -1.0, 1.0) * 32000.0));
    *right = static_cast<int16_t>(std::lround(std::clamp(r, -1.0, 1.0) * 32000.0));
}

std::string TrackFileName(const std::string& name, int track, const char* extension)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "-%02d.", track);
    return name + buffer + extension;
}

std::string Msf(uint32_t sectors)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02u:%02u:%02u", sectors / platform::cdrom::FRAMES_PER_MINUTE,
                  sectors / FRAMES_PER_SECOND % platform::cdrom::SECONDS_PER_MINUTE, sectors % FRAMES_PER_SECOND);
    return buffer;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// How sectors are written to a file: whole as a raw read gives them, the user data of data
// sectors alone, or whole with the samples of audio sectors most significant byte first (as
// cdrdao writes raw audio).
enum class SectorForm { Raw, UserData, BigEndianAudio };

// Writes sectors [first, first + count) of the disc to a file.
bool WriteSectors(const DiscPlan& plan, std::FILE* file, uint32_t first, uint32_t count, SectorForm form)
{
    std::vector<uint8_t> buffer(RAW_SECTOR_SIZE * 64);
    for (uint32_t done = 0; done < count;) {
        const uint32_t batch = std::min<uint32_t>(64, count - done);
        size_t bytes = 0;
        for (uint32_t i = 0; i < batch; ++i) {
            uint8_t sector[RAW_SECTOR_SIZE];
            const uint32_t lsn = first + done + i;
            SectorBytes(plan, lsn, sector);
            if (form == SectorForm::UserData) {
                std::memcpy(buffer.data() + bytes, sector + platform::cdrom::MODE1_USER_DATA_OFFSET,
                            COOKED_SECTOR_SIZE);
                bytes += COOKED_SECTOR_SIZE;
                continue;
            }
            const int track = TrackOfSector(plan, lsn);
            if (form == SectorForm::BigEndianAudio && track > 0 && !plan.tracks[size_t(track - 1)].isData)
                for (uint32_t k = 0; k < RAW_SECTOR_SIZE; k += 2)
                    std::swap(sector[k], sector[k + 1]);
            std::memcpy(buffer.data() + bytes, sector, RAW_SECTOR_SIZE);
            bytes += RAW_SECTOR_SIZE;
        }
        if (std::fwrite(buffer.data(), 1, bytes, file) != bytes)
            return false;
        done += batch;
    }
    return true;
}

bool WriteBinary(const DiscPlan& plan, const std::string& path, uint32_t first, uint32_t count, SectorForm form,
                 std::string* reason)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file || !WriteSectors(plan, file.get(), first, count, form) || std::fflush(file.get()) != 0) {
        *reason = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool WriteSoundFile(const DiscPlan& plan, const std::string& path, uint32_t first, uint32_t count, bool flac,
                    std::string* reason)
{
    SF_INFO info{};
    info.samplerate = int(platform::cdrom::SAMPLE_RATE);
    info.channels = 2;
    info.format = flac ? (SF_FORMAT_FLAC | SF_FORMAT_PCM_16) : (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file) {
        *reason = "cannot write " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    bool ok = true;
    std::vector<int16_t> frames(SAMPLES_PER_SECTOR * 2);
    for (uint32_t i = 0; i < count && ok; ++i) {
        uint8_t sector[RAW_SECTOR_SIZE];
        SectorBytes(plan, first + i, sector);
        for (uint32_t k = 0; k < SAMPLES_PER_SECTOR * 2; ++k)
            frames[k] = static_cast<int16_t>(sector[2 * k] | (sector[2 * k + 1] << 8));
        ok = sf_writef_short(file, frames.data(), SAMPLES_PER_SECTOR) == SAMPLES_PER_SECTOR;
    }
    if (!ok)
        *reason = "cannot write " + path + ": " + sf_strerror(file);
    if (sf_close(file) != 0 && ok) {
        *reason = "cannot write " + path;
        ok = false;
    }
    return ok;
}

bool WriteText(const std::string& path, const std::string& text, std::string* reason)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
        *reason = "cannot write " + path;
        return false;
    }
    return true;
}

uint32_t TrackFirstSector(const DiscPlan& plan, size_t index) // first sector of the pregap
{
    uint32_t sector = 0;
    for (size_t i = 0; i < index; ++i)
        sector += plan.tracks[i].pregapSectors + plan.tracks[i].sectors;
    return sector;
}

} // namespace

bool CompletePlan(DiscPlan* plan, std::string* reason)
{
    if (plan->tracks.empty() || plan->tracks.size() > 99) {
        *reason = "a disc holds 1 to 99 tracks";
        return false;
    }
    if (plan->tracks.front().pregapSectors != 0) {
        *reason = "track 1 cannot have a pregap in the image";
        return false;
    }
    if (!plan->catalog.empty() &&
        (plan->catalog.size() != 13 || plan->catalog.find_first_not_of("0123456789") != std::string::npos)) {
        *reason = "a catalogue number has 13 digits";
        return false;
    }
    int dataTracks = 0;
    for (TrackPlan& track : plan->tracks) {
        if (track.isData) {
            ++dataTracks;
            if (plan->volume.empty() || plan->volume.size() % COOKED_SECTOR_SIZE != 0) {
                *reason = "a data track needs a volume of whole 2048-byte blocks";
                return false;
            }
            track.sectors = static_cast<uint32_t>(plan->volume.size() / COOKED_SECTOR_SIZE);
        }
        if (track.sectors < 4) {
            *reason = "a track needs at least 4 sectors";
            return false;
        }
    }
    if (dataTracks > 1) {
        *reason = "only one data track is supported";
        return false;
    }
    if (DiscSectors(*plan) > 99u * platform::cdrom::FRAMES_PER_MINUTE) {
        *reason = "the disc is longer than 99 minutes";
        return false;
    }
    return true;
}

uint32_t DiscSectors(const DiscPlan& plan) { return TrackFirstSector(plan, plan.tracks.size()); }

int TrackOfSector(const DiscPlan& plan, uint32_t sector, bool* inPregap)
{
    uint32_t first = 0;
    for (size_t i = 0; i < plan.tracks.size(); ++i) {
        const uint32_t end = first + plan.tracks[i].pregapSectors + plan.tracks[i].sectors;
        if (sector < end) {
            if (inPregap)
                *inPregap = sector < first + plan.tracks[i].pregapSectors;
            return static_cast<int>(i) + 1;
        }
        first = end;
    }
    if (inPregap)
        *inPregap = false;
    return 0;
}

uint32_t TrackStart(const DiscPlan& plan, int trackNumber)
{
    const size_t index = static_cast<size_t>(trackNumber - 1);
    return TrackFirstSector(plan, index) + plan.tracks[index].pregapSectors;
}

void SectorBytes(const DiscPlan& plan, uint32_t sector, uint8_t* out)
{
    bool inPregap = false;
    const int track = TrackOfSector(plan, sector, &inPregap);
    if (track == 0) {
        std::memset(out, 0, RAW_SECTOR_SIZE);
        return;
    }
    const TrackPlan& plannedTrack = plan.tracks[static_cast<size_t>(track - 1)];
    const uint32_t start = TrackStart(plan, track);
    if (plannedTrack.isData) {
        const uint8_t* user = inPregap ? nullptr : plan.volume.data() + size_t(sector - start) * COOKED_SECTOR_SIZE;
        platform::cdrom::EncodeMode1Sector(sector, user, out);
        return;
    }
    if (inPregap || plannedTrack.content == AudioContent::Silence) {
        std::memset(out, 0, RAW_SECTOR_SIZE);
        return;
    }
    for (uint32_t i = 0; i < SAMPLES_PER_SECTOR; ++i) {
        int16_t left = 0;
        int16_t right = 0;
        if (plannedTrack.content == AudioContent::Counter) {
            const uint32_t k = sector * SAMPLES_PER_SECTOR + i;
            left = static_cast<int16_t>(k & 0xFFFF);
            right = static_cast<int16_t>((k >> 16) | (static_cast<uint32_t>(track) << 8));
        } else {
            const uint64_t index = uint64_t(sector - start) * SAMPLES_PER_SECTOR + i;
            MusicSample(track, index, uint64_t(plannedTrack.sectors) * SAMPLES_PER_SECTOR, &left, &right);
        }
        PutSample(out + 4 * i, left, right);
    }
}

namespace {

std::string TrackComment(size_t index) { return "\n// Track " + std::to_string(index + 1) + "\n"; }

// A cdrdao TOC over one BIN in the shape cdrdao read-cd writes: raw audio most significant byte
// first, each track a FILE or DATAFILE run of the BIN, START after its pregap; the pregap of a
// data track made up by ZERO rather than read from the BIN.
bool WriteCdrdaoToc(const DiscPlan& plan, const std::string& folder, const std::string& name, std::string* sheetPath,
                    std::string* reason)
{
    const std::string bin = name + ".bin";
    if (!WriteBinary(plan, folder + "/" + bin, 0, DiscSectors(plan), SectorForm::BigEndianAudio, reason))
        return false;
    const bool data = std::any_of(plan.tracks.begin(), plan.tracks.end(), [](const TrackPlan& t) { return t.isData; });
    std::string toc = data ? "CD_ROM\n" : "CD_DA\n";
    if (!plan.catalog.empty())
        toc += "\nCATALOG \"" + plan.catalog + "\"\n";
    bool afterData = false;
    for (size_t i = 0; i < plan.tracks.size(); ++i) {
        const TrackPlan& track = plan.tracks[i];
        const uint32_t first = TrackFirstSector(plan, i);
        const uint64_t byteOffset = uint64_t(first) * RAW_SECTOR_SIZE;
        toc += TrackComment(i);
        if (track.isData) {
            toc += "TRACK MODE1_RAW\nNO COPY\n";
            if (track.pregapSectors)
                toc += "ZERO MODE1_RAW " + Msf(track.pregapSectors) + "\nSTART\n";
            toc += "DATAFILE \"" + bin + "\" #" +
                std::to_string(byteOffset + uint64_t(track.pregapSectors) * RAW_SECTOR_SIZE) + " " +
                Msf(track.sectors) +
                " // length in bytes: " + std::to_string(uint64_t(track.sectors) * RAW_SECTOR_SIZE) + "\n";
            afterData = true;
            continue;
        }
        toc += "TRACK AUDIO\nNO COPY\nNO PRE_EMPHASIS\nTWO_CHANNEL_AUDIO\n";
        // After a data track the BIN no longer counts in audio sectors alone: a byte offset.
        const std::string start = afterData ? "#" + std::to_string(byteOffset) + " 0" : Msf(first);
        toc += "FILE \"" + bin + "\" " + start + " " + Msf(track.pregapSectors + track.sectors) + "\n";
        if (track.pregapSectors)
            toc += "START " + Msf(track.pregapSectors) + "\n";
    }
    *sheetPath = folder + "/" + name + ".toc";
    return WriteText(*sheetPath, toc, reason);
}

// A cdrdao TOC over one file per track: WAVE files for audio (a pregap made by PREGAP, every
// other track's length given in samples), the user data of a data track in a MODE1 track.
bool WriteCdrdaoTocPerTrack(const DiscPlan& plan, const std::string& folder, const std::string& name,
                            std::string* sheetPath, std::string* reason)
{
    std::string toc = "CD_ROM\n";
    if (!plan.catalog.empty())
        toc += "CATALOG \"" + plan.catalog + "\"\n";
    for (size_t i = 0; i < plan.tracks.size(); ++i) {
        const TrackPlan& track = plan.tracks[i];
        const int number = static_cast<int>(i) + 1;
        const uint32_t start = TrackFirstSector(plan, i) + track.pregapSectors;
        toc += TrackComment(i);
        if (track.isData) {
            const std::string file = TrackFileName(name, number, "iso");
            if (!WriteBinary(plan, folder + "/" + file, start, track.sectors, SectorForm::UserData, reason))
                return false;
            toc += "TRACK MODE1\n";
            if (track.pregapSectors)
                toc += "ZERO " + Msf(track.pregapSectors) + "\nSTART\n";
            toc += "DATAFILE \"" + file + "\"\n";
            continue;
        }
        const std::string file = TrackFileName(name, number, "wav");
        if (!WriteSoundFile(plan, folder + "/" + file, start, track.sectors, false, reason))
            return false;
        toc += "TRACK AUDIO\n";
        if (track.pregapSectors)
            toc += "PREGAP " + Msf(track.pregapSectors) + "\n";
        toc += "AUDIOFILE \"" + file + "\" 0";
        if (number % 2 == 0)
            toc += " " + std::to_string(uint64_t(track.sectors) * SAMPLES_PER_SECTOR);
        toc += "\n";
    }
    *sheetPath = folder + "/" + name + ".toc";
    return WriteText(*sheetPath, toc, reason);
}

void PutBigEndian(std::string& out, uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void PutChunk(std::string& out, const char* id, const std::string& data)
{
    out += id;
    PutBigEndian(out, data.size(), 4);
    out += data;
}

uint8_t Bcd(int value) { return static_cast<uint8_t>((value / 10) << 4 | (value % 10)); }

// A Nero image of version 2, disc at once: the pregap of track 1 and every sector of the disc
// raw, then the chunks CUEX (cue points), DAOX (tracks), SINF (session), MTYP (medium), END!
// and the footer "NER5" with the offset of the first chunk.
bool WriteNeroImage(const DiscPlan& plan, const std::string& folder, const std::string& name, std::string* sheetPath,
                    std::string* reason)
{
    constexpr uint32_t LEAD_IN = platform::cdrom::LEAD_IN_SECTORS;
    const std::string path = folder + "/" + name + ".nrg";
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        *reason = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const std::vector<uint8_t> silence(size_t(LEAD_IN) * RAW_SECTOR_SIZE, 0);
    const uint32_t sectors = DiscSectors(plan);
    if (std::fwrite(silence.data(), 1, silence.size(), file.get()) != silence.size() ||
        !WriteSectors(plan, file.get(), 0, sectors, SectorForm::Raw)) {
        *reason = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const auto offsetOf = [](uint32_t lsn) { return uint64_t(lsn + LEAD_IN) * RAW_SECTOR_SIZE; };
    const auto control = [&](size_t i) { return static_cast<char>(plan.tracks[i].isData ? 0x41 : 0x01); };
    const auto cue = [&](std::string& out, size_t track, int number, int index, int32_t lba) {
        out += control(track);
        out += static_cast<char>(number == 0xAA ? 0xAA : Bcd(number));
        out += static_cast<char>(Bcd(index));
        out += '\0';
        PutBigEndian(out, static_cast<uint32_t>(lba), 4);
    };
    std::string cues;
    cue(cues, 0, 0, 0, -int32_t(LEAD_IN));
    for (size_t i = 0; i < plan.tracks.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        const int32_t pregapStart = i == 0 ? -int32_t(LEAD_IN) : int32_t(TrackFirstSector(plan, i));
        cue(cues, i, number, 0, pregapStart);
        cue(cues, i, number, 1, int32_t(TrackStart(plan, number)));
    }
    cue(cues, plan.tracks.size() - 1, 0xAA, 1, int32_t(sectors));

    std::string dao;
    std::string head;
    std::string catalog = plan.catalog;
    catalog.resize(13, '\0');
    head += catalog;
    head += '\0';
    const bool data = std::any_of(plan.tracks.begin(), plan.tracks.end(), [](const TrackPlan& t) { return t.isData; });
    PutBigEndian(head, data ? 1 : 0, 2); // the kind of disc: audio, or with a mode-1 track
    head += static_cast<char>(1);
    head += static_cast<char>(plan.tracks.size());
    for (size_t i = 0; i < plan.tracks.size(); ++i) {
        const int number = static_cast<int>(i) + 1;
        dao += std::string(12, '\0'); // no ISRC
        PutBigEndian(dao, RAW_SECTOR_SIZE, 2);
        dao += static_cast<char>(plan.tracks[i].isData ? 0x05 : 0x07); // mode 1 raw, or audio
        dao += std::string("\0\0\x01", 3);
        PutBigEndian(dao, i == 0 ? 0 : offsetOf(TrackFirstSector(plan, i)), 8);
        PutBigEndian(dao, offsetOf(TrackStart(plan, number)), 8);
        PutBigEndian(dao, offsetOf(TrackFirstSector(plan, i + 1)), 8);
    }
    // The head begins with the chunk's size, little-endian.
    const uint32_t daoSize = static_cast<uint32_t>(4 + head.size() + dao.size());
    std::string daoChunk;
    for (int i = 0; i < 4; ++i)
        daoChunk += static_cast<char>((daoSize >> (8 * i)) & 0xFF);
    daoChunk += head + dao;

    std::string chunks;
    PutChunk(chunks, "CUEX", cues);
    PutChunk(chunks, "DAOX", daoChunk);
    std::string sessionInfo;
    PutBigEndian(sessionInfo, plan.tracks.size(), 4);
    PutChunk(chunks, "SINF", sessionInfo);
    std::string mediumType;
    PutBigEndian(mediumType, 1, 4);
    PutChunk(chunks, "MTYP", mediumType);
    PutChunk(chunks, "END!", "");
    const uint64_t firstChunk = offsetOf(sectors);
    chunks += "NER5";
    PutBigEndian(chunks, firstChunk, 8);
    if (std::fwrite(chunks.data(), 1, chunks.size(), file.get()) != chunks.size() || std::fflush(file.get()) != 0) {
        *reason = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    *sheetPath = path;
    return true;
}

} // namespace

const char* LayoutName(Layout layout)
{
    for (const auto& [name, value] : LAYOUT_NAMES)
        if (value == layout)
            return name;
    return "unknown";
}

bool ParseLayout(const std::string& name, Layout* layout)
{
    for (const auto& [known, value] : LAYOUT_NAMES)
        if (name == known) {
            *layout = value;
            return true;
        }
    return false;
}

bool WriteDisc(const DiscPlan& plan, Layout layout, const std::string& folder, const std::string& name,
               std::string* sheetPath, std::string* reason)
{
    if (layout == Layout::CdrdaoToc)
        return WriteCdrdaoToc(plan, folder, name, sheetPath, reason);
    if (layout == Layout::CdrdaoTocPerTrack)
        return WriteCdrdaoTocPerTrack(plan, folder, name, sheetPath, reason);
    if (layout == Layout::Nero)
        return WriteNeroImage(plan, folder, name, sheetPath, reason);

    const std::string base = folder + "/" + name;
    std::string sheet;
    if (!plan.catalog.empty())
        sheet += "CATALOG " + plan.catalog + "\n";
    if (layout == Layout::SingleBin) {
        if (!WriteBinary(plan, base + ".bin", 0, DiscSectors(plan), SectorForm::Raw, reason))
            return false;
        sheet += "FILE \"" + name + ".bin\" BINARY\n";
    }
    for (size_t i = 0; i < plan.tracks.size(); ++i) {
        const TrackPlan& track = plan.tracks[i];
        const int number = static_cast<int>(i) + 1;
        const uint32_t first = TrackFirstSector(plan, i);
        const uint32_t length = track.pregapSectors + track.sectors;
        // Index positions are counted from the start of the file that holds the track.
        const uint32_t fileStart = layout == Layout::SingleBin ? 0 : first;
        if (layout != Layout::SingleBin) {
            std::string file;
            bool ok = false;
            const bool sound = (layout == Layout::WavePerTrack || layout == Layout::FlacPerTrack) && !track.isData;
            if (sound) {
                file = TrackFileName(name, number, layout == Layout::FlacPerTrack ? "flac" : "wav");
                ok = WriteSoundFile(plan, folder + "/" + file, first, length, layout == Layout::FlacPerTrack, reason);
            } else {
                const bool cooked = layout != Layout::BinPerTrack && track.isData;
                file = TrackFileName(name, number, cooked ? "iso" : "bin");
                ok = WriteBinary(plan, folder + "/" + file, first, length,
                                 cooked ? SectorForm::UserData : SectorForm::Raw, reason);
            }
            if (!ok)
                return false;
            sheet += "FILE \"" + file + "\" " + (sound ? "WAVE" : "BINARY") + "\n";
        }
        char header[32];
        std::snprintf(header, sizeof header, "  TRACK %02d ", number);
        const bool cookedData = track.isData && (layout == Layout::WavePerTrack || layout == Layout::FlacPerTrack);
        sheet += header + std::string(track.isData ? (cookedData ? "MODE1/2048" : "MODE1/2352") : "AUDIO") + "\n";
        if (track.pregapSectors)
            sheet += "    INDEX 00 " + Msf(first - fileStart) + "\n";
        sheet += "    INDEX 01 " + Msf(first + track.pregapSectors - fileStart) + "\n";
    }
    *sheetPath = base + ".cue";
    return WriteText(*sheetPath, sheet, reason);
}

bool MakeIsoVolume(const std::string& folder, const std::string& volumeId, std::vector<uint8_t>* volume,
                   std::string* reason)
{
    char tempName[] = "/tmp/mkdisc-XXXXXX";
    const int fd = mkstemp(tempName);
    if (fd < 0) {
        *reason = std::string("cannot make a temporary file: ") + std::strerror(errno);
        return false;
    }
    close(fd);
    const pid_t child = fork();
    if (child == 0) {
        execlp("genisoimage", "genisoimage", "-quiet", "-r", "-J", "-V", volumeId.c_str(), "-o", tempName,
               folder.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    const bool ran = child > 0 && waitpid(child, &status, 0) == child;
    bool ok = ran && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!ok) {
        *reason = ran && WIFEXITED(status) && WEXITSTATUS(status) == 127
            ? "genisoimage is not installed (apt-get install genisoimage)"
            : "genisoimage failed on " + folder;
    } else {
        std::ifstream in(tempName, std::ios::binary);
        volume->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        ok = !volume->empty() && volume->size() % COOKED_SECTOR_SIZE == 0;
        if (!ok)
            *reason = "genisoimage wrote no whole volume";
    }
    std::filesystem::remove(tempName);
    return ok;
}

} // namespace mkdisc
