// Discs that libcdio reads: physical drives, cdrdao TOC files and Nero NRG images.
//
// libcdio answers a read at the lead-out with an error but a read that runs past the end with
// success, leaving the rest of the buffer untouched; every range is therefore checked here
// against the lead-out before libcdio is asked.
#include "platform/cdrom/libcdio_disc.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <map>

#include "platform/cdrom/toc_file_names.h"

namespace platform::cdrom {

namespace {

// libcdio logs every oddity of an image on stderr; the program reports failures itself.
void QuietLogHandler(cdio_log_level_t level, const char* message)
{
    if (level >= CDIO_LOG_ERROR)
        std::fprintf(stderr, "libcdio: %s\n", message);
}

void SilenceLibcdio()
{
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(QuietLogHandler); });
}

// Media changes a drive has reported since the program started, per device node: libcdio
// tells whether the medium changed since the last question, each device open asks anew.
uint32_t CountMediaChange(const std::string& source, bool changed)
{
    static std::mutex mutex;
    static std::map<std::string, uint32_t> counts;
    std::lock_guard lock(mutex);
    uint32_t& count = counts[source];
    if (changed)
        ++count;
    return count;
}

class LibcdioDisc : public Disc {
public:
    LibcdioDisc(CdIo_t* cdio, std::string source, bool physical)
        : m_cdio(cdio), m_source(std::move(source)), m_physical(physical)
    {
    }
    ~LibcdioDisc() override { cdio_destroy(m_cdio); }

    bool LoadToc(std::string* reason)
    {
        const track_t first = cdio_get_first_track_num(m_cdio);
        const track_t count = cdio_get_num_tracks(m_cdio);
        if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
            *reason = "no table of contents (no disc in the drive?)";
            return false;
        }
        const lsn_t leadOut = cdio_get_disc_last_lsn(m_cdio);
        if (leadOut == CDIO_INVALID_LSN || leadOut <= 0) {
            *reason = "no lead-out in the table of contents";
            return false;
        }
        m_toc.firstTrack = first;
        m_toc.lastTrack = static_cast<uint8_t>(first + count - 1);
        m_toc.leadOut = static_cast<uint32_t>(leadOut);
        for (track_t t = first; t < first + count; ++t) {
            Track track;
            track.number = t;
            const lsn_t start = cdio_get_track_lsn(m_cdio, t);
            const lsn_t next = t + 1 < first + count ? cdio_get_track_lsn(m_cdio, t + 1) : leadOut;
            if (start == CDIO_INVALID_LSN || next == CDIO_INVALID_LSN || start < 0 || next < start) {
                *reason = "track " + std::to_string(t) + " has no valid start";
                return false;
            }
            track.start = static_cast<uint32_t>(start);
            track.length = static_cast<uint32_t>(next - start);
            const lsn_t pregapStart = cdio_get_track_pregap_lsn(m_cdio, t);
            if (pregapStart != CDIO_INVALID_LSN && pregapStart >= 0 && pregapStart < start)
                track.pregap = static_cast<uint32_t>(start - pregapStart);
            track.isAudio = cdio_get_track_format(m_cdio, t) == TRACK_FORMAT_AUDIO;
            m_toc.tracks.push_back(track);
        }
        if (char* mcn = cdio_get_mcn(m_cdio)) {
            m_mcn = mcn;
            cdio_free(mcn);
        }
        return true;
    }

    const TableOfContents& Toc() const override { return m_toc; }
    std::string MediaCatalogNumber() const override { return m_mcn; }

    bool ReadRaw(uint32_t first, uint32_t count, uint8_t* destination) override
    {
        if (!InRange(first, count))
            return false;
        return count == 0 || cdio_read_audio_sectors(m_cdio, destination, first, count) == DRIVER_OP_SUCCESS;
    }

    bool ReadCooked(uint32_t first, uint32_t count, uint8_t* destination) override
    {
        if (!InRange(first, count) || !AllData(first, count))
            return false;
        return count == 0 || cdio_read_mode1_sectors(m_cdio, destination, first, false, count) == DRIVER_OP_SUCCESS;
    }

    uint32_t MediaChangeCount() override
    {
        if (!m_physical)
            return 0;
        return CountMediaChange(m_source, cdio_get_media_changed(m_cdio) == 1);
    }

private:
    bool InRange(uint32_t first, uint32_t count) const
    {
        return first < m_toc.leadOut && count <= m_toc.leadOut - first;
    }

    bool AllData(uint32_t first, uint32_t count) const
    {
        for (const Track& track : m_toc.tracks) {
            const uint64_t end = uint64_t{track.start} + track.length;
            if (track.isAudio && first < end && uint64_t{first} + count > track.start)
                return false;
        }
        return true;
    }

    CdIo_t* m_cdio;
    std::string m_source;
    bool m_physical;
    TableOfContents m_toc;
    std::string m_mcn;
};

std::unique_ptr<Disc> OpenWithDriver(const std::string& source, driver_id_t driver, bool physical,
                                     std::string* reason)
{
    SilenceLibcdio();
    CdIo_t* cdio = cdio_open(source.c_str(), driver);
    if (!cdio) {
        *reason = physical ? "the drive cannot be opened" : "the image cannot be read";
        return nullptr;
    }
    auto disc = std::unique_ptr<LibcdioDisc>(new (std::nothrow) LibcdioDisc(cdio, source, physical));
    if (!disc) {
        cdio_destroy(cdio);
        *reason = "out of memory";
        return nullptr;
    }
    if (!disc->LoadToc(reason))
        return nullptr;
    return disc;
}

} // namespace

std::unique_ptr<Disc> OpenPhysicalDrive(const std::string& device, std::string* reason)
{
    return OpenWithDriver(device, DRIVER_DEVICE, true, reason);
}

std::unique_ptr<Disc> OpenCdrdaoToc(const std::string& path, std::string* reason)
{
    // A TOC is a few lines of text; anything far larger is left to libcdio to refuse.
    constexpr std::uintmax_t kLargestToc = 1 << 20;
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kLargestToc)
        return OpenWithDriver(path, DRIVER_CDRDAO, false, reason);
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const std::string folder = std::filesystem::absolute(std::filesystem::path(path), error).parent_path().string();
    bool changed = false;
    const std::string rewritten = TocWithAbsoluteFileNames(text, folder, &changed);
    if (!in || !changed)
        return OpenWithDriver(path, DRIVER_CDRDAO, false, reason);

    // libcdio reads the TOC and looks up its files while opening; the copy is not needed after.
    std::string copy = (std::filesystem::temp_directory_path(error) / "ripwell-toc-XXXXXX.toc").string();
    const int fd = mkstemps(copy.data(), 4);
    if (fd < 0) {
        *reason = "no temporary file for the TOC";
        return nullptr;
    }
    const bool written = write(fd, rewritten.data(), rewritten.size()) == static_cast<ssize_t>(rewritten.size());
    close(fd);
    std::unique_ptr<Disc> disc;
    if (written)
        disc = OpenWithDriver(copy, DRIVER_CDRDAO, false, reason);
    else
        *reason = "no temporary file for the TOC";
    unlink(copy.c_str());
    return disc;
}

std::unique_ptr<Disc> OpenNeroImage(const std::string& path, std::string* reason)
{
    return OpenWithDriver(path, DRIVER_NRG, false, reason);
}

} // namespace platform::cdrom
