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
    double tempo;        // beats per minute
    double root;         // frequency of the key's tonic
    int progression[4];  // scale degrees of the four chords
};

const Piece& PieceOfTrack(int track)
{
    static const Piece pieces[] = {
        {96.0, 261.63, {0, 4, 5, 3}},   // C major: I V vi IV
        {84.0, 220.00, {0, 5, 3, 4}},   // A: I vi IV V
        {108.0, 293.66, {0, 3, 4, 0}},  // D: I IV V I
        {72.0, 196.00, {5, 3, 0, 4}},   // G: vi IV I V
        {120.0, 246.94, {0, 2, 3, 4}},  // B: I iii IV V
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
    const int chord = piece.progression[(step / 8) % 4];  // a chord lasts one bar of 4 beats

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
        const double envelope = std::exp(-age * 6.0) * std::min(1.0, age * 60.0);  // soft attack: no click
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

    const double pan = 0.5 + 0.3 * std::sin(2.0 * kPi * t / (beat * 8.0));  // the pluck wanders
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

// Writes sectors [first, first + count) of the disc to a file, raw (2352) or as user data.
bool WriteSectors(const DiscPlan& plan, std::FILE* file, uint32_t first, uint32_t count, bool userDataOnly)
{
    std::vector<uint8_t> buffer(RAW_SECTOR_SIZE * 64);
    for (uint32_t done = 0; done < count;) {
        const uint32_t batch = std::min<uint32_t>(64, count - done);
        size_t bytes = 0;
        for (uint32_t i = 0; i < batch; ++i) {
            uint8_t sector[RAW_SECTOR_SIZE];
            SectorBytes(plan, first + done + i, sector);
            if (userDataOnly) {
                std::memcpy(buffer.data() + bytes, sector + platform::cdrom::MODE1_USER_DATA_OFFSET, COOKED_SECTOR_SIZE);
                bytes += COOKED_SECTOR_SIZE;
            } else {
                std::memcpy(buffer.data() + bytes, sector, RAW_SECTOR_SIZE);
                bytes += RAW_SECTOR_SIZE;
            }
        }
        if (std::fwrite(buffer.data(), 1, bytes, file) != bytes)
            return false;
        done += batch;
    }
    return true;
}

bool WriteBinary(const DiscPlan& plan, const std::string& path, uint32_t first, uint32_t count,
                 bool userDataOnly, std::string* reason)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file || !WriteSectors(plan, file.get(), first, count, userDataOnly) || std::fflush(file.get()) != 0) {
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

uint32_t TrackFirstSector(const DiscPlan& plan, size_t index)  // first sector of the pregap
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

uint32_t DiscSectors(const DiscPlan& plan)
{
    return TrackFirstSector(plan, plan.tracks.size());
}

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

bool WriteDisc(const DiscPlan& plan, Layout layout, const std::string& folder, const std::string& name,
               std::string* sheetPath, std::string* reason)
{
    const std::string base = folder + "/" + name;
    std::string sheet;
    if (!plan.catalog.empty())
        sheet += (layout == Layout::CdrdaoToc ? "CATALOG \"" + plan.catalog + "\"\n" : "CATALOG " + plan.catalog + "\n");

    if (layout == Layout::CdrdaoToc) {
        if (!WriteBinary(plan, base + ".bin", 0, DiscSectors(plan), false, reason))
            return false;
        sheet = "CD_ROM\n" + sheet;
        for (size_t i = 0; i < plan.tracks.size(); ++i) {
            const TrackPlan& track = plan.tracks[i];
            const uint32_t first = TrackFirstSector(plan, i);
            const uint32_t length = track.pregapSectors + track.sectors;
            // libcdio 2.1 lays out a track only from an MSF start in the file: a "#" byte offset
            // is refused on FILE and misread on DATAFILE, so every track is a FILE with MSF start.
            sheet += "\n// Track " + std::to_string(i + 1) + "\n";
            sheet += track.isData ? "TRACK MODE1_RAW\n" : "TRACK AUDIO\nTWO_CHANNEL_AUDIO\n";
            sheet += "FILE \"" + name + ".bin\" " + Msf(first) + " " + Msf(length) + "\n";
            if (track.pregapSectors)
                sheet += "START " + Msf(track.pregapSectors) + "\n";
        }
        *sheetPath = base + ".toc";
        return WriteText(*sheetPath, sheet, reason);
    }

    if (layout == Layout::SingleBin) {
        if (!WriteBinary(plan, base + ".bin", 0, DiscSectors(plan), false, reason))
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
                ok = WriteBinary(plan, folder + "/" + file, first, length, cooked, reason);
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
