// The Media Control Interface of the platform, for the CD audio device: mciSendCommandA with
// the Win32 command messages, flags, status items and parameter records, and
// mciGetErrorStringA for the text of an error code. All numbers are the Win32 ones.
//
// The program calls mciSendCommandA(); what answers is the installed MciService: the CD audio
// driver of this machine's CD-ROM drives (physical drives and disc images) in the program, a
// scripted double in the tests.
#pragma once

#include <cstdint>

#include "platform/cdrom/msf.h"

namespace platform {

using MCIERROR = uint32_t;
using MCIDEVICEID = uint32_t;

// ---- Command messages ---------------------------------------------------------------------
inline constexpr uint32_t MCI_OPEN = 0x0803;
inline constexpr uint32_t MCI_CLOSE = 0x0804;
inline constexpr uint32_t MCI_PLAY = 0x0806;
inline constexpr uint32_t MCI_SEEK = 0x0807;
inline constexpr uint32_t MCI_STOP = 0x0808;
inline constexpr uint32_t MCI_INFO = 0x080A;
inline constexpr uint32_t MCI_SET = 0x080D;
inline constexpr uint32_t MCI_STATUS = 0x0814;

// ---- Flags common to all commands ---------------------------------------------------------
inline constexpr uint32_t MCI_NOTIFY = 0x1;
inline constexpr uint32_t MCI_WAIT = 0x2;
inline constexpr uint32_t MCI_FROM = 0x4;
inline constexpr uint32_t MCI_TO = 0x8;
inline constexpr uint32_t MCI_TRACK = 0x10;

// ---- MCI_OPEN flags -------------------------------------------------------------------------
inline constexpr uint32_t MCI_OPEN_SHAREABLE = 0x100;
inline constexpr uint32_t MCI_OPEN_ELEMENT = 0x200;
inline constexpr uint32_t MCI_OPEN_ALIAS = 0x400;
inline constexpr uint32_t MCI_OPEN_ELEMENT_ID = 0x800;
inline constexpr uint32_t MCI_OPEN_TYPE_ID = 0x1000;
inline constexpr uint32_t MCI_OPEN_TYPE = 0x2000;

// ---- MCI_STATUS flags and items ---------------------------------------------------------
inline constexpr uint32_t MCI_STATUS_ITEM = 0x100;
inline constexpr uint32_t MCI_STATUS_START = 0x200;
inline constexpr uint32_t MCI_STATUS_LENGTH = 1;
inline constexpr uint32_t MCI_STATUS_POSITION = 2;
inline constexpr uint32_t MCI_STATUS_NUMBER_OF_TRACKS = 3;
inline constexpr uint32_t MCI_STATUS_MODE = 4;
inline constexpr uint32_t MCI_STATUS_MEDIA_PRESENT = 5;
inline constexpr uint32_t MCI_STATUS_TIME_FORMAT = 6;
inline constexpr uint32_t MCI_STATUS_READY = 7;
inline constexpr uint32_t MCI_STATUS_CURRENT_TRACK = 8;
inline constexpr uint32_t MCI_CDA_STATUS_TYPE_TRACK = 0x4001;
inline constexpr uint32_t MCI_CDA_TRACK_AUDIO = 1088;
inline constexpr uint32_t MCI_CDA_TRACK_OTHER = 1089;

// ---- MCI_INFO flags -------------------------------------------------------------------------
inline constexpr uint32_t MCI_INFO_PRODUCT = 0x100;
inline constexpr uint32_t MCI_INFO_MEDIA_UPC = 0x400;
inline constexpr uint32_t MCI_INFO_MEDIA_IDENTITY = 0x800;

// ---- MCI_SET flags and time formats -----------------------------------------------------
inline constexpr uint32_t MCI_SET_DOOR_OPEN = 0x100;
inline constexpr uint32_t MCI_SET_DOOR_CLOSED = 0x200;
inline constexpr uint32_t MCI_SET_TIME_FORMAT = 0x400;
inline constexpr uint32_t MCI_FORMAT_MILLISECONDS = 0;
inline constexpr uint32_t MCI_FORMAT_MSF = 2;

// ---- Device types and modes ---------------------------------------------------------------
inline constexpr uint32_t MCI_DEVTYPE_CD_AUDIO = 516;
inline constexpr uint32_t MCI_MODE_NOT_READY = 524;
inline constexpr uint32_t MCI_MODE_STOP = 525;
inline constexpr uint32_t MCI_MODE_PLAY = 526;
inline constexpr uint32_t MCI_MODE_RECORD = 527;
inline constexpr uint32_t MCI_MODE_SEEK = 528;
inline constexpr uint32_t MCI_MODE_PAUSE = 529;
inline constexpr uint32_t MCI_MODE_OPEN = 530;

// ---- Errors ---------------------------------------------------------------------------------
inline constexpr MCIERROR MCIERR_BASE = 256;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
inline constexpr MCIERROR MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
inline constexpr MCIERROR MCIERR_HARDWARE = MCIERR_BASE + 6;
inline constexpr MCIERROR MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
inline constexpr MCIERROR MCIERR_OUT_OF_MEMORY = MCIERR_BASE + 8;
inline constexpr MCIERROR MCIERR_DEVICE_OPEN = MCIERR_BASE + 9;
inline constexpr MCIERROR MCIERR_PARAM_OVERFLOW = MCIERR_BASE + 12;
inline constexpr MCIERROR MCIERR_DRIVER_INTERNAL = MCIERR_BASE + 16;
inline constexpr MCIERROR MCIERR_MISSING_PARAMETER = MCIERR_BASE + 17;
inline constexpr MCIERROR MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
inline constexpr MCIERROR MCIERR_DEVICE_NOT_READY = MCIERR_BASE + 20;
inline constexpr MCIERROR MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
inline constexpr MCIERROR MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
inline constexpr MCIERROR MCIERR_MUST_USE_SHAREABLE = MCIERR_BASE + 35;
inline constexpr MCIERROR MCIERR_BAD_TIME_FORMAT = MCIERR_BASE + 37;
inline constexpr MCIERROR MCIERR_INVALID_FILE = MCIERR_BASE + 40;
inline constexpr MCIERROR MCIERR_NULL_PARAMETER_BLOCK = MCIERR_BASE + 41;
inline constexpr MCIERROR MCIERR_NONAPPLICABLE_FUNCTION = MCIERR_BASE + 46;
inline constexpr MCIERROR MCIERR_DEVICE_NOT_INSTALLED = MCIERR_BASE + 50;
inline constexpr MCIERROR MCIERR_WAVE_OUTPUTSUNSUITABLE = MCIERR_BASE + 70;
inline constexpr MCIERROR MCIERR_NO_IDENTITY = MCIERR_BASE + 94;

// ---- Packed MSF: minutes in bits 0-7, seconds in 8-15, frames in 16-23 --------------------
constexpr uint32_t MCI_MAKE_MSF(uint8_t minute, uint8_t second, uint8_t frame)
{
    return cdrom::PackMsf(cdrom::Msf{minute, second, frame});
}
constexpr uint8_t MCI_MSF_MINUTE(uint32_t msf) { return cdrom::UnpackMsf(msf).minute; }
constexpr uint8_t MCI_MSF_SECOND(uint32_t msf) { return cdrom::UnpackMsf(msf).second; }
constexpr uint8_t MCI_MSF_FRAME(uint32_t msf) { return cdrom::UnpackMsf(msf).frame; }

// ---- Parameter records ------------------------------------------------------------------
// dwCallback is the window for MCI_NOTIFY; this platform sends no notifications.
struct MCI_GENERIC_PARMS {
    uintptr_t dwCallback = 0;
};

struct MCI_OPEN_PARMS {
    uintptr_t dwCallback = 0;
    MCIDEVICEID wDeviceID = 0;              // written by the driver
    const char* lpstrDeviceType = nullptr;  // a name, or with MCI_OPEN_TYPE_ID a type number
    const char* lpstrElementName = nullptr; // "E:" names the CD audio device of drive E
    const char* lpstrAlias = nullptr;
};

struct MCI_SET_PARMS {
    uintptr_t dwCallback = 0;
    uint32_t dwTimeFormat = 0;
    uint32_t dwAudio = 0;
};

struct MCI_STATUS_PARMS {
    uintptr_t dwCallback = 0;
    uintptr_t dwReturn = 0;
    uint32_t dwItem = 0;
    uint32_t dwTrack = 0;
};

struct MCI_INFO_PARMS {
    uintptr_t dwCallback = 0;
    char* lpstrReturn = nullptr;
    uint32_t dwRetSize = 0;
};

struct MCI_PLAY_PARMS {
    uintptr_t dwCallback = 0;
    uint32_t dwFrom = 0;
    uint32_t dwTo = 0;
};

struct MCI_SEEK_PARMS {
    uintptr_t dwCallback = 0;
    uint32_t dwTo = 0;
};

// A device type given by number in lpstrDeviceType (with MCI_OPEN_TYPE_ID), as Win32's
// MAKEINTRESOURCE does it.
inline const char* MciDeviceTypeId(uint32_t type)
{
    return reinterpret_cast<const char*>(static_cast<uintptr_t>(type));
}
inline uint32_t MciDeviceTypeOf(const char* lpstrDeviceType)
{
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(lpstrDeviceType) & 0xFFFF);
}

class MciService {
public:
    virtual ~MciService() = default;
    virtual MCIERROR SendCommand(MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params) = 0;
    // The text of an error code into buffer (size bytes, with the terminating 0); false and an
    // empty buffer for a code without a text.
    virtual bool GetErrorString(MCIERROR error, char* buffer, uint32_t size) = 0;
};

// params points at the parameter record of the message (nullptr where none is needed).
// Returns 0 on success or an MCIERR_ code.
MCIERROR mciSendCommandA(MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params);
bool mciGetErrorStringA(MCIERROR error, char* buffer, uint32_t size);

// Installs the MCI service; nullptr goes back to the real CD audio driver. The caller keeps
// ownership.
void SetMciService(MciService* service);

// The driver's own texts, for every error code it returns; nullptr for any other code.
const char* MciErrorText(MCIERROR error);

} // namespace platform
