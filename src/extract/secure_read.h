// Secure reading of CD digital audio: every sector of a range proven by two reads that agree.
//
// The range is read twice, a test pass and a copy pass, and the CRC-32 of each sector is
// compared between them. A sector whose two reads differ, or whose read the drive marked with
// C2 errors, is read again, with the drive's cache defeated before every round of re-reads,
// until two reads give the same bytes without C2 errors, up to a number of reads a sector.
// When no two reads ever agree, the sector keeps its most frequent result and is reported as
// suspicious. The drive's read offset is corrected on the way: a read of sectors a to b gives
// the disc's samples of sectors a to b; samples that lie beyond the first or the last sector
// of the disc are read from the lead-in or lead-out where the drive allows it, else they are
// zeros, and counted.
//
// The engine works on an open drive, a range in and the verified samples out, and reports
// through a callback; it knows nothing of windows, so it serves the read commands and a rip of
// a whole disc alike.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "cdrom/cdrom_drive.h"

inline constexpr int32_t MIN_READ_OFFSET = -5000; // samples
inline constexpr int32_t MAX_READ_OFFSET = 5000;
inline constexpr uint32_t DEFAULT_SECURE_READS = 16;

enum class SecurePass : uint8_t { Test = 0, Copy = 1, ReRead = 2 };

struct SecureReadOptions {
    uint32_t maxReads = DEFAULT_SECURE_READS; // reads of one sector at most, both passes included
    bool defeatCache = true;                  // read far away before the copy pass and every round
    bool useC2 = true;                        // use C2 error pointers where the drive gives them
    int32_t readOffset = 0;                   // the drive's read offset correction, in samples
};

struct SecureReadReport {
    uint32_t testCrc = 0;                    // CRC-32 of the range as the test pass read it
    uint32_t copyCrc = 0;                    // CRC-32 of the range as delivered
    uint32_t reReads = 0;                    // sector reads beyond the two passes
    std::vector<uint32_t> suspiciousSectors; // ascending; no two reads agreed there
    uint64_t zeroSamples = 0;                // samples beyond the disc's ends given as zeros
    bool c2Used = false;                     // the drive's C2 error pointers took part
    int32_t readOffset = 0;                  // the correction applied, in samples

    bool AllAgreed() const { return suspiciousSectors.empty(); }
};

class SecureReadProgress {
public:
    virtual ~SecureReadProgress() = default;
    virtual void OnPass(SecurePass pass) = 0;
    // A read at sector begins; done of total units of work are behind (a sector of a pass is a
    // unit; re-reads come after all units).
    virtual void OnRead(uint32_t sector, uint64_t done, uint64_t total) = 0;
};

// Reads sectors first..last (inclusive) of the open drive into destination, which has room for
// (last - first + 1) x 2352 bytes. Returns 0 (the report is filled), READ_CANCELLED when the
// cancel flag was seen set, READ_NO_BUFFER_MEMORY, or the drive error of a read that failed
// where no read ever succeeded. progress and cancelFlag may be null.
uint16_t SecureRead(CdromDrive& drive, uint32_t first, uint32_t last, uint8_t* destination,
                    const SecureReadOptions& options, SecureReadProgress* progress,
                    const std::atomic<int32_t>* cancelFlag, SecureReadReport* report);
