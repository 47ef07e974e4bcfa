// Disc images with content known to the byte, for the tests, the benchmarks and the demo disc.
//
// A DiscPlan lists the tracks of a disc: audio tracks whose samples come from a generator (a
// counter that makes every sample position of the disc recognisable, or synthesized music) and
// at most one mode-1 data track holding the 2048-byte blocks of an ISO 9660 volume. WriteDisc
// writes the plan in one of the layouts users meet: one BIN with its cue sheet, one file per
// track (BINARY, WAVE or FLAC), a cdrdao TOC over one BIN or over one file per track, or a Nero
// image. Every layout holds the same disc:
// the raw sector at logical sector n (0 = the first sector of track 1) is SectorBytes(plan, n).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/cdrom/msf.h"

namespace mkdisc {

using platform::cdrom::COOKED_SECTOR_SIZE;
using platform::cdrom::FRAMES_PER_SECOND;
using platform::cdrom::RAW_SECTOR_SIZE;
using platform::cdrom::SAMPLES_PER_SECTOR;

enum class AudioContent {
    Counter, // sample k of the disc (counted from logical sector 0): left = k & 0xFFFF,
             // right = (k >> 16) | track number << 8, so no two sample positions look alike
    Music,   // a short synthesized piece, different for every track
    Silence,
};

struct TrackPlan {
    bool isData = false;
    uint32_t sectors = 0;       // from INDEX 01 to the next track (for a data track: set by the volume)
    uint32_t pregapSectors = 0; // INDEX 00 sectors before INDEX 01, held in the files; not on track 1
    AudioContent content = AudioContent::Counter;
};

struct DiscPlan {
    std::vector<TrackPlan> tracks; // track 1 first
    std::vector<uint8_t> volume;   // the data track's user data: whole 2048-byte blocks
    std::string catalog;           // 13 digits, or empty for a disc without one
};

enum class Layout {
    SingleBin,         // NAME.bin + NAME.cue, data track MODE1/2352
    BinPerTrack,       // NAME-NN.bin per track + NAME.cue, data track MODE1/2352
    WavePerTrack,      // NAME-NN.wav per audio track, NAME-NN.iso (MODE1/2048) for data + NAME.cue
    FlacPerTrack,      // as WavePerTrack with FLAC files (cue FILE type WAVE)
    CdrdaoToc,         // NAME.bin (raw audio big-endian, as cdrdao read-cd writes it) + NAME.toc
    CdrdaoTocPerTrack, // NAME-NN.wav per audio track, NAME-NN.iso for data (MODE1) + NAME.toc
    Nero,              // NAME.nrg: Nero image version 2, disc at once
};

inline constexpr std::pair<const char*, Layout> LAYOUT_NAMES[] = {
    {"single", Layout::SingleBin},
    {"bin-per-track", Layout::BinPerTrack},
    {"wave-per-track", Layout::WavePerTrack},
    {"flac-per-track", Layout::FlacPerTrack},
    {"toc", Layout::CdrdaoToc},
    {"toc-per-track", Layout::CdrdaoTocPerTrack},
    {"nrg", Layout::Nero},
};

// The name of a layout on mkdisc's command line ("single", "toc", "nrg" ...), and back.
const char* LayoutName(Layout layout);
bool ParseLayout(const std::string& name, Layout* layout);

// Fills in the sector counts of the plan (a data track takes the volume's size) and checks it.
// False and a reason for a plan that cannot be a disc.
bool CompletePlan(DiscPlan* plan, std::string* reason);

// Track number (1-based) and whether the logical sector lies in that track's pregap; the
// sector count of the whole disc is DiscSectors.
uint32_t DiscSectors(const DiscPlan& plan);
int TrackOfSector(const DiscPlan& plan, uint32_t sector, bool* inPregap = nullptr);
uint32_t TrackStart(const DiscPlan& plan, int trackNumber); // logical sector of INDEX 01

// The 2352 bytes of a logical sector of the disc, as a raw read returns them.
void SectorBytes(const DiscPlan& plan, uint32_t sector, uint8_t* out);

// Writes the disc into folder (which must exist) under base name name; the path of the sheet
// (cue or toc) in *sheetPath. False and a reason when a file cannot be written.
bool WriteDisc(const DiscPlan& plan, Layout layout, const std::string& folder, const std::string& name,
               std::string* sheetPath, std::string* reason);

// An ISO 9660 volume of the files in folder, made with genisoimage. False and a reason when
// genisoimage is missing or fails.
bool MakeIsoVolume(const std::string& folder, const std::string& volumeId, std::vector<uint8_t>* volume,
                   std::string* reason);

} // namespace mkdisc
