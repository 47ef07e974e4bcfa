// Discs that libcdio reads: physical drives, cdrdao TOC files and Nero NRG images.
//
// libcdio answers a read at the lead-out with an error but a read that runs past the end with
// success, leaving the rest of the buffer untouched; every range is therefore checked here
// against the lead-out before libcdio is asked.
#include "platform/cdrom/libcdio_disc.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/cdrom/mmc_drive.h"
#include "platform/cdrom/toc_file_names.h"

namespace platform::cdrom {

namespace {

// libcdio logs every oddity of an image on stderr; the program reports failures itself. While
// an image is being opened, the first message of note is kept: it is the reason a user needs
// ("line 5: MSF length 00:05:00 exceeds end of file").
thread_local bool t_keepMessage = false;
thread_local std::string t_keptMessage;

void QuietLogHandler(cdio_log_level_t level, const char* message)
{
    if (t_keepMessage && level >= CDIO_LOG_INFO) {
        if (t_keptMessage.empty())
            t_keptMessage = message;
        return;
    }
    if (level >= CDIO_LOG_ERROR)
        std::fprintf(stderr, "libcdio: %s\n", message);
}

void SilenceLibcdio()
{
    static std::once_flag once;
    std::call_once(once, [] {
        cdio_loglevel_default = CDIO_LOG_INFO;  // a syntax error of a TOC is only "info" to libcdio
        cdio_log_set_handler(QuietLogHandler);
    });
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
        if (physical)
            m_mmc = std::make_unique<MmcDrive>(LibcdioMmcCalls(cdio));
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
        return m_physical || TrimLeadOutToData(reason);
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

    MmcDrive* Mmc() override { return m_mmc.get(); }

private:
    // libcdio 2.1 puts the lead-out of a TOC image whose last track is a data track with a
    // START pregap that many sectors too far (measured); its cooked reads there answer success
    // without reading anything. In an image file the disc ends where its data ends: the first
    // sector whose raw read fails. Sectors from the last track's start on are probed.
    bool TrimLeadOutToData(std::string* reason)
    {
        uint8_t sector[2352];
        const auto readable = [&](uint32_t lsn) {
            return cdio_read_audio_sectors(m_cdio, sector, static_cast<lsn_t>(lsn), 1) == DRIVER_OP_SUCCESS;
        };
        Track& last = m_toc.tracks.back();
        if (readable(m_toc.leadOut - 1))
            return true;
        uint32_t low = last.start;  // sectors below low read, the one at high does not
        uint32_t high = m_toc.leadOut - 1;
        if (!readable(low)) {
            *reason = "the image holds no data for track " + std::to_string(last.number);
            return false;
        }
        while (high - low > 1) {
            const uint32_t middle = low + (high - low) / 2;
            (readable(middle) ? low : high) = middle;
        }
        m_toc.leadOut = high;
        last.length = high - last.start;
        return true;
    }

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
    std::unique_ptr<MmcDrive> m_mmc;  // physical drives only
};

std::unique_ptr<Disc> OpenWithDriver(const std::string& source, driver_id_t driver, bool physical,
                                     std::string* reason)
{
    SilenceLibcdio();
    t_keptMessage.clear();
    t_keepMessage = true;
    CdIo_t* cdio = cdio_open(source.c_str(), driver);
    t_keepMessage = false;
    if (!cdio) {
        *reason = physical ? "the drive cannot be opened" : "the image cannot be read";
        if (!t_keptMessage.empty())
            *reason += ": " + t_keptMessage;
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

// libcdio reads the TOC text when the image is opened and keeps only the data files open, so
// a TOC whose names had to be made absolute is handed over as a temporary copy, removed at once.
std::unique_ptr<Disc> OpenCdrdaoToc(const std::string& path, std::string* reason)
{
    constexpr off_t MAX_TOC_BYTES = 1 << 20;
    struct stat tocInfo;
    if (stat(path.c_str(), &tocInfo) != 0 || !S_ISREG(tocInfo.st_mode)) {
        *reason = "the TOC file is not there: " + path;
        return nullptr;
    }
    if (tocInfo.st_size > MAX_TOC_BYTES) {
        *reason = "the TOC file is too large to be one: " + path;
        return nullptr;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<size_t>(tocInfo.st_size), '\0');
    if (!in || !in.read(text.data(), tocInfo.st_size)) {
        *reason = "the TOC file cannot be read: " + path;
        return nullptr;
    }

    const std::filesystem::path folder = std::filesystem::absolute(std::filesystem::path(path)).parent_path();
    std::vector<std::string> names;
    const std::string anchored = AnchorTocFileNames(text, folder.string(), &names);
    for (const std::string& name : names) {
        struct stat info;
        if (stat(name.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            *reason = "FILE not found: " + name;
            return nullptr;
        }
    }
    if (anchored == text)
        return OpenWithDriver(path, DRIVER_CDRDAO, false, reason);

    std::string scratch = (std::filesystem::temp_directory_path() / "ripwell-toc-XXXXXX").string();
    if (!mkdtemp(scratch.data())) {
        *reason = std::string("no temporary folder for the TOC: ") + std::strerror(errno);
        return nullptr;
    }
    const std::string copy = scratch + "/" + std::filesystem::path(path).filename().string();
    std::unique_ptr<Disc> disc;
    {
        std::ofstream out(copy, std::ios::binary);
        out << anchored;
        out.close();
        if (out) {
            disc = OpenWithDriver(copy, DRIVER_CDRDAO, false, reason);
            // libcdio names the copy; the user knows the original.
            for (size_t at = reason->find(copy); !disc && at != std::string::npos; at = reason->find(copy))
                reason->replace(at, copy.size(), path);
        } else
            *reason = "the TOC file cannot be copied to " + scratch;
    }
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    return disc;
}

std::unique_ptr<Disc> OpenNeroImage(const std::string& path, std::string* reason)
{
    return OpenWithDriver(path, DRIVER_NRG, false, reason);
}

} // namespace platform::cdrom
