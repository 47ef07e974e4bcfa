#include "player/cd_audio.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "cdrom/address.h"
#include "cdrom/drive_error.h"
#include "platform/message_box.h"
#include "platform/user_notices.h"

using namespace platform;

namespace {

constexpr const char* kUnknownMciError = "Unknown MCI-error";
constexpr uint32_t kErrorTextSize = 256;
constexpr uint32_t kPositionFallback = 0x200; // 00:02:00, logical sector 0

// The decimal text as the C library's atol reads it: leading white space, one sign, digits up
// to the first other character, accumulated in 32 bits with wrap-around.
uint32_t ParseIdentity(const char* text)
{
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (std::isspace(*p))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    uint32_t value = 0;
    for (; std::isdigit(*p); ++p)
        value = value * 10 + static_cast<uint32_t>(*p - '0');
    return negative ? 0u - value : value;
}

} // namespace

CCDAudio::CCDAudio() : m_OpenParms{} {}

CCDAudio::CCDAudio(char driveLetter) : m_OpenParms{} { Open(driveLetter); }

CCDAudio::~CCDAudio()
{
    if (m_OpenParms.wDeviceID == 0)
        return;
    if (MCIERROR error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_CLOSE, MCI_WAIT, nullptr))
        ReportMciError(error);
}

bool CCDAudio::Open(char driveLetter)
{
    // 1. The element name: the drive letter in place of the question mark.
    char elementName[] = "?:";
    elementName[0] = driveLetter;

    // 2. The open record.
    m_OpenParms.wDeviceID = 0;
    m_OpenParms.lpstrDeviceType = MciDeviceTypeId(MCI_DEVTYPE_CD_AUDIO);
    m_OpenParms.lpstrElementName = elementName;

    // 3. Open shareable, the type given as an identifier.
    MCIERROR error = mciSendCommandA(
        0, MCI_OPEN, MCI_WAIT | MCI_OPEN_SHAREABLE | MCI_OPEN_ELEMENT | MCI_OPEN_TYPE_ID | MCI_OPEN_TYPE, &m_OpenParms);
    m_OpenParms.lpstrElementName = nullptr;

    // 4. Every position and length from now on in MSF.
    if (error != 0) {
        m_OpenParms.wDeviceID = 0;
    } else {
        MCI_SET_PARMS set{};
        set.dwTimeFormat = MCI_FORMAT_MSF;
        error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, &set);
    }

    // 5. A device whose time format could not be set is closed again, so that it does not stay
    // open with no one holding its identifier.
    if (error != 0) {
        if (m_OpenParms.wDeviceID != 0)
            mciSendCommandA(m_OpenParms.wDeviceID, MCI_CLOSE, MCI_WAIT, nullptr);
        ReportMciError(error);
        m_OpenParms.wDeviceID = 0;
        return false;
    }
    return true;
}

bool CCDAudio::Close()
{
    if (m_OpenParms.wDeviceID == 0)
        return true;
    if (MCIERROR error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_CLOSE, MCI_WAIT, nullptr)) {
        ReportMciError(error);
        return false;
    }
    m_OpenParms.wDeviceID = 0;
    return true;
}

uint32_t CCDAudio::Status(uint32_t flags, uint32_t item, uint32_t track, uint32_t fallback, bool reported)
{
    MCI_STATUS_PARMS status{};
    status.dwItem = item;
    status.dwTrack = track;
    if (MCIERROR error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_STATUS, flags, &status)) {
        if (reported)
            ReportMciError(error);
        return fallback;
    }
    return static_cast<uint32_t>(status.dwReturn);
}

uint32_t CCDAudio::GetMode()
{
    return Status(MCI_STATUS_ITEM | MCI_WAIT, MCI_STATUS_MODE, 0, MCI_MODE_NOT_READY, false);
}

uint32_t CCDAudio::IsReady() { return Status(MCI_STATUS_ITEM | MCI_WAIT, MCI_STATUS_READY, 0, 0, false); }

uint32_t CCDAudio::IsMediaPresent() { return Status(MCI_STATUS_ITEM | MCI_WAIT, MCI_STATUS_MEDIA_PRESENT, 0, 0, true); }

uint32_t CCDAudio::GetNumberOfTracks()
{
    return Status(MCI_STATUS_ITEM | MCI_WAIT, MCI_STATUS_NUMBER_OF_TRACKS, 0, 0, true);
}

uint32_t CCDAudio::GetLength() { return Status(MCI_STATUS_ITEM | MCI_WAIT, MCI_STATUS_LENGTH, 0, 0, false); }

uint32_t CCDAudio::GetPosition()
{
    return Status(MCI_STATUS_ITEM | MCI_WAIT, MCI_STATUS_POSITION, 0, kPositionFallback, false);
}

uint32_t CCDAudio::GetTrackPosition(uint32_t track)
{
    return Status(MCI_STATUS_ITEM | MCI_TRACK | MCI_WAIT, MCI_STATUS_POSITION, track, 0, false);
}

uint32_t CCDAudio::GetTrackLength(uint32_t track)
{
    return Status(MCI_STATUS_ITEM | MCI_TRACK | MCI_WAIT, MCI_STATUS_LENGTH, track, 0, false);
}

bool CCDAudio::IsAudioTrack(uint32_t track)
{
    return Status(MCI_STATUS_ITEM | MCI_TRACK | MCI_WAIT, MCI_CDA_STATUS_TYPE_TRACK, track, 0, false) ==
        MCI_CDA_TRACK_AUDIO;
}

bool CCDAudio::GetMediaIdentity(char* buffer, uint32_t size)
{
    MCI_INFO_PARMS info{};
    info.lpstrReturn = buffer;
    info.dwRetSize = size;
    if (MCIERROR error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_INFO, MCI_INFO_MEDIA_IDENTITY | MCI_WAIT, &info)) {
        ReportMciError(error);
        return false;
    }
    // The driver's text ends within the buffer, so the parse stops there.
    if (size > 0)
        buffer[size - 1] = 0;
    const uint32_t identity = ParseIdentity(buffer);
    std::snprintf(buffer, size, "%X", identity);
    return true;
}

bool CCDAudio::GetMediaUPC(char* buffer, uint32_t size)
{
    MCI_INFO_PARMS info{};
    info.lpstrReturn = buffer;
    info.dwRetSize = size;
    return mciSendCommandA(m_OpenParms.wDeviceID, MCI_INFO, MCI_INFO_MEDIA_UPC | MCI_WAIT, &info) == 0;
}

bool CCDAudio::Play(uint8_t fromMinute, uint8_t fromSecond, uint8_t fromFrame, uint8_t toMinute, uint8_t toSecond,
                    uint8_t toFrame)
{
    MCI_PLAY_PARMS play{};
    play.dwFrom = MCI_MAKE_MSF(fromMinute, fromSecond, fromFrame);
    play.dwTo = MCI_MAKE_MSF(toMinute, toSecond, toFrame);
    if (MCIERROR error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_PLAY, MCI_FROM | MCI_TO, &play)) {
        ReportMciError(error);
        return false;
    }
    return true;
}

void CCDAudio::Stop()
{
    if (MCIERROR error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_STOP, MCI_WAIT, nullptr))
        ReportMciError(error);
}

bool CCDAudio::SeekTo(uint32_t startSector, uint32_t endSector)
{
    // 1. Was the drive playing?
    const uint32_t mode = GetMode();

    // 2. Both sectors as minute, second and frame.
    uint8_t startMinute, startSecond, startFrame, endMinute, endSecond, endFrame;
    SectorToMsf(startSector, &startMinute, &startSecond, &startFrame);
    SectorToMsf(endSector, &endMinute, &endSecond, &endFrame);

    // 3. Seek to the start.
    MCI_SEEK_PARMS seek{};
    seek.dwTo = MCI_MAKE_MSF(startMinute, startSecond, startFrame);
    if (mciSendCommandA(m_OpenParms.wDeviceID, MCI_SEEK, MCI_TO | MCI_WAIT, &seek) != 0)
        return false;

    // 4. Playing goes on from the new place to the old end; a failed play has been reported.
    if (mode == MCI_MODE_PLAY)
        Play(startMinute, startSecond, startFrame, endMinute, endSecond, endFrame);
    return true;
}

bool CCDAudio::OpenDoor()
{
    MCI_SET_PARMS set{};
    if (MCIERROR error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_SET, MCI_SET_DOOR_OPEN | MCI_WAIT, &set)) {
        ReportMciError(error);
        return false;
    }
    return true;
}

bool CCDAudio::CloseDoor()
{
    MCI_SET_PARMS set{};
    if (MCIERROR error = mciSendCommandA(m_OpenParms.wDeviceID, MCI_SET, MCI_SET_DOOR_CLOSED | MCI_WAIT, &set)) {
        ReportMciError(error);
        return false;
    }
    return true;
}

void CCDAudio::ReportMciError(MCIERROR error)
{
    // 1. A drive that has no CD audio device is an invalid drive.
    if (error == MCIERR_INVALID_FILE) {
        ShowDriveError(DRIVE_ERROR_INVALID_DRIVE);
        return;
    }
    // 2.-3. The driver's text, or a text of our own when it has none.
    char text[kErrorTextSize];
    std::memset(text, 0, sizeof text);
    mciGetErrorStringA(error, text, sizeof text);
    text[kErrorTextSize - 1] = 0;
    // 4. Only an OK button, the warning icon; why a disc image could not be read comes with it.
    std::string shown = text[0] ? text : kUnknownMciError;
    if (const std::string notices = TakeUserNotices(); !notices.empty())
        shown += "\n\n" + notices;
    MessageBox(shown, MB_OK | MB_ICONEXCLAMATION);
}
