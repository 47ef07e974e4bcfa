// Opens a disc through the backend of its kind, chosen from a table.
#include "platform/cdrom/disc.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/cdrom/cue_disc.h"
#include "platform/cdrom/libcdio_disc.h"

namespace platform::cdrom {

namespace {

struct DiscBackend {
    const char* name;
    SourceKind kind;
    const char* extension;  // of an image file, lower case; nullptr for a physical drive
    std::unique_ptr<Disc> (*open)(const std::string& source, std::string* reason);
};

// Cue sheets go to the program's own reader: libcdio's ignores the FILE lines.
const DiscBackend BACKENDS[] = {
    {.name = "physical drive", .kind = SourceKind::PhysicalDrive, .extension = nullptr, .open = OpenPhysicalDrive},
    {.name = "cue sheet", .kind = SourceKind::ImageFile, .extension = ".cue", .open = OpenCueImage},
    {.name = "cdrdao TOC", .kind = SourceKind::ImageFile, .extension = ".toc", .open = OpenCdrdaoToc},
    {.name = "Nero image", .kind = SourceKind::ImageFile, .extension = ".nrg", .open = OpenNeroImage},
};

std::string LowerExtension(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

uint32_t LittleEndian32(const uint8_t* bytes)
{
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

} // namespace

std::unique_ptr<Disc> OpenDisc(const std::string& source, SourceKind kind, std::string* reason)
{
    std::string ignored;
    std::string& why = reason ? *reason : ignored;
    const std::string extension = LowerExtension(source);
    for (const DiscBackend& backend : BACKENDS) {
        if (backend.kind != kind || (backend.extension && extension != backend.extension))
            continue;
        return backend.open(source, &why);
    }
    why = "not a known disc image (expected .cue, .toc or .nrg)";
    return nullptr;
}

bool ReadIsoVolumeSize(Disc& disc, uint32_t* blocks)
{
    constexpr uint32_t PRIMARY_VOLUME_DESCRIPTOR = 16;
    constexpr size_t VOLUME_SPACE_SIZE_OFFSET = 80;
    const TableOfContents& toc = disc.Toc();
    const auto data = std::find_if(toc.tracks.begin(), toc.tracks.end(), [](const Track& t) { return !t.isAudio; });
    if (data == toc.tracks.end() || data->length <= PRIMARY_VOLUME_DESCRIPTOR)
        return false;
    uint8_t sector[COOKED_SECTOR_SIZE];
    if (!disc.ReadCooked(data->start + PRIMARY_VOLUME_DESCRIPTOR, 1, sector))
        return false;
    if (sector[0] != 1 || std::memcmp(sector + 1, "CD001", 5) != 0)
        return false;
    *blocks = LittleEndian32(sector + VOLUME_SPACE_SIZE_OFFSET);
    return true;
}

} // namespace platform::cdrom
