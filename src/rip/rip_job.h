// A rip of a whole disc: the chosen audio tracks read one after the other, each encoded (FLAC or
// WAV) and written while the next one is read, checked against AccurateRip, then a cue sheet and
// a log beside the files.
//
// RunRip runs on a worker thread of the caller's and starts threads of its own: encoders, as
// many as there are processors (tracks are encoded side by side while later ones are read), and
// one that asks the AccurateRip database while the disc is read. Every observer call comes from
// the thread that called RunRip. The only thing shared with the caller while it runs is the
// cancel flag.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/cdrom/disc_layout.h"
#include "rip/accuraterip.h"
#include "rip/audio_file_writer.h"
#include "rip/range_reader.h"
#include "rip/track_plan.h"

inline constexpr int DEFAULT_ACCURATERIP_TIMEOUT_MS = 15000;

struct RipTrackChoice {
    uint8_t number = 0; // the track on the disc
    std::string title;
    std::string artist; // empty: the album's artist
};

struct RipRequest {
    char drive = 0;
    std::string driveDescription; // for the log: the drive's model, or the image it holds
    platform::DiscLayout layout;
    std::vector<RipTrackChoice> tracks; // the chosen audio tracks, in disc order
    std::string album;
    std::string albumArtist;
    std::string date;
    std::string outputFolder;    // made when it does not exist
    std::string fileNamePattern; // see file_naming.h; empty: the default
    std::string cueSheetName;    // without extension; empty: from the album, or "disc"
    AudioFormat format = AudioFormat::Flac;
    unsigned flacLevel = DEFAULT_FLAC_LEVEL;
    int32_t readOffset = 0; // samples, as the reader corrects it (for the log)
    bool checkAccurateRip = true;
    std::string accurateRipBaseUrl = DEFAULT_ACCURATERIP_URL;
    int accurateRipTimeoutMs = DEFAULT_ACCURATERIP_TIMEOUT_MS;
    unsigned encoderThreads = 0; // 0: one per processor
};

struct RipTrackResult {
    enum class Status { Waiting, Ripped, ReadFailed, WriteFailed, Cancelled };
    uint8_t number = 0;
    std::string title;
    std::string artist;
    std::string fileName; // in the output folder
    PlannedTrack plan;
    Status status = Status::Waiting;
    uint16_t readStatus = 0; // the reader's status when the read failed
    std::string error;
    RangeReadReport read;
    uint32_t accurateRipV1 = 0;
    uint32_t accurateRipV2 = 0;
    AccurateRipVerdict verdict;

    bool ReadConsistently() const { return status == Status::Ripped && read.suspiciousSectors.empty(); }
};

// The exit codes of the command line, one per way a rip ends.
enum RipExitCode : int {
    RIP_EXIT_OK = 0,              // every track read consistently; accurate, or AccurateRip unreachable
    RIP_EXIT_USAGE = 1,           // the command line is wrong
    RIP_EXIT_NO_DISC = 2,         // no such drive, no disc, or no audio track to rip
    RIP_EXIT_CANCELLED = 3,       // interrupted
    RIP_EXIT_WRITE_FAILED = 4,    // a file could not be written
    RIP_EXIT_READ_FAILED = 5,     // a track could not be read, or not consistently
    RIP_EXIT_NOT_ACCURATE = 6,    // AccurateRip has other checksums for a track
    RIP_EXIT_NOT_IN_DATABASE = 7, // AccurateRip was asked but does not know a track
};

struct RipResult {
    uint16_t status = 0; // 0, READ_CANCELLED, or READ_NO_BUFFER_MEMORY
    std::string error;   // why nothing was ripped (output folder, no tracks)
    std::vector<RipTrackResult> tracks;
    AccurateRipIds ids;
    std::string musicBrainzDiscId;
    bool accurateRipAsked = false; // an answer came (a database file or "not in the database")
    std::string accurateRipReason; // why not, for "not checked"
    std::string cueSheetFile;      // in the output folder, when written
    std::string logFile;
    std::string logText;
    double seconds = 0; // from start to the last file written

    bool AllRead() const;     // every chosen track ripped consistently
    bool AllAccurate() const; // every ripped track accurate
    int ExitCode() const;
};

class RipObserver {
public:
    virtual ~RipObserver() = default;
    // A track's read begins (index among the chosen tracks).
    virtual void OnTrackStarted(size_t index, const RipTrackResult& track) = 0;
    virtual void OnPass(size_t index, ReadPass pass) = 0;
    // The read is at sector; of all the work (reading and encoding every chosen track's bytes),
    // done of total bytes are behind.
    virtual void OnProgress(size_t index, uint32_t sector, uint64_t done, uint64_t total) = 0;
    // A track's file is written (or its rip failed).
    virtual void OnTrackFinished(size_t index, const RipTrackResult& track) = 0;
};

RipResult RunRip(const RipRequest& request, RangeReader& reader, RipObserver* observer,
                 const std::atomic<int32_t>* cancelFlag);

// The plain text of the AccurateRip verdict: "accurate (confidence 5 of 7, v2)", "not in the
// database", "mismatch (database: 1A2B3C4D)", "not checked (no answer within 15.0 s)".
std::string VerdictText(const AccurateRipVerdict& verdict);
