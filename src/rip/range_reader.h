// How a rip reads the sectors of one track: a range of the disc in, its samples out, with what
// the read learnt about them. A plain read takes each sector once; a secure read proves every
// sector by reads that agree (the secure reading engine), and says which never did.
//
// Both correct the drive's read offset: a read of sectors a to b gives the disc's samples of
// sectors a to b whatever the drive's offset; samples beyond the ends of the disc that the
// drive cannot give are zeros, and counted.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

enum class ReadPass : uint8_t { Read, Test, Copy, ReRead };

struct RangeReadReport {
    bool haveTestCrc = false;                // a test pass took place
    uint32_t testCrc = 0;                    // CRC-32 of the range as the test pass read it
    uint32_t copyCrc = 0;                    // CRC-32 of the range as delivered
    uint32_t reReads = 0;                    // sector reads beyond the passes
    std::vector<uint32_t> suspiciousSectors; // no two reads agreed there
    uint64_t zeroSamples = 0;                // samples beyond the disc's ends given as zeros
};

class RangeReadProgress {
public:
    virtual ~RangeReadProgress() = default;
    virtual void OnPass(ReadPass pass) = 0;
    // A read at sector begins; done of total units of work are behind.
    virtual void OnRead(uint32_t sector, uint64_t done, uint64_t total) = 0;
};

class RangeReader {
public:
    virtual ~RangeReader() = default;
    // Reads sectors first..last (inclusive) into destination ((last - first + 1) x 2352 bytes).
    // Returns 0 with the report filled, READ_CANCELLED when the cancel flag was seen set,
    // READ_NO_BUFFER_MEMORY, or the drive error of a read that failed. progress may be null.
    virtual uint16_t Read(uint32_t first, uint32_t last, uint8_t* destination, RangeReadProgress* progress,
                          const std::atomic<int32_t>* cancelFlag, RangeReadReport* report) = 0;
    // "plain", "secure": what the log says of the mode.
    virtual bool IsSecure() const = 0;
};

// One read of every sector through the device reads, in requests of 27 sectors, the read
// offset (in samples, -5000..5000) corrected against a disc whose lead-out is given.
std::unique_ptr<RangeReader> MakePlainRangeReader(char driveLetter, int32_t readOffset, uint32_t leadOut);

// CRC-32 (the zip polynomial) of bytes that follow bytes whose CRC was crc.
uint32_t RangeCrc32(const uint8_t* bytes, size_t count, uint32_t crc = 0);
