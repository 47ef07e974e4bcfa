// The CD audio unit of a physical drive: the drive plays through its own audio output, and
// libcdio asks it for the table of contents, the play state and the position (subchannel).
#include "platform/mci/cd_audio_unit.h"

#include <cdio/cdio.h>
#include <cdio/audio.h>
#include <cdio/mmc.h>

#include "platform/cdrom/libcdio_toc.h"

namespace platform {
namespace {

class PhysicalCdAudioUnit final : public CdAudioUnit {
public:
    explicit PhysicalCdAudioUnit(std::string device) : m_device(std::move(device)) {}
    ~PhysicalCdAudioUnit() override
    {
        if (m_cdio)
            cdio_destroy(m_cdio);
    }

    bool ReadToc(cdrom::TableOfContents& toc) override;
    uint32_t Mode() override;
    uint32_t Position() override;
    MCIERROR Play(uint32_t from, uint32_t to) override;
    MCIERROR Stop() override;
    MCIERROR Seek(uint32_t sector) override;
    MCIERROR OpenDoor() override;
    MCIERROR CloseDoor() override;

private:
    // The drive's handle, opened on first use and again after the tray was moved.
    CdIo_t* Handle()
    {
        if (!m_cdio)
            m_cdio = cdio_open(m_device.c_str(), DRIVER_DEVICE);
        return m_cdio;
    }
    bool ReadSubchannel(cdio_subchannel_t& subchannel)
    {
        CdIo_t* cdio = Handle();
        return cdio && cdio_audio_read_subchannel(cdio, &subchannel) == DRIVER_OP_SUCCESS;
    }

    std::string m_device;
    CdIo_t* m_cdio = nullptr;
    uint32_t m_stoppedAt = 0; // the position while the drive does not play
};

bool PhysicalCdAudioUnit::ReadToc(cdrom::TableOfContents& toc)
{
    CdIo_t* cdio = Handle();
    std::string reason;
    return cdio && cdrom::ReadLibcdioToc(cdio, &toc, &reason);
}

uint32_t PhysicalCdAudioUnit::Mode()
{
    CdIo_t* cdio = Handle();
    if (!cdio)
        return MCI_MODE_NOT_READY;
    if (mmc_get_tray_status(cdio) == 1)
        return MCI_MODE_OPEN;
    cdio_subchannel_t subchannel{};
    if (!ReadSubchannel(subchannel))
        return MCI_MODE_NOT_READY;
    switch (subchannel.audio_status) {
    case CDIO_MMC_READ_SUB_ST_PLAY: return MCI_MODE_PLAY;
    case CDIO_MMC_READ_SUB_ST_PAUSED: return MCI_MODE_PAUSE;
    default: return MCI_MODE_STOP;
    }
}

uint32_t PhysicalCdAudioUnit::Position()
{
    cdio_subchannel_t subchannel{};
    if (ReadSubchannel(subchannel) &&
        (subchannel.audio_status == CDIO_MMC_READ_SUB_ST_PLAY ||
         subchannel.audio_status == CDIO_MMC_READ_SUB_ST_PAUSED)) {
        const lsn_t lsn = cdio_msf_to_lsn(&subchannel.abs_addr);
        if (lsn >= 0)
            m_stoppedAt = static_cast<uint32_t>(lsn);
    }
    return m_stoppedAt;
}

MCIERROR PhysicalCdAudioUnit::Play(uint32_t from, uint32_t to)
{
    CdIo_t* cdio = Handle();
    if (!cdio)
        return MCIERR_DEVICE_NOT_READY;
    msf_t start, end;
    cdio_lsn_to_msf(static_cast<lsn_t>(from), &start);
    cdio_lsn_to_msf(static_cast<lsn_t>(to), &end);
    if (cdio_audio_play_msf(cdio, &start, &end) != DRIVER_OP_SUCCESS)
        return MCIERR_HARDWARE;
    m_stoppedAt = from;
    return 0;
}

MCIERROR PhysicalCdAudioUnit::Stop()
{
    CdIo_t* cdio = Handle();
    if (!cdio)
        return MCIERR_DEVICE_NOT_READY;
    Position();
    const driver_return_code_t result = cdio_audio_stop(cdio);
    return result == DRIVER_OP_SUCCESS || result == DRIVER_OP_UNSUPPORTED ? 0 : MCIERR_HARDWARE;
}

// The drive has no seek of its own for audio: stop there and play from there next time.
MCIERROR PhysicalCdAudioUnit::Seek(uint32_t sector)
{
    if (MCIERROR error = Stop())
        return error;
    m_stoppedAt = sector;
    return 0;
}

MCIERROR PhysicalCdAudioUnit::OpenDoor()
{
    if (!Handle())
        return MCIERR_DEVICE_NOT_READY;
    // libcdio frees the handle when the tray has opened.
    const driver_return_code_t result = cdio_eject_media(&m_cdio);
    return result == DRIVER_OP_SUCCESS ? 0 : MCIERR_HARDWARE;
}

MCIERROR PhysicalCdAudioUnit::CloseDoor()
{
    if (m_cdio) {
        cdio_destroy(m_cdio);
        m_cdio = nullptr;
    }
    driver_id_t driver = DRIVER_DEVICE;
    if (cdio_close_tray(m_device.c_str(), &driver) != DRIVER_OP_SUCCESS)
        return MCIERR_HARDWARE;
    m_stoppedAt = 0;
    return 0;
}

} // namespace

std::unique_ptr<CdAudioUnit> CreatePhysicalCdAudioUnit(const std::string& device)
{
    return std::unique_ptr<CdAudioUnit>(new (std::nothrow) PhysicalCdAudioUnit(device));
}

} // namespace platform
