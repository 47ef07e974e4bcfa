#include "platform/mci/cd_audio_driver.h"

#include <QCoreApplication>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <strings.h>
#include <thread>

#include "platform/cdrom/msf.h"
#include "platform/drives.h"
#include "platform/mci/cd_audio_unit.h"
#include "platform/virtual_drive_media.h"

namespace platform {
namespace {

using cdrom::FRAMES_PER_SECOND;
using cdrom::LEAD_IN_SECTORS;
using cdrom::SECONDS_PER_MINUTE;
constexpr uint32_t MCI_SEEK_TO_START = 0x100;
constexpr uint32_t MCI_SEEK_TO_END = 0x200;
constexpr const char* kProductName = "Ripwell CD Audio";

struct OpenDevice {
    char letter = 0;
    bool shareable = false;
    uint32_t timeFormat = MCI_FORMAT_MSF;
    CdAudioUnit* unit = nullptr;
    std::string image; // the disc image of a virtual drive; empty for a physical drive
};

// Frames as a packed MSF value (positions add the lead-in first) or as milliseconds.
uint32_t ToTimeValue(uint32_t frames, uint32_t timeFormat)
{
    if (timeFormat == MCI_FORMAT_MILLISECONDS)
        return static_cast<uint32_t>(uint64_t(frames) * 1000 / FRAMES_PER_SECOND);
    return cdrom::PackMsf(cdrom::MsfOfFrames(frames));
}

uint32_t PositionValue(uint32_t sector, uint32_t timeFormat)
{
    return ToTimeValue(sector + LEAD_IN_SECTORS, timeFormat);
}

// An absolute disc position in the device's time format as a logical sector; false for a
// position before the program area or a malformed MSF value.
bool SectorOfPosition(uint32_t value, uint32_t timeFormat, uint32_t& sector)
{
    uint64_t frames;
    if (timeFormat == MCI_FORMAT_MILLISECONDS) {
        frames = uint64_t(value) * FRAMES_PER_SECOND / 1000;
    } else {
        const cdrom::Msf msf = cdrom::UnpackMsf(value);
        if (msf.second >= SECONDS_PER_MINUTE || msf.frame >= FRAMES_PER_SECOND || (value >> 24) != 0)
            return false;
        frames = cdrom::FramesOfMsf(msf);
    }
    if (frames < LEAD_IN_SECTORS)
        return false;
    sector = static_cast<uint32_t>(frames - LEAD_IN_SECTORS);
    return true;
}

class Driver final : public MciService {
public:
    Driver() { qAddPostRoutine(&Driver::ShutDown); }

    MCIERROR SendCommand(MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params) override;
    bool GetErrorString(MCIERROR error, char* buffer, uint32_t size) override;

    // Playing images end with the program: the sound output cannot outlive the application.
    static void ShutDown() { Instance().m_units.clear(); }
    static Driver& Instance();

private:
    MCIERROR Open(uint32_t flags, MCI_OPEN_PARMS* open);
    MCIERROR Set(OpenDevice& device, uint32_t flags, MCI_SET_PARMS* set);
    MCIERROR Status(OpenDevice& device, uint32_t flags, MCI_STATUS_PARMS* status);
    MCIERROR DiscStatus(OpenDevice& device, uint32_t flags, MCI_STATUS_PARMS* status);
    MCIERROR Info(OpenDevice& device, uint32_t flags, MCI_INFO_PARMS* info);
    MCIERROR Play(OpenDevice& device, uint32_t flags, MCI_PLAY_PARMS* play);
    MCIERROR Seek(OpenDevice& device, uint32_t flags, MCI_SEEK_PARMS* seek);
    CdAudioUnit* UnitFor(const DriveEntry& drive);

    std::map<MCIDEVICEID, OpenDevice> m_devices;
    // One unit per drive and image, kept while the program runs so that a drive plays on after
    // its devices are closed, as a real drive does.
    std::map<std::string, std::unique_ptr<CdAudioUnit>> m_units;
    MCIDEVICEID m_nextId = 1;
};

Driver& Driver::Instance()
{
    static Driver driver;
    return driver;
}

// The letter of an element name such as "E:" or "e:\"; 0 when it names no drive.
char ElementLetter(const char* element)
{
    if (!element || !std::isalpha(static_cast<unsigned char>(element[0])))
        return 0;
    const char* rest = element + 1;
    if (*rest == ':')
        ++rest;
    if (*rest == '\\' || *rest == '/')
        ++rest;
    return *rest ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(element[0])));
}

std::optional<DriveEntry> FirstCdromDrive()
{
    for (char letter = 'A'; letter <= 'Z'; ++letter)
        if (auto drive = FindDrive(letter); drive && drive->kind != DriveEntry::Kind::FixedDisk)
            return drive;
    return std::nullopt;
}

CdAudioUnit* Driver::UnitFor(const DriveEntry& drive)
{
    const std::string key = std::string(1, drive.letter) + drive.source;
    auto found = m_units.find(key);
    if (found != m_units.end())
        return found->second.get();
    std::unique_ptr<CdAudioUnit> unit = drive.kind == DriveEntry::Kind::PhysicalCdrom
        ? CreatePhysicalCdAudioUnit(drive.source)
        : CreateImageCdAudioUnit(drive.source);
    if (!unit)
        return nullptr;
    return m_units.emplace(key, std::move(unit)).first->second.get();
}

MCIERROR Driver::Open(uint32_t flags, MCI_OPEN_PARMS* open)
{
    if (!open)
        return MCIERR_NULL_PARAMETER_BLOCK;
    if (flags & (MCI_OPEN_ALIAS | MCI_OPEN_ELEMENT_ID))
        return MCIERR_UNSUPPORTED_FUNCTION;
    if (!(flags & MCI_OPEN_TYPE))
        return MCIERR_MISSING_PARAMETER;
    const bool isCdAudio = (flags & MCI_OPEN_TYPE_ID)
        ? MciDeviceTypeOf(open->lpstrDeviceType) == MCI_DEVTYPE_CD_AUDIO
        : open->lpstrDeviceType && strcasecmp(open->lpstrDeviceType, "cdaudio") == 0;
    if (!isCdAudio)
        return MCIERR_DEVICE_NOT_INSTALLED;

    std::optional<DriveEntry> drive;
    if (flags & MCI_OPEN_ELEMENT) {
        const char letter = ElementLetter(open->lpstrElementName);
        if (letter)
            drive = FindDrive(letter);
    } else {
        drive = FirstCdromDrive();
    }
    if (!drive || drive->kind == DriveEntry::Kind::FixedDisk)
        return MCIERR_INVALID_FILE;

    const bool shareable = (flags & MCI_OPEN_SHAREABLE) != 0;
    for (const auto& [id, device] : m_devices)
        if (device.letter == drive->letter && !(device.shareable && shareable))
            return MCIERR_MUST_USE_SHAREABLE;

    CdAudioUnit* unit = UnitFor(*drive);
    if (!unit)
        return MCIERR_OUT_OF_MEMORY;
    const MCIDEVICEID id = m_nextId++;
    m_devices[id] = OpenDevice{drive->letter, shareable, MCI_FORMAT_MSF, unit,
                               drive->kind == DriveEntry::Kind::DiscImage ? drive->source : std::string()};
    open->wDeviceID = id;
    return 0;
}

MCIERROR Driver::Set(OpenDevice& device, uint32_t flags, MCI_SET_PARMS* set)
{
    if ((flags & MCI_SET_DOOR_OPEN) && (flags & MCI_SET_DOOR_CLOSED))
        return MCIERR_FLAGS_NOT_COMPATIBLE;
    if (flags & MCI_SET_TIME_FORMAT) {
        if (!set)
            return MCIERR_NULL_PARAMETER_BLOCK;
        if (set->dwTimeFormat != MCI_FORMAT_MSF && set->dwTimeFormat != MCI_FORMAT_MILLISECONDS)
            return MCIERR_BAD_TIME_FORMAT;
        device.timeFormat = set->dwTimeFormat;
    }
    // A virtual drive's door is known to its CD-ROM device too: open, the drive has no medium;
    // closed again, the media change count goes up.
    if (flags & (MCI_SET_DOOR_OPEN | MCI_SET_DOOR_CLOSED)) {
        const bool open = (flags & MCI_SET_DOOR_OPEN) != 0;
        const MCIERROR error = open ? device.unit->OpenDoor() : device.unit->CloseDoor();
        if (!error && !device.image.empty())
            SetVirtualDoorOpen(device.letter, device.image, open);
        return error;
    }
    if (!(flags & MCI_SET_TIME_FORMAT))
        return MCIERR_MISSING_PARAMETER;
    return 0;
}

MCIERROR Driver::Status(OpenDevice& device, uint32_t flags, MCI_STATUS_PARMS* status)
{
    if (!status)
        return MCIERR_NULL_PARAMETER_BLOCK;
    if (!(flags & MCI_STATUS_ITEM))
        return MCIERR_MISSING_PARAMETER;
    switch (status->dwItem) {
    case MCI_STATUS_MODE: status->dwReturn = device.unit->Mode(); return 0;
    case MCI_STATUS_READY: {
        const uint32_t mode = device.unit->Mode();
        status->dwReturn = mode != MCI_MODE_OPEN && mode != MCI_MODE_NOT_READY;
        return 0;
    }
    case MCI_STATUS_MEDIA_PRESENT: {
        cdrom::TableOfContents toc;
        status->dwReturn = device.unit->ReadToc(toc);
        return 0;
    }
    case MCI_STATUS_TIME_FORMAT: status->dwReturn = device.timeFormat; return 0;
    default: return DiscStatus(device, flags, status);
    }
}

// The status items that need a disc in the drive.
MCIERROR Driver::DiscStatus(OpenDevice& device, uint32_t flags, MCI_STATUS_PARMS* status)
{
    cdrom::TableOfContents toc;
    if (!device.unit->ReadToc(toc))
        return MCIERR_DEVICE_NOT_READY;
    const bool track = (flags & MCI_TRACK) != 0;
    size_t index = 0;
    if (track) {
        if (status->dwTrack < toc.tracks.front().number || status->dwTrack > toc.tracks.back().number)
            return MCIERR_OUTOFRANGE;
        index = status->dwTrack - toc.tracks.front().number;
    }
    const cdrom::Track& chosen = toc.tracks[index];
    switch (status->dwItem) {
    case MCI_STATUS_NUMBER_OF_TRACKS: status->dwReturn = toc.tracks.size(); return 0;
    case MCI_STATUS_LENGTH:
        status->dwReturn = track ? ToTimeValue(toc.TrackEnd(index) - chosen.start, device.timeFormat)
                                 : ToTimeValue(toc.leadOut - toc.tracks.front().start, device.timeFormat);
        return 0;
    case MCI_STATUS_POSITION:
        if (track || (flags & MCI_STATUS_START))
            status->dwReturn = PositionValue(chosen.start, device.timeFormat);
        else
            status->dwReturn = PositionValue(device.unit->Position(), device.timeFormat);
        return 0;
    case MCI_STATUS_CURRENT_TRACK: {
        const int at = toc.TrackIndexAt(device.unit->Position());
        status->dwReturn = toc.tracks[at < 0 ? toc.tracks.size() - 1 : size_t(at)].number;
        return 0;
    }
    case MCI_CDA_STATUS_TYPE_TRACK:
        if (!track)
            return MCIERR_MISSING_PARAMETER;
        status->dwReturn = chosen.isAudio ? MCI_CDA_TRACK_AUDIO : MCI_CDA_TRACK_OTHER;
        return 0;
    default: return MCIERR_UNSUPPORTED_FUNCTION;
    }
}

MCIERROR Driver::Info(OpenDevice& device, uint32_t flags, MCI_INFO_PARMS* info)
{
    if (!info)
        return MCIERR_NULL_PARAMETER_BLOCK;
    std::string text;
    if (flags & MCI_INFO_PRODUCT) {
        text = kProductName;
    } else if (flags & (MCI_INFO_MEDIA_IDENTITY | MCI_INFO_MEDIA_UPC)) {
        cdrom::TableOfContents toc;
        if (!device.unit->ReadToc(toc))
            return MCIERR_DEVICE_NOT_READY;
        if (flags & MCI_INFO_MEDIA_IDENTITY) {
            text = std::to_string(DiscIdentity(toc));
        } else {
            if (toc.catalog.empty() || toc.catalog.find_first_not_of('0') == std::string::npos)
                return MCIERR_NO_IDENTITY;
            text = toc.catalog;
        }
    } else {
        return MCIERR_MISSING_PARAMETER;
    }
    if (!info->lpstrReturn || info->dwRetSize == 0)
        return MCIERR_PARAM_OVERFLOW;
    return CopyMciText(text.c_str(), info->lpstrReturn, info->dwRetSize) ? 0 : MCIERR_PARAM_OVERFLOW;
}

MCIERROR Driver::Play(OpenDevice& device, uint32_t flags, MCI_PLAY_PARMS* play)
{
    if ((flags & (MCI_FROM | MCI_TO)) && !play)
        return MCIERR_NULL_PARAMETER_BLOCK;
    cdrom::TableOfContents toc;
    if (!device.unit->ReadToc(toc))
        return MCIERR_DEVICE_NOT_READY;
    uint32_t from = device.unit->Position();
    uint32_t to = toc.leadOut;
    if ((flags & MCI_FROM) && !SectorOfPosition(play->dwFrom, device.timeFormat, from))
        return MCIERR_OUTOFRANGE;
    if ((flags & MCI_TO) && !SectorOfPosition(play->dwTo, device.timeFormat, to))
        return MCIERR_OUTOFRANGE;
    const int first = toc.TrackIndexAt(from);
    if (first < 0 || to > toc.leadOut || from > to)
        return MCIERR_OUTOFRANGE;
    if (!toc.tracks[size_t(first)].isAudio)
        return MCIERR_HARDWARE;
    // A drive plays audio only: playing ends where the next data track begins.
    for (size_t i = size_t(first) + 1; i < toc.tracks.size(); ++i)
        if (!toc.tracks[i].isAudio && toc.tracks[i].start < to)
            to = toc.tracks[i].start;
    if (MCIERROR error = device.unit->Play(from, to))
        return error;
    if (flags & MCI_WAIT)
        while (device.unit->Mode() == MCI_MODE_PLAY)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return 0;
}

MCIERROR Driver::Seek(OpenDevice& device, uint32_t flags, MCI_SEEK_PARMS* seek)
{
    const uint32_t how = flags & (MCI_TO | MCI_SEEK_TO_START | MCI_SEEK_TO_END);
    if (how == 0)
        return MCIERR_MISSING_PARAMETER;
    if (how != MCI_TO && how != MCI_SEEK_TO_START && how != MCI_SEEK_TO_END)
        return MCIERR_FLAGS_NOT_COMPATIBLE;
    if (how == MCI_TO && !seek)
        return MCIERR_NULL_PARAMETER_BLOCK;
    cdrom::TableOfContents toc;
    if (!device.unit->ReadToc(toc))
        return MCIERR_DEVICE_NOT_READY;
    uint32_t target = how == MCI_SEEK_TO_START ? toc.tracks.front().start : toc.leadOut;
    if (how == MCI_TO) {
        if (!SectorOfPosition(seek->dwTo, device.timeFormat, target))
            return MCIERR_OUTOFRANGE;
        if (target < toc.tracks.front().start || target > toc.leadOut)
            return MCIERR_OUTOFRANGE;
    }
    return device.unit->Seek(target);
}

MCIERROR Driver::SendCommand(MCIDEVICEID deviceId, uint32_t message, uint32_t flags, void* params)
{
    if (message == MCI_OPEN)
        return Open(flags, static_cast<MCI_OPEN_PARMS*>(params));
    auto found = m_devices.find(deviceId);
    if (found == m_devices.end())
        return MCIERR_INVALID_DEVICE_ID;
    OpenDevice& device = found->second;
    switch (message) {
    case MCI_CLOSE: m_devices.erase(found); return 0;
    case MCI_SET: return Set(device, flags, static_cast<MCI_SET_PARMS*>(params));
    case MCI_STATUS: return Status(device, flags, static_cast<MCI_STATUS_PARMS*>(params));
    case MCI_INFO: return Info(device, flags, static_cast<MCI_INFO_PARMS*>(params));
    case MCI_PLAY: return Play(device, flags, static_cast<MCI_PLAY_PARMS*>(params));
    case MCI_SEEK: return Seek(device, flags, static_cast<MCI_SEEK_PARMS*>(params));
    case MCI_STOP: return device.unit->Stop();
    default: return MCIERR_UNRECOGNIZED_COMMAND;
    }
}

bool Driver::GetErrorString(MCIERROR error, char* buffer, uint32_t size)
{
    if (!buffer || size == 0)
        return false;
    buffer[0] = 0;
    const char* text = MciErrorText(error);
    return text && CopyMciText(text, buffer, size);
}

} // namespace

uint32_t DiscIdentity(const cdrom::TableOfContents& toc)
{
    auto digitSum = [](uint32_t n) {
        uint32_t sum = 0;
        for (; n > 0; n /= 10)
            sum += n % 10;
        return sum;
    };
    uint32_t sums = 0;
    for (const cdrom::Track& track : toc.tracks)
        sums += digitSum((track.start + LEAD_IN_SECTORS) / FRAMES_PER_SECOND);
    const uint32_t seconds = (toc.leadOut + LEAD_IN_SECTORS) / FRAMES_PER_SECOND -
        (toc.tracks.front().start + LEAD_IN_SECTORS) / FRAMES_PER_SECOND;
    return (sums % 255) << 24 | (seconds & 0xFFFF) << 8 | (toc.tracks.size() & 0xFF);
}

MciService& CdAudioDriver() { return Driver::Instance(); }

} // namespace platform
