// AccurateRip: the disc identifiers that name a disc in the AccurateRip database, the v1 and v2
// checksums of a ripped track, the database's binary answer with every pressing in it, and
// the verdict per track.
//
// Identifiers. The track count is the number of audio tracks. The first id is the sum of the
// audio tracks' start sectors (logical sectors, 0 at 00:02:00) and the lead-out; the second the
// sum of each audio track's start (at least 1) times its place among the audio tracks (1, 2 ...)
// and the lead-out times the count plus one; the third is the freedb disc id of the whole disc.
// A data track takes no place among the audio tracks, but the lead-out is always the disc's
// own: for a disc whose data track follows the audio (an enhanced CD) the ids cover the data
// track's length too, and the freedb id counts the data track as a track.
//
// Checksums. Every stereo sample of a track, as the 32-bit little-endian value of its two
// 16-bit halves, is multiplied by its 1-based position in the track: v1 adds the low 32 bits
// of those products, v2 their low and high 32 bits. The disc's first 5 sectors less one sample
// (in the first audio track) and its last 5 sectors (in the last audio track) are left out.
//
// The database file is a list of pressings, each a 13-byte header (track count, the three ids,
// little-endian) and 9 bytes per track: confidence, checksum, and the checksum of sector 450
// that finds a pressing's offset. A track matches when its v1 or v2 checksum is a pressing's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/cdrom/disc_layout.h"

inline constexpr const char* DEFAULT_ACCURATERIP_URL = "http://www.accuraterip.com/accuraterip";
inline constexpr const char* ACCURATERIP_URL_VARIABLE = "RIPWELL_ACCURATERIP_URL";

struct AccurateRipIds {
    uint32_t trackCount = 0; // audio tracks
    uint32_t id1 = 0;
    uint32_t id2 = 0;
    uint32_t freedbId = 0;

    friend bool operator==(const AccurateRipIds&, const AccurateRipIds&) = default;
};

AccurateRipIds ComputeAccurateRipIds(const platform::DiscLayout& layout);

// The freedb (CDDB) disc id of every track of the disc with its lead-out.
uint32_t FreedbDiscId(const platform::DiscLayout& layout);

// "dBAR-010-00164419-00b9f6e2-9e11600b.bin", and the address of that file below the base
// (which may end in a slash): base/9/1/4/dBAR-....bin, the folders being the last three hex
// digits of the first id, last first.
std::string AccurateRipFileName(const AccurateRipIds& ids);
std::string AccurateRipUrl(const std::string& base, const AccurateRipIds& ids);

// The base address: RIPWELL_ACCURATERIP_URL when set and not empty, else the setting when not
// empty, else the public service.
std::string AccurateRipBaseUrl(const std::string& setting);

// The two checksums of one track, fed with the track's bytes in order (any split, each part a
// whole number of samples).
class AccurateRipChecksum {
public:
    AccurateRipChecksum(uint64_t trackSamples, bool firstAudioTrack, bool lastAudioTrack);
    void Add(const uint8_t* bytes, size_t count);
    uint32_t V1() const { return m_v1; }
    uint32_t V2() const { return m_v2; }

private:
    uint64_t m_position = 0;   // samples added so far
    uint64_t m_checkFirst = 1; // first and last 1-based positions that count
    uint64_t m_checkLast = 0;
    uint32_t m_v1 = 0;
    uint32_t m_v2 = 0;
};

struct AccurateRipEntry {
    uint8_t confidence = 0;
    uint32_t crc = 0;
    uint32_t frame450Crc = 0;
};

struct AccurateRipPressing {
    AccurateRipIds ids;
    std::vector<AccurateRipEntry> tracks;
};

// Every pressing of a database file. False with a reason for a file that ends inside a
// pressing (truncated), is empty, or has a pressing of no tracks.
bool ParseAccurateRipDatabase(const std::string& bytes, std::vector<AccurateRipPressing>* pressings,
                              std::string* reason);

// The database file of pressings, as the service writes it (for tests and tools).
std::string BuildAccurateRipDatabase(const std::vector<AccurateRipPressing>& pressings);

struct AccurateRipVerdict {
    enum class Kind {
        NotChecked,    // the database could not be asked or its answer was unusable (reason)
        NotInDatabase, // the disc or this track has no checksum in the database
        Accurate,      // a pressing has this track's v1 or v2 checksum
        Mismatch,      // the database has checksums for the track, none of them this one
    };
    Kind kind = Kind::NotChecked;
    int version = 0;              // 1 or 2 when accurate (2 when both would match)
    uint32_t confidence = 0;      // summed over the pressings that match
    uint32_t totalConfidence = 0; // summed over every pressing with a checksum for the track
    uint32_t databaseCrc = 0;     // the checksum matched, or the most confident one on a mismatch
    std::string reason;           // for NotChecked
};

// The verdict for the track in slot `slot` of the database's pressings (its 0-based place among
// all the disc's tracks, data tracks included, as the database lists them).
AccurateRipVerdict VerifyAccurateRipTrack(const std::vector<AccurateRipPressing>& pressings, size_t slot, uint32_t v1,
                                          uint32_t v2);
