#include "platform/cdrom/disc_layout.h"

#include <atomic>

#include "platform/cdrom/disc.h"
#include "platform/drives.h"
#include "platform/virtual_drive_media.h"

namespace platform {
namespace {

std::atomic<DiscLayoutService*> g_service{nullptr};

class RealDiscLayoutService : public DiscLayoutService {
public:
    bool Read(char driveLetter, DiscLayout* layout, std::string* reason) override
    {
        const std::optional<DriveEntry> drive = FindDrive(driveLetter);
        if (!drive || drive->kind == DriveEntry::Kind::FixedDisk) {
            *reason = std::string("there is no CD-ROM drive ") + driveLetter + ":";
            return false;
        }
        const bool physical = drive->kind == DriveEntry::Kind::PhysicalCdrom;
        if (!physical && IsVirtualDoorOpen(drive->letter, drive->source)) {
            *reason = "the drive's door is open";
            return false;
        }
        std::unique_ptr<cdrom::Disc> disc = cdrom::OpenDisc(
            drive->source, physical ? cdrom::SourceKind::PhysicalDrive : cdrom::SourceKind::ImageFile, reason);
        if (!disc)
            return false;
        const cdrom::TableOfContents& toc = disc->Toc();
        if (toc.tracks.empty()) {
            *reason = "the disc has no tracks";
            return false;
        }
        *layout = DiscLayout{};
        for (const cdrom::Track& track : toc.tracks) {
            DiscLayoutTrack entry;
            entry.number = track.number;
            entry.start = track.start;
            entry.pregap = track.pregap;
            entry.isAudio = track.isAudio;
            entry.isrc = track.isrc;
            entry.title = track.title;
            layout->tracks.push_back(entry);
        }
        layout->leadOut = toc.leadOut;
        layout->catalog = toc.catalog;
        layout->title = toc.title;
        return true;
    }
};

} // namespace

bool ReadDiscLayout(char driveLetter, DiscLayout* layout, std::string* reason)
{
    static RealDiscLayoutService real;
    std::string ignored;
    DiscLayoutService* service = g_service;
    return (service ? *service : real).Read(driveLetter, layout, reason ? reason : &ignored);
}

void SetDiscLayoutService(DiscLayoutService* service) { g_service = service; }

} // namespace platform
