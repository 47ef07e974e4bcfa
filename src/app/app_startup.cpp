#include "app/app_startup.h"

#include "app/app_settings.h"
#include "cdrom/address.h"
#include "platform/app_profile.h"
#include "platform/drives.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

constexpr const char* kRegistryKey = "Brightmoor";
constexpr const char* kSettings = "Settings";
constexpr const char* kColors = "Colors";
constexpr const char* kApplications = "Applications";
constexpr const char* kReadAudioParams = "Read Audio Params";
constexpr uint8_t kMaxOverlappingSectors = 20;

uint8_t LowByte(uint32_t value) { return static_cast<uint8_t>(value & 0xFF); }
int32_t ReadInt(const char* section, const char* entry, int32_t defaultValue)
{
    return static_cast<int32_t>(platform::GetProfileInt(section, entry, static_cast<uint32_t>(defaultValue)));
}
uint8_t ReadByte(const char* section, const char* entry, uint8_t defaultValue)
{
    return LowByte(platform::GetProfileInt(section, entry, defaultValue));
}

// The stored letter if it names a CD-ROM drive, else the machine's first one (0: none).
uint8_t ValidCdromDrive(uint8_t letter)
{
    char rootPath[] = "?:\\";
    rootPath[0] = static_cast<char>(letter);
    if (platform::GetDriveTypeA(rootPath) == platform::DRIVE_CDROM)
        return letter;
    return static_cast<uint8_t>(FindFirstCdromDrive());
}

void LoadReadAudioParams(ReadAudioParams& p)
{
    const char* s = kReadAudioParams;
    p.DialogTabPage = ReadByte(s, "DialogTabPage", 0);
    p.StartingMin = ReadByte(s, "StartingMin", 0);
    p.StartingSec = ReadByte(s, "StartingSec", 10);
    p.StartingFrm = ReadByte(s, "StartingFrm", 0);
    p.EndingMin = ReadByte(s, "EndingMin", 0);
    p.EndingSec = ReadByte(s, "EndingSec", 20);
    p.EndingFrm = ReadByte(s, "EndingFrm", 0);
    p.StartingSect = platform::GetProfileInt(s, "StartingSect", 600);
    p.EndingSect = platform::GetProfileInt(s, "EndingSect", 1350);
    p.PlayFirstSec = ReadByte(s, "PlayFirstSec", 3);
    p.PlayLastSec = ReadByte(s, "PlayLastSec", 3);
    p.PlayOnlyFirst = ReadInt(s, "PlayOnlyFirst", 0);
    p.PlayOnlyLast = ReadInt(s, "PlayOnlyLast", 0);
    p.PlayInLoopMode = ReadInt(s, "PlayInLoopMode", 0);
}

void SaveReadAudioParams(const ReadAudioParams& p)
{
    const char* s = kReadAudioParams;
    platform::WriteProfileInt(s, "DialogTabPage", p.DialogTabPage);
    platform::WriteProfileInt(s, "StartingMin", p.StartingMin);
    platform::WriteProfileInt(s, "StartingSec", p.StartingSec);
    platform::WriteProfileInt(s, "StartingFrm", p.StartingFrm);
    platform::WriteProfileInt(s, "EndingMin", p.EndingMin);
    platform::WriteProfileInt(s, "EndingSec", p.EndingSec);
    platform::WriteProfileInt(s, "EndingFrm", p.EndingFrm);
    platform::WriteProfileInt(s, "StartingSect", p.StartingSect);
    platform::WriteProfileInt(s, "EndingSect", p.EndingSect);
    platform::WriteProfileInt(s, "PlayFirstSec", p.PlayFirstSec);
    platform::WriteProfileInt(s, "PlayLastSec", p.PlayLastSec);
    platform::WriteProfileInt(s, "PlayOnlyFirst", static_cast<uint32_t>(p.PlayOnlyFirst));
    platform::WriteProfileInt(s, "PlayOnlyLast", static_cast<uint32_t>(p.PlayOnlyLast));
    platform::WriteProfileInt(s, "PlayInLoopMode", static_cast<uint32_t>(p.PlayInLoopMode));
}

} // namespace

std::string DescribeOperatingSystem(const platform::OSVERSIONINFOA& version)
{
    const char servicePackSecond = version.szCSDVersion[0] ? version.szCSDVersion[1] : 0;
    switch (version.dwPlatformId) {
    case platform::VER_PLATFORM_WIN32s:
        return "Microsoft Win32s";
    case platform::VER_PLATFORM_WIN32_WINDOWS:
        if (version.dwMajorVersion != 4)
            return {};
        switch (version.dwMinorVersion) {
        case 0: return servicePackSecond == 'C' ? "Microsoft Windows 95 OSR2" : "Microsoft Windows 95";
        case 10: return servicePackSecond == 'A' ? "Microsoft Windows 98 SE" : "Microsoft Windows 98";
        case 90: return "Microsoft Windows Me";
        default: return {};
        }
    default:
        return {};
    }
}

bool CheckOperatingSystem()
{
    // The two records share their first fields, so one storage serves both requests.
    union {
        platform::OSVERSIONINFOA basic;
        platform::OSVERSIONINFOEXA extended;
    } version{};
    version.extended.dwOSVersionInfoSize = sizeof(platform::OSVERSIONINFOEXA);
    if (!platform::GetVersionExA(&version.basic)) {
        version.basic = {};
        version.basic.dwOSVersionInfoSize = sizeof(platform::OSVERSIONINFOA);
        if (!platform::GetVersionExA(&version.basic))
            return false;
    }
    if (version.basic.dwPlatformId == platform::VER_PLATFORM_WIN32_NT)
        return true;
    const std::string pattern(res::LoadString(res::IDS_OS_WARNING));
    std::string text = pattern;
    if (const auto at = pattern.find("%s"); at != std::string::npos)
        text = pattern.substr(0, at) + DescribeOperatingSystem(version.basic) + pattern.substr(at + 2);
    const int answer = platform::MessageBox(text, platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2);
    return answer != platform::IDNO;
}

void InitRegistry() { platform::SetRegistryKey(kRegistryKey); }
void SetRegistryKey(const char* companyKey) { platform::SetRegistryKey(companyKey ? companyKey : ""); }

int32_t& SaveSettingsOnExitAtStart()
{
    static int32_t atStart = 1;
    return atStart;
}

void LoadSettings()
{
    AppSettings& s = Settings();
    s.DefaultCDROMDrive = ValidCdromDrive(ReadByte(kSettings, "DefaultCDROMDrive", 'D'));
    s.PlayDialogSounds = ReadInt(kSettings, "PlayDialogSounds", 1);
    s.ShowWaveHeader = ReadInt(kSettings, "ShowWaveHeader", 0);
    s.ReadIntoRAM = 1;
    s.DoJitterCorrection = ReadInt(kSettings, "DoJitterCorrection", 1);
    s.OverlappingSectors = ReadByte(kSettings, "OverlappingSectors", 2);
    if (s.OverlappingSectors > kMaxOverlappingSectors)
        s.OverlappingSectors = kMaxOverlappingSectors;
    s.SaveSettingsOnExit = ReadInt(kSettings, "SaveSettingsOnExit", 1);
    s.Foreground = platform::GetProfileInt(kColors, "Foreground", 0x000000);
    s.Background = platform::GetProfileInt(kColors, "Background", 0xFFFFFF);
    s.CDPlayer = platform::GetProfileString(kApplications, "CDPlayer", "CDPLAYER.EXE");
    s.SoundRecorder = platform::GetProfileString(kApplications, "SoundRecorder", "SNDREC32.EXE");
    LoadReadAudioParams(s.ReadAudio);
    SaveSettingsOnExitAtStart() = s.SaveSettingsOnExit;
}

void SaveSettings()
{
    const AppSettings& s = Settings();
    // Switching the saving off (or on) is itself remembered.
    if ((s.SaveSettingsOnExit != 0) != (SaveSettingsOnExitAtStart() != 0))
        platform::WriteProfileInt(kSettings, "SaveSettingsOnExit", static_cast<uint32_t>(s.SaveSettingsOnExit));
    if (!s.SaveSettingsOnExit)
        return;
    platform::WriteProfileInt(kSettings, "DefaultCDROMDrive", s.DefaultCDROMDrive);
    platform::WriteProfileInt(kSettings, "PlayDialogSounds", static_cast<uint32_t>(s.PlayDialogSounds));
    platform::WriteProfileInt(kSettings, "ReadIntoRAM", static_cast<uint32_t>(s.ReadIntoRAM));
    platform::WriteProfileInt(kSettings, "DoJitterCorrection", static_cast<uint32_t>(s.DoJitterCorrection));
    platform::WriteProfileInt(kSettings, "OverlappingSectors", s.OverlappingSectors);
    platform::WriteProfileInt(kSettings, "ShowWaveHeader", static_cast<uint32_t>(s.ShowWaveHeader));
    platform::WriteProfileInt(kColors, "Foreground", s.Foreground);
    platform::WriteProfileInt(kColors, "Background", s.Background);
    platform::WriteProfileString(kApplications, "CDPlayer", s.CDPlayer);
    platform::WriteProfileString(kApplications, "SoundRecorder", s.SoundRecorder);
    SaveReadAudioParams(s.ReadAudio);
}
