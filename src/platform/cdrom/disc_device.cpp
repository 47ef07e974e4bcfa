// The real CD-ROM device: the drive letter is looked up in the drive table and the disc behind
// it (an image file or a physical drive) is opened through the disc layer.
#include "platform/cdrom/disc_device.h"
#include "platform/cdrom/mmc_drive.h"
#include "platform/virtual_drive_media.h"

#include <cstdio>
#include <mutex>
#include <set>

namespace platform {

namespace {

using cdrom::COOKED_SECTOR_SIZE;
using cdrom::RAW_SECTOR_SIZE;

// A physical drive that cannot be read is reported once per reason on stderr (an image that
// cannot be read is told to the user by the disc layer); the program's own reads only see the
// error code, as they would with a real drive.
void ReportOnce(const std::string& source, const std::string& reason)
{
    static std::mutex mutex;
    static std::set<std::string> reported;
    std::lock_guard lock(mutex);
    if (reported.insert(source + '\n' + reason).second)
        std::fprintf(stderr, "ripwell: cannot open the disc %s: %s\n", source.c_str(), reason.c_str());
}

class DiscDevice : public CdromDevice {
public:
    DiscDevice(std::unique_ptr<cdrom::Disc> disc, const DriveEntry& drive) : m_disc(std::move(disc)), m_drive(drive) {}

    bool RawRead(const RAW_READ_INFO& request, void* output, uint32_t outputSize, uint32_t* bytesReturned,
                 uint32_t* error) override
    {
        if (!m_disc)
            return Refuse(error, ERROR_NOT_READY);
        if (request.TrackMode != CDDA && request.TrackMode != RawWithC2)
            return Refuse(error, ERROR_INVALID_PARAMETER);
        const int64_t offset = static_cast<int64_t>(uint64_t{static_cast<uint32_t>(request.DiskOffset.HighPart)} << 32 |
                                                    request.DiskOffset.LowPart);
        if (offset % COOKED_SECTOR_SIZE != 0)
            return Refuse(error, ERROR_INVALID_PARAMETER);
        const bool withC2 = request.TrackMode == RawWithC2;
        const uint64_t size = uint64_t{request.SectorCount} * (withC2 ? CD_RAW_SECTOR_WITH_C2_SIZE : RAW_SECTOR_SIZE);
        if (size > outputSize)
            return Refuse(error, ERROR_INSUFFICIENT_BUFFER);
        const int64_t first = offset / COOKED_SECTOR_SIZE;
        auto* bytes = static_cast<uint8_t*>(output);
        // A physical drive is asked directly: it knows its C2 errors and may read outside the
        // program area. An image has neither, as a drive without those abilities.
        if (cdrom::MmcDrive* drive = m_disc->Mmc()) {
            if (first < INT32_MIN || first + request.SectorCount > INT32_MAX)
                return Refuse(error, ERROR_SECTOR_NOT_FOUND);
            if (withC2 && !drive->ReportsC2Pointers())
                return Refuse(error, ERROR_INVALID_PARAMETER);
            switch (drive->ReadCdda(static_cast<int32_t>(first), request.SectorCount, withC2, bytes)) {
            case cdrom::MmcResult::Ok: break;
            case cdrom::MmcResult::Refused: return Refuse(error, ERROR_SECTOR_NOT_FOUND);
            case cdrom::MmcResult::MediumError: return Refuse(error, ERROR_CRC);
            case cdrom::MmcResult::Failed: return Refuse(error, ERROR_READ_FAULT);
            }
        } else {
            if (withC2)
                return Refuse(error, ERROR_INVALID_PARAMETER);
            if (first < 0 || first > UINT32_MAX ||
                !m_disc->ReadRaw(static_cast<uint32_t>(first), request.SectorCount, bytes))
                return Refuse(error, ERROR_SECTOR_NOT_FOUND);
        }
        *bytesReturned = static_cast<uint32_t>(size);
        return true;
    }

    bool Read(uint64_t offset, void* output, uint32_t size, uint32_t* bytesRead, uint32_t* error) override
    {
        if (!m_disc)
            return Refuse(error, ERROR_NOT_READY);
        // A CD-ROM volume is read in whole sectors, as on the system this program was made for.
        if (offset % COOKED_SECTOR_SIZE != 0 || size % COOKED_SECTOR_SIZE != 0)
            return Refuse(error, ERROR_INVALID_PARAMETER);
        const uint64_t first = offset / COOKED_SECTOR_SIZE;
        if (first > UINT32_MAX)
            return Refuse(error, ERROR_SECTOR_NOT_FOUND);
        if (!m_disc->ReadCooked(static_cast<uint32_t>(first), size / COOKED_SECTOR_SIZE, static_cast<uint8_t*>(output)))
            return Refuse(error, ERROR_SECTOR_NOT_FOUND);
        *bytesRead = size;
        return true;
    }

    bool CheckVerify(uint32_t* mediaChangeCount, uint32_t* error) override
    {
        if (!m_disc)
            return Refuse(error, ERROR_NOT_READY);
        // A disc image drive counts as its medium the image file as it is now, together with
        // the changes its backend saw in the files the image names.
        if (m_drive.kind == DriveEntry::Kind::DiscImage)
            *mediaChangeCount = CountVirtualMediaChanges(
                m_drive.letter, ImageFileMedium(m_drive.source) + "\n" + std::to_string(m_disc->MediaChangeCount()));
        else
            *mediaChangeCount = m_disc->MediaChangeCount();
        return true;
    }

    bool ReadToc(CDROM_TOC* toc, uint32_t* error) override
    {
        if (!m_disc)
            return Refuse(error, ERROR_NOT_READY);
        const cdrom::TableOfContents& contents = m_disc->Toc();
        if (contents.tracks.empty() || contents.tracks.size() >= MAXIMUM_NUMBER_TRACKS)
            return Refuse(error, ERROR_NOT_READY);
        *toc = CDROM_TOC{};
        toc->FirstTrack = contents.firstTrack;
        toc->LastTrack = contents.lastTrack;
        size_t entry = 0;
        for (const cdrom::Track& track : contents.tracks)
            FillTocEntry(&toc->TrackData[entry++], track.number, track.start, !track.isAudio);
        FillTocEntry(&toc->TrackData[entry++], TOC_LEAD_OUT_TRACK, contents.leadOut, false);
        const size_t length = 2 + entry * sizeof(TRACK_DATA);
        toc->Length[0] = static_cast<uint8_t>(length >> 8);
        toc->Length[1] = static_cast<uint8_t>(length);
        return true;
    }

    bool QueryIdentity(DriveIdentity* identity, uint32_t* error) override
    {
        if (!m_disc)
            return Refuse(error, ERROR_NOT_READY);
        cdrom::MmcDrive* drive = m_disc->Mmc();
        if (!drive)
            return Refuse(error, ERROR_INVALID_FUNCTION);
        return drive->Inquiry(identity) || Refuse(error, ERROR_READ_FAULT);
    }

private:
    // ADR 1 (the entry holds a position), control 4 for a data track; the address as absolute
    // minute, second and frame, 150 frames after the start of the lead-in for sector 0.
    static void FillTocEntry(TRACK_DATA* entry, uint8_t number, uint32_t sector, bool data)
    {
        constexpr uint32_t LEAD_IN_FRAMES = 150;
        constexpr uint32_t FRAMES_PER_SECOND = 75;
        const uint32_t frames = sector + LEAD_IN_FRAMES;
        entry->ControlAdr = static_cast<uint8_t>(1 << 4 | (data ? 4 : 0));
        entry->TrackNumber = number;
        entry->Address[1] = static_cast<uint8_t>(frames / (60 * FRAMES_PER_SECOND));
        entry->Address[2] = static_cast<uint8_t>(frames / FRAMES_PER_SECOND % 60);
        entry->Address[3] = static_cast<uint8_t>(frames % FRAMES_PER_SECOND);
    }

    static bool Refuse(uint32_t* error, uint32_t code)
    {
        *error = code;
        return false;
    }

    std::unique_ptr<cdrom::Disc> m_disc; // null: no readable disc in the drive
    DriveEntry m_drive;
};

class DiscDeviceService : public CdromDeviceService {
public:
    std::unique_ptr<CdromDevice> Open(const std::string& devicePath, uint32_t* error) override
    {
        const char letter = DriveLetterOfDevicePath(devicePath);
        const std::optional<DriveEntry> drive = letter ? FindDrive(letter) : std::nullopt;
        if (!drive || drive->kind == DriveEntry::Kind::FixedDisk) {
            *error = ERROR_FILE_NOT_FOUND;
            return nullptr;
        }
        // A drive without a readable disc still opens; its requests then fail as "not ready".
        // So does a virtual drive whose door is open.
        std::string reason;
        const auto kind = drive->kind == DriveEntry::Kind::PhysicalCdrom ? cdrom::SourceKind::PhysicalDrive
                                                                         : cdrom::SourceKind::ImageFile;
        std::unique_ptr<cdrom::Disc> disc;
        if (kind == cdrom::SourceKind::PhysicalDrive || !IsVirtualDoorOpen(drive->letter, drive->source)) {
            disc = cdrom::OpenDisc(drive->source, kind, &reason);
            if (!disc && kind == cdrom::SourceKind::PhysicalDrive)
                ReportOnce(drive->source, reason);
        }
        std::unique_ptr<CdromDevice> device = MakeDiscDevice(std::move(disc), *drive);
        if (!device)
            *error = ERROR_NOT_ENOUGH_MEMORY;
        return device;
    }
};

} // namespace

std::unique_ptr<CdromDevice> MakeDiscDevice(std::unique_ptr<cdrom::Disc> disc, const DriveEntry& drive)
{
    return std::unique_ptr<CdromDevice>(new (std::nothrow) DiscDevice(std::move(disc), drive));
}

CdromDeviceService& RealCdromDeviceService()
{
    static DiscDeviceService service;
    return service;
}

} // namespace platform
