// The disc in a physical drive, read through libcdio.
//
// libcdio answers a read at the lead-out with an error but a read that runs past the end with
// success, leaving the rest of the buffer untouched; every range is therefore checked here
// against the lead-out before libcdio is asked.
#include "platform/cdrom/libcdio_disc.h"

#include <cdio/cdio.h>
#include <cdio/logging.h>
#include <cdio/mmc.h>

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/cdrom/libcdio_toc.h"
#include "platform/cdrom/mmc_drive.h"

namespace platform::cdrom {

namespace {

// libcdio logs every oddity of a drive on stderr; the program reports failures itself. While a
// drive is being opened, the first message of note is kept: it is the reason a user needs.
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
        cdio_loglevel_default = CDIO_LOG_INFO;
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
    LibcdioDisc(CdIo_t* cdio, std::string source)
        : m_cdio(cdio),
          m_source(std::move(source)),
          m_mmc(std::make_unique<MmcDrive>(LibcdioMmcCalls(cdio)))
    {
    }
    ~LibcdioDisc() override { cdio_destroy(m_cdio); }

    bool LoadToc(std::string* reason) { return ReadLibcdioToc(m_cdio, &m_toc, reason); }

    const TableOfContents& Toc() const override { return m_toc; }

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

    uint32_t MediaChangeCount() override { return CountMediaChange(m_source, cdio_get_media_changed(m_cdio) == 1); }

    MmcDrive* Mmc() override { return m_mmc.get(); }

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
    TableOfContents m_toc;
    std::unique_ptr<MmcDrive> m_mmc;
};

} // namespace

bool ReadLibcdioToc(CdIo_t* cdio, TableOfContents* toc, std::string* reason)
{
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) {
        *reason = "no table of contents (no disc in the drive?)";
        return false;
    }
    const lsn_t leadOut = cdio_get_disc_last_lsn(cdio);
    if (leadOut == CDIO_INVALID_LSN || leadOut <= 0) {
        *reason = "no lead-out in the table of contents";
        return false;
    }
    *toc = TableOfContents{};
    toc->firstTrack = first;
    toc->lastTrack = static_cast<uint8_t>(first + count - 1);
    toc->leadOut = static_cast<uint32_t>(leadOut);
    for (track_t t = first; t < first + count; ++t) {
        Track track;
        track.number = t;
        const lsn_t start = cdio_get_track_lsn(cdio, t);
        const lsn_t next = t + 1 < first + count ? cdio_get_track_lsn(cdio, t + 1) : leadOut;
        if (start == CDIO_INVALID_LSN || next == CDIO_INVALID_LSN || start < 0 || next < start) {
            *reason = "track " + std::to_string(t) + " has no valid start";
            return false;
        }
        track.start = static_cast<uint32_t>(start);
        track.length = static_cast<uint32_t>(next - start);
        const lsn_t pregapStart = cdio_get_track_pregap_lsn(cdio, t);
        if (pregapStart != CDIO_INVALID_LSN && pregapStart >= 0 && pregapStart < start)
            track.pregap = static_cast<uint32_t>(start - pregapStart);
        track.isAudio = cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO;
        toc->tracks.push_back(track);
    }
    if (char* mcn = cdio_get_mcn(cdio)) {
        toc->catalog = mcn;
        cdio_free(mcn);
    }
    return true;
}

std::unique_ptr<Disc> OpenPhysicalDrive(const std::string& device, std::string* reason)
{
    SilenceLibcdio();
    t_keptMessage.clear();
    t_keepMessage = true;
    CdIo_t* cdio = cdio_open(device.c_str(), DRIVER_DEVICE);
    t_keepMessage = false;
    if (!cdio) {
        *reason = "the drive cannot be opened";
        if (!t_keptMessage.empty())
            *reason += ": " + t_keptMessage;
        return nullptr;
    }
    auto disc = std::unique_ptr<LibcdioDisc>(new (std::nothrow) LibcdioDisc(cdio, device));
    if (!disc) {
        cdio_destroy(cdio);
        *reason = "out of memory";
        return nullptr;
    }
    if (!disc->LoadToc(reason))
        return nullptr;
    return disc;
}

} // namespace platform::cdrom
