#include "platform/mci/mci.h"

#include <atomic>
#include <cstring>

#include "platform/mci/cd_audio_driver.h"

namespace platform {
namespace {

std::atomic<MciService*> g_service{nullptr};

MciService& Service()
{
    if (MciService* service = g_service)
        return *service;
    return CdAudioDriver();
}

struct ErrorText {
    MCIERROR code;
    const char* text;
};

// Every code the CD audio driver returns, with what the user can do about it.
constexpr ErrorText kErrorTexts[] = {
    {MCIERR_INVALID_DEVICE_ID, "The CD audio device is not open. Open the device before using it."},
    {MCIERR_UNRECOGNIZED_COMMAND, "The CD audio device does not know this command."},
    {MCIERR_HARDWARE,
     "The drive could not play this part of the disc. Audio tracks can be played, "
     "data tracks cannot."},
    {MCIERR_INVALID_DEVICE_NAME, "The name given is not a device of this computer."},
    {MCIERR_OUT_OF_MEMORY,
     "There is not enough memory for the CD audio device. Close some programs "
     "and try again."},
    {MCIERR_DEVICE_OPEN, "The CD audio device is already open for another program and cannot be shared."},
    {MCIERR_PARAM_OVERFLOW, "The text does not fit into the buffer given for it."},
    {MCIERR_DRIVER_INTERNAL, "The CD audio driver failed inside. Close the device and open it again."},
    {MCIERR_MISSING_PARAMETER, "A parameter that the command needs is missing."},
    {MCIERR_UNSUPPORTED_FUNCTION, "The CD audio device cannot carry out this command."},
    {MCIERR_DEVICE_NOT_READY, "The CD audio device is not ready. Insert an audio CD and close the drive's door."},
    {MCIERR_OUTOFRANGE, "The position or track number is outside the disc."},
    {MCIERR_FLAGS_NOT_COMPATIBLE, "The flags given together with this command cannot be combined."},
    {MCIERR_MUST_USE_SHAREABLE, "The CD audio device is already in use. Open it as shareable."},
    {MCIERR_BAD_TIME_FORMAT, "The CD audio device does not know this time format."},
    {MCIERR_INVALID_FILE, "The drive named is not a CD-ROM drive of this computer."},
    {MCIERR_NULL_PARAMETER_BLOCK, "The command was given without its parameter record."},
    {MCIERR_NONAPPLICABLE_FUNCTION, "This command does not apply to the disc in the drive."},
    {MCIERR_DEVICE_NOT_INSTALLED, "Only the CD audio device type can be opened here."},
    {MCIERR_WAVE_OUTPUTSUNSUITABLE,
     "There is no sound output that can play CD audio (44100 Hz, "
     "16 bits, stereo). Check that the sound server is running."},
    {MCIERR_NO_IDENTITY, "The disc in the drive does not carry this information."},
};

} // namespace

const char* MciErrorText(MCIERROR error)
{
    for (const ErrorText& entry : kErrorTexts)
        if (entry.code == error)
            return entry.text;
    return nullptr;
}

void SetMciService(MciService* service) { g_service = service; }

MCIERROR mciSendCommandA(MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params)
{
    return Service().SendCommand(deviceId, message, flags, params);
}

bool mciGetErrorStringA(MCIERROR error, char* buffer, uint32_t size)
{
    return Service().GetErrorString(error, buffer, size);
}

// Copies text into an MCI return buffer, cut to fit; false when it did not fit whole.
bool CopyMciText(const char* text, char* buffer, uint32_t size)
{
    if (!buffer || size == 0)
        return false;
    const size_t length = std::strlen(text);
    const size_t copied = length < size ? length : size - 1;
    std::memcpy(buffer, text, copied);
    buffer[copied] = 0;
    return copied == length;
}

} // namespace platform
