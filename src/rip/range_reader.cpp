#include "rip/range_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <zlib.h>

#include "cdrom/device_reads.h"
#include "res/resource.h"

namespace {

constexpr uint32_t kSectorBytes = 2352;
constexpr uint32_t kSampleBytes = 4;
constexpr uint32_t kSamplesPerSector = kSectorBytes / kSampleBytes;
constexpr uint32_t kSectorsPerRequest = 27;  // one request stays within 64 KiB

bool Cancelled(const std::atomic<int32_t>* flag) { return flag && flag->load(std::memory_order_relaxed) != 0; }

class PlainRangeReader : public RangeReader {
public:
    PlainRangeReader(char drive, int32_t offset, uint32_t leadOut) : m_drive(drive), m_offset(offset), m_leadOut(leadOut) {}

    bool IsSecure() const override { return false; }

    uint16_t Read(uint32_t first, uint32_t last, uint8_t* destination, RangeReadProgress* progress,
                  const std::atomic<int32_t>* cancelFlag, RangeReadReport* report) override
    {
        *report = RangeReadReport{};
        if (progress)
            progress->OnPass(ReadPass::Read);
        // The disc's samples of first..last are the drive's samples shifted by the offset: a
        // positive offset means the drive delivers them that many samples late.
        const int64_t firstByte = int64_t{first} * kSectorBytes + int64_t{m_offset} * kSampleBytes;
        const int64_t length = (int64_t{last} - first + 1) * kSectorBytes;
        const int64_t discBytes = int64_t{m_leadOut} * kSectorBytes;
        const int64_t readFrom = std::max<int64_t>(firstByte, 0);
        const int64_t readTo = std::min<int64_t>(firstByte + length, discBytes);

        // Beyond the ends of the disc: zeros.
        uint8_t* out = destination;
        if (readFrom >= readTo) {
            std::memset(out, 0, static_cast<size_t>(length));
            report->zeroSamples = static_cast<uint64_t>(length / kSampleBytes);
            report->copyCrc = RangeCrc32(destination, static_cast<size_t>(length));
            return 0;
        }
        const size_t before = static_cast<size_t>(readFrom - firstByte);
        const size_t after = static_cast<size_t>(firstByte + length - readTo);
        std::memset(out, 0, before);
        std::memset(out + length - after, 0, after);
        report->zeroSamples = (before + after) / kSampleBytes;

        const uint32_t firstSector = static_cast<uint32_t>(readFrom / kSectorBytes);
        const uint32_t lastSector = static_cast<uint32_t>((readTo - 1) / kSectorBytes);
        const size_t skip = static_cast<size_t>(readFrom % kSectorBytes);
        std::unique_ptr<uint8_t[]> block(new (std::nothrow) uint8_t[kSectorsPerRequest * kSectorBytes]);
        if (!block)
            return res::READ_NO_BUFFER_MEMORY;
        const uint64_t total = lastSector - firstSector + 1;
        uint8_t* at = out + before;
        uint8_t* const end = out + length - after;
        for (uint32_t sector = firstSector; sector <= lastSector;) {
            if (Cancelled(cancelFlag))
                return res::READ_CANCELLED;
            const uint32_t count = std::min(kSectorsPerRequest, lastSector - sector + 1);
            if (progress)
                progress->OnRead(sector, sector - firstSector, total);
            const DriveError error = ReadSectors(m_drive, sector, count, block.get(), READ_MODE_RAW);
            if (error != DRIVE_OK)
                return error;
            const size_t from = sector == firstSector ? skip : 0;
            const size_t bytes = std::min<size_t>(count * size_t{kSectorBytes} - from, static_cast<size_t>(end - at));
            std::memcpy(at, block.get() + from, bytes);
            at += bytes;
            sector += count;
        }
        report->copyCrc = RangeCrc32(destination, static_cast<size_t>(length));
        return 0;
    }

private:
    char m_drive;
    int32_t m_offset;
    uint32_t m_leadOut;
};

} // namespace

std::unique_ptr<RangeReader> MakePlainRangeReader(char driveLetter, int32_t readOffset, uint32_t leadOut)
{
    return std::unique_ptr<RangeReader>(new (std::nothrow) PlainRangeReader(driveLetter, readOffset, leadOut));
}

uint32_t RangeCrc32(const uint8_t* bytes, size_t count, uint32_t crc)
{
    while (count > 0) {
        const uInt part = static_cast<uInt>(std::min<size_t>(count, 1u << 30));
        crc = static_cast<uint32_t>(crc32(crc, bytes, part));
        bytes += part;
        count -= part;
    }
    return crc;
}
