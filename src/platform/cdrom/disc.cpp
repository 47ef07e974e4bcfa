// Opens a disc through the backend of its kind, chosen from a table.
#include "platform/cdrom/disc.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/cdrom/image_disc.h"
#include "platform/cdrom/libcdio_disc.h"
#include "platform/user_notices.h"

namespace platform::cdrom {

namespace {

struct DiscBackend {
    const char* name;
    SourceKind kind;
    const char* extension; // of an image file, lower case; nullptr for a physical drive
    std::unique_ptr<Disc> (*open)(const std::string& source, std::string* reason);
};

// Image files go to the program's own readers: libcdio's cue reader ignores the FILE lines, its
// TOC reader lays out several files wrong and dies on some images, and none of its image readers
// says why an image cannot be read.
const DiscBackend BACKENDS[] = {
    {.name = "physical drive", .kind = SourceKind::PhysicalDrive, .extension = nullptr, .open = OpenPhysicalDrive},
    {.name = "cue sheet", .kind = SourceKind::ImageFile, .extension = ".cue", .open = OpenCueImage},
    {.name = "cdrdao TOC", .kind = SourceKind::ImageFile, .extension = ".toc", .open = OpenTocImage},
    {.name = "Nero image", .kind = SourceKind::ImageFile, .extension = ".nrg", .open = OpenNrgImage},
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
    why.clear();
    const std::string extension = LowerExtension(source);
    const auto backend = std::find_if(std::begin(BACKENDS), std::end(BACKENDS), [&](const DiscBackend& b) {
        return b.kind == kind && (!b.extension || extension == b.extension);
    });
    std::unique_ptr<Disc> disc;
    if (backend != std::end(BACKENDS))
        disc = backend->open(source, &why);
    else
        why = "it is not a known disc image (expected .cue, .toc or .nrg)";
    // Whoever opens an image, the user is told why it cannot be read.
    if (kind == SourceKind::ImageFile) {
        const std::string key = "disc image " + source;
        if (disc)
            WithdrawUserNotice(key);
        else
            PostUserNotice(key, "The disc image " + source + " cannot be read: " + why);
    }
    return disc;
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
