// The real CD-ROM device: the drive letter is looked up in the drive table and the disc behind
// it (an image file or a physical drive) is opened through the disc layer.
#include "platform/cdrom/cdrom_device.h"
#include "platform/cdrom/disc.h"
#include "platform/drives.h"
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
        if (request.TrackMode != CDDA || request.DiskOffset.HighPart != 0 ||
            request.DiskOffset.LowPart % COOKED_SECTOR_SIZE != 0)
            return Refuse(error, ERROR_INVALID_PARAMETER);
        const uint64_t size = uint64_t{request.SectorCount} * RAW_SECTOR_SIZE;
        if (size > outputSize)
            return Refuse(error, ERROR_INSUFFICIENT_BUFFER);
        const uint32_t first = request.DiskOffset.LowPart / COOKED_SECTOR_SIZE;
        if (!m_disc->ReadRaw(first, request.SectorCount, static_cast<uint8_t*>(output)))
            return Refuse(error, ERROR_SECTOR_NOT_FOUND);
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
        if (!m_disc->ReadCooked(static_cast<uint32_t>(first), size / COOKED_SECTOR_SIZE,
                                static_cast<uint8_t*>(output)))
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

private:
    static bool Refuse(uint32_t* error, uint32_t code)
    {
        *error = code;
        return false;
    }

    std::unique_ptr<cdrom::Disc> m_disc;  // null: no readable disc in the drive
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
        auto device = std::unique_ptr<DiscDevice>(new (std::nothrow) DiscDevice(std::move(disc), *drive));
        if (!device)
            *error = ERROR_NOT_ENOUGH_MEMORY;
        return device;
    }
};

} // namespace

CdromDeviceService& RealCdromDeviceService()
{
    static DiscDeviceService service;
    return service;
}

} // namespace platform
