#include "app/app_startup.h"

#include <string_view>
#include <variant>

#include "base/app_settings.h"

#include "cdrom/address.h"
#include "platform/app_profile.h"
#include "platform/drives.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

constexpr const char* kRegistryKey = "Brightmoor";
constexpr uint8_t kMaxOverlappingSectors = 20;

// The stored letter if it names a CD-ROM drive, else the machine's first one (0: none).
uint8_t ValidCdromDrive(uint8_t letter)
{
    char rootPath[] = "?:\\";
    rootPath[0] = static_cast<char>(letter);
    if (platform::GetDriveTypeA(rootPath) == platform::DRIVE_CDROM)
        return letter;
    return static_cast<uint8_t>(FindFirstCdromDrive());
}

// Reads one value into its member; the default is the member's value in a fresh record.
struct ValueReader {
    const SettingValue& value;
    AppSettings& settings;

    template <typename T> uint32_t Stored(T& (*member)(AppSettings&)) const
    {
        AppSettings defaults;
        return platform::GetProfileInt(value.section, value.name, static_cast<uint32_t>(member(defaults)));
    }
    void operator()(uint8_t& (*member)(AppSettings&)) const
    {
        member(settings) = static_cast<uint8_t>(Stored(member) & 0xFF);
    }
    void operator()(int32_t& (*member)(AppSettings&)) const { member(settings) = static_cast<int32_t>(Stored(member)); }
    void operator()(uint32_t& (*member)(AppSettings&)) const { member(settings) = Stored(member); }
    void operator()(std::string& (*member)(AppSettings&)) const
    {
        AppSettings defaults;
        member(settings) = platform::GetProfileString(value.section, value.name, member(defaults));
    }
};

// Writes one member as its value.
struct ValueWriter {
    const SettingValue& value;
    AppSettings& settings;

    template <typename T> void operator()(T& (*member)(AppSettings&)) const
    {
        platform::WriteProfileInt(value.section, value.name, static_cast<uint32_t>(member(settings)));
    }
    void operator()(std::string& (*member)(AppSettings&)) const
    {
        platform::WriteProfileString(value.section, value.name, member(settings));
    }
};

bool IsSaveSettingsOnExit(const SettingValue& value) { return std::string_view(value.name) == "SaveSettingsOnExit"; }

} // namespace

std::string DescribeOperatingSystem(const platform::OSVERSIONINFOA& version)
{
    const char servicePackSecond = version.szCSDVersion[0] ? version.szCSDVersion[1] : 0;
    switch (version.dwPlatformId) {
    case platform::VER_PLATFORM_WIN32s: return "Microsoft Win32s";
    case platform::VER_PLATFORM_WIN32_WINDOWS:
        if (version.dwMajorVersion != 4)
            return {};
        switch (version.dwMinorVersion) {
        case 0: return servicePackSecond == 'C' ? "Microsoft Windows 95 OSR2" : "Microsoft Windows 95";
        case 10: return servicePackSecond == 'A' ? "Microsoft Windows 98 SE" : "Microsoft Windows 98";
        case 90: return "Microsoft Windows Me";
        default: return {};
        }
    default: return {};
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
    const int answer =
        platform::MessageBox(text, platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2);
    return answer != platform::IDNO;
}

void InitRegistry() { platform::SetRegistryKey(kRegistryKey); }
void SetRegistryKey(const char* companyKey) { platform::SetRegistryKey(companyKey ? companyKey : ""); }

void LoadSettings(AppSettings& settings)
{
    for (const SettingValue& value : SettingValues())
        std::visit(ValueReader{value, settings}, value.member);
    settings.DefaultCDROMDrive = ValidCdromDrive(settings.DefaultCDROMDrive);
    settings.ReadIntoRAM = 1;
    if (settings.OverlappingSectors > kMaxOverlappingSectors)
        settings.OverlappingSectors = kMaxOverlappingSectors;
}

void SaveSettings(const AppSettings& settings, int32_t saveSettingsOnExitAtStart)
{
    AppSettings s = settings; // the table reaches members through a modifiable record
    // Switching the saving off (or on) is itself remembered.
    if ((s.SaveSettingsOnExit != 0) != (saveSettingsOnExitAtStart != 0))
        platform::WriteProfileInt(SETTINGS_SECTION, "SaveSettingsOnExit", static_cast<uint32_t>(s.SaveSettingsOnExit));
    if (!s.SaveSettingsOnExit)
        return;
    for (const SettingValue& value : SettingValues())
        if (!IsSaveSettingsOnExit(value))
            std::visit(ValueWriter{value, s}, value.member);
}
