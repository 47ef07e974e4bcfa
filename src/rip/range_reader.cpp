#include "rip/range_reader.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/cdrom/disc.h"

#include "cdrom/drive_error.h"
#include "extract/crc32.h"
#include "platform/cdrom/cdrom_device.h"
#include "res/resource.h"

namespace {

constexpr uint32_t kSectorBytes = 2352;
constexpr uint32_t kSampleBytes = 4;
constexpr uint32_t kSectorsPerRequest = 27; // one request stays within 64 KiB

bool Cancelled(const std::atomic<int32_t>* flag) { return flag && flag->load(std::memory_order_relaxed) != 0; }

// The drive's device held open for the reads of one range, with one transfer block, so that a
// range costs one open instead of one a request.
class OpenDrive {
public:
    ~OpenDrive()
    {
        if (m_transfer)
            platform::VirtualFree(m_transfer, 0, platform::MEM_RELEASE);
        if (m_device != platform::INVALID_HANDLE_VALUE)
            platform::CloseHandle(m_device);
    }

    DriveError Open(char driveLetter)
    {
        char path[] = "\\\\.\\?:";
        path[4] = driveLetter;
        m_device =
            platform::CreateFileA(path, platform::GENERIC_READ, platform::FILE_SHARE_READ | platform::FILE_SHARE_WRITE,
                                  nullptr, platform::OPEN_EXISTING, platform::FILE_ATTRIBUTE_NORMAL, nullptr);
        if (m_device == platform::INVALID_HANDLE_VALUE)
            return DRIVE_ERROR_INVALID_DRIVE;
        m_transfer = static_cast<uint8_t*>(platform::VirtualAlloc(nullptr, kSectorsPerRequest * kSectorBytes,
                                                                  platform::MEM_RESERVE | platform::MEM_COMMIT,
                                                                  platform::PAGE_READWRITE));
        return m_transfer ? DRIVE_OK : DRIVE_ERROR_NO_MEMORY;
    }

    // count (at most kSectorsPerRequest) raw sectors from first into destination, or into the
    // transfer block when it is null.
    DriveError Read(uint32_t first, uint32_t count, uint8_t* destination)
    {
        platform::RAW_READ_INFO request;
        request.DiskOffset.LowPart = first * platform::cdrom::COOKED_SECTOR_SIZE;
        request.SectorCount = count;
        request.TrackMode = platform::CDDA;
        uint32_t returned = 0;
        if (!platform::DeviceIoControl(m_device, platform::IOCTL_CDROM_RAW_READ, &request, sizeof request,
                                       destination ? destination : m_transfer, count * kSectorBytes, &returned,
                                       nullptr)) {
            (void)platform::GetLastError();
            return DRIVE_ERROR_READ_FAULT;
        }
        return DRIVE_OK;
    }

    const uint8_t* Transfer() const { return m_transfer; }

private:
    platform::HANDLE m_device = platform::INVALID_HANDLE_VALUE;
    uint8_t* m_transfer = nullptr;
};

class PlainRangeReader : public RangeReader {
public:
    PlainRangeReader(char drive, int32_t offset, uint32_t leadOut)
        : m_drive(drive),
          m_offset(offset),
          m_leadOut(leadOut)
    {
    }

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
        OpenDrive drive;
        if (const DriveError error = drive.Open(m_drive); error != DRIVE_OK)
            return error == DRIVE_ERROR_NO_MEMORY ? res::READ_NO_BUFFER_MEMORY : error;
        const uint64_t total = lastSector - firstSector + 1;
        uint8_t* at = out + before;
        uint8_t* const end = out + length - after;
        for (uint32_t sector = firstSector; sector <= lastSector;) {
            if (Cancelled(cancelFlag))
                return res::READ_CANCELLED;
            const uint32_t count = std::min(kSectorsPerRequest, lastSector - sector + 1);
            if (progress)
                progress->OnRead(sector, sector - firstSector, total);
            const size_t from = sector == firstSector ? skip : 0;
            const size_t bytes = std::min<size_t>(count * size_t{kSectorBytes} - from, static_cast<size_t>(end - at));
            // Whole sectors in place go straight to the destination; a read offset that is no
            // whole number of sectors goes through the transfer block.
            const bool direct = from == 0 && bytes == count * size_t{kSectorBytes};
            if (const DriveError error = drive.Read(sector, count, direct ? at : nullptr); error != DRIVE_OK)
                return error;
            if (!direct)
                std::memcpy(at, drive.Transfer() + from, bytes);
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

uint32_t RangeCrc32(const uint8_t* bytes, size_t count, uint32_t crc) { return Crc32(bytes, count, crc); }
