// The CD audio unit of a disc image drive. Until images can be played through the sound
// output, an image drive answers as a drive without a disc.
#include "platform/mci/cd_audio_unit.h"

namespace platform {
namespace {

class ImageCdAudioUnit final : public CdAudioUnit {
public:
    bool ReadToc(DiscToc&) override { return false; }
    uint32_t Mode() override { return MCI_MODE_NOT_READY; }
    uint32_t Position() override { return 0; }
    MCIERROR Play(uint32_t, uint32_t) override { return MCIERR_DEVICE_NOT_READY; }
    MCIERROR Stop() override { return 0; }
    MCIERROR Seek(uint32_t) override { return MCIERR_DEVICE_NOT_READY; }
    MCIERROR OpenDoor() override { return MCIERR_DEVICE_NOT_READY; }
    MCIERROR CloseDoor() override { return MCIERR_DEVICE_NOT_READY; }
};

} // namespace

std::unique_ptr<CdAudioUnit> CreateImageCdAudioUnit(const std::string&)
{
    return std::unique_ptr<CdAudioUnit>(new (std::nothrow) ImageCdAudioUnit);
}

} // namespace platform
