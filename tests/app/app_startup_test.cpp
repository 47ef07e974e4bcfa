#include "base/app_settings.h"
#include "app/app_startup.h"
#include "platform/framework/recent_file_list.h"
#include "support/scripted_desktop.h"
#include "support/scripted_drive_table.h"
#include "support/scripted_registry.h"
#include "support/scripted_version.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <variant>

using platform::VER_PLATFORM_WIN32_NT;
using platform::VER_PLATFORM_WIN32_WINDOWS;

namespace {

const std::string kWarningStart = "This version of Ripwell was designed for Windows NT/2000/XP or later.\n\n"
                                  "You are trying to run it on ";

std::string SettingsKey(const char* section) { return std::string("Software\\Brightmoor\\Ripwell\\") + section; }

uint32_t Stored(platform::Hive& hive, const char* section, const char* name)
{
    const platform::Hive::Value* value = hive.FindValue(SettingsKey(section), name);
    if (!value || value->data.size() != 4)
        return 0xDEADBEEF;
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | uint32_t{value->data[3]} << 24;
}

} // namespace

TEST(CheckOperatingSystem, NtFamilyGoesOnSilentlyWhateverTheVersion)
{
    ScriptedDesktop desktop;
    ScriptedVersion version(VER_PLATFORM_WIN32_NT, 99, 7);
    EXPECT_TRUE(CheckOperatingSystem());
    EXPECT_TRUE(desktop.Events().empty());
    EXPECT_EQ(version.askedSizes, (std::vector<uint32_t>{156}));
}

TEST(CheckOperatingSystem, FallsBackToTheBasicRecordAndFailsSilentlyWhenBothAreRefused)
{
    ScriptedDesktop desktop;
    ScriptedVersion version(VER_PLATFORM_WIN32_NT, 5, 1);
    version.refuseExtended = true;
    EXPECT_TRUE(CheckOperatingSystem());
    version.refuseBasic = true;
    EXPECT_FALSE(CheckOperatingSystem());
    EXPECT_EQ(version.askedSizes, (std::vector<uint32_t>{156, 148, 156, 148}));
    EXPECT_TRUE(desktop.Events().empty());
}

TEST(CheckOperatingSystem, WarnsOnOtherSystemsAndNoEndsStartUp)
{
    ScriptedDesktop desktop;
    ScriptedVersion version(VER_PLATFORM_WIN32_WINDOWS, 4, 10, " A ");
    desktop.AnswerNext(platform::IDNO);
    EXPECT_FALSE(CheckOperatingSystem());
    ASSERT_EQ(desktop.Events().size(), 1u); // a box and no sound
    const DesktopEvent& box = desktop.Events()[0];
    EXPECT_EQ(box.text,
              kWarningStart +
                  "Microsoft Windows 98 SE.\nIt might not work as expected.\n\n"
                  "Do you want to continue anyway?");
    EXPECT_EQ(box.Buttons(), platform::MB_YESNO);
    EXPECT_EQ(box.Icon(), platform::MB_ICONQUESTION);
    EXPECT_EQ(box.DefaultButton(), platform::MB_DEFBUTTON2);
    desktop.AnswerNext(platform::IDYES);
    EXPECT_TRUE(CheckOperatingSystem());
}

TEST(CheckOperatingSystem, DescribesTheKnownSystems)
{
    auto describe = [](uint32_t platformId, uint32_t major, uint32_t minor, const char* sp) {
        platform::OSVERSIONINFOA v{};
        v.dwPlatformId = platformId;
        v.dwMajorVersion = major;
        v.dwMinorVersion = minor;
        std::snprintf(v.szCSDVersion, sizeof v.szCSDVersion, "%s", sp);
        return DescribeOperatingSystem(v);
    };
    EXPECT_EQ(describe(0, 3, 11, ""), "Microsoft Win32s");
    EXPECT_EQ(describe(1, 4, 0, " C"), "Microsoft Windows 95 OSR2");
    EXPECT_EQ(describe(1, 4, 0, "C"), "Microsoft Windows 95"); // the second character counts
    EXPECT_EQ(describe(1, 4, 10, ""), "Microsoft Windows 98");
    EXPECT_EQ(describe(1, 4, 90, " A"), "Microsoft Windows Me");
    EXPECT_EQ(describe(1, 4, 3, ""), "");
    EXPECT_EQ(describe(1, 5, 0, ""), "");
    EXPECT_EQ(describe(7, 4, 0, ""), "");

    ScriptedDesktop desktop;
    ScriptedVersion version(VER_PLATFORM_WIN32_WINDOWS, 4, 3);
    CheckOperatingSystem();
    EXPECT_NE(desktop.Boxes()[0].text.find("run it on .\nIt might"), std::string::npos);
}

TEST(LoadSettings, FirstRunGivesTheDefaultsAndTheFirstCdromDrive)
{
    ScriptedRegistry registry;
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("FG"));
    AppSettings s;
    s.ReadIntoRAM = 0;
    LoadSettings(s);
    EXPECT_EQ(s.DefaultCDROMDrive, 'F');
    EXPECT_EQ(s.PlayDialogSounds, 1);
    EXPECT_EQ(s.ShowWaveHeader, 0);
    EXPECT_EQ(s.ReadIntoRAM, 1);
    EXPECT_EQ(s.DoJitterCorrection, 1);
    EXPECT_EQ(s.OverlappingSectors, 2);
    EXPECT_EQ(s.SaveSettingsOnExit, 1);
    EXPECT_EQ(s.Foreground, 0u);
    EXPECT_EQ(s.Background, 0xFFFFFFu);
    EXPECT_EQ(s.CDPlayer, "CDPLAYER.EXE");
    EXPECT_EQ(s.SoundRecorder, "SNDREC32.EXE");
    EXPECT_EQ(s.ReadAudio.StartingSec, 10);
    EXPECT_EQ(s.ReadAudio.EndingSect, 1350u);
    EXPECT_EQ(s.ReadAudio.PlayLastSec, 3);
    EXPECT_EQ(s.ReadAudio.PlayInLoopMode, 0);
    EXPECT_TRUE(registry.user.WriteLog().empty()); // start-up writes no values
}

TEST(LoadSettings, NormalisesOverlapAndDriveAndTakesLowBytes)
{
    ScriptedRegistry registry;
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("EH"));
    AppSettings settings;
    struct Case {
        const char* stored;
        uint8_t overlap;
    };
    for (const Case& c : {Case{"00000019", 20}, Case{"00000000", 0}, Case{"00000101", 1}, Case{"00000014", 20}}) {
        registry.LoadUser(std::string("[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n"
                                      "\"OverlappingSectors\"=dword:") +
                          c.stored + "\n");
        LoadSettings(settings);
        EXPECT_EQ(settings.OverlappingSectors, c.overlap) << c.stored;
    }
    // 'H' + 0x100: the low byte names H:, a CD-ROM drive, so it stays. C: and a missing drive
    // are replaced; a lower-case letter names its drive too and is kept as stored.
    struct Drive {
        const char* stored;
        uint8_t letter;
    };
    for (const Drive& d : {Drive{"00000148", 'H'}, Drive{"00000043", 'E'}, Drive{"0000005a", 'E'},
                           Drive{"00000000", 'E'}, Drive{"00000068", 'h'}}) {
        registry.LoadUser(std::string("[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n"
                                      "\"DefaultCDROMDrive\"=dword:") +
                          d.stored + "\n");
        LoadSettings(settings);
        EXPECT_EQ(settings.DefaultCDROMDrive, d.letter) << d.stored;
    }
    drives.Set(ScriptedDriveTable::WithCdroms(""));
    LoadSettings(settings);
    EXPECT_EQ(settings.DefaultCDROMDrive, 0);
}

TEST(SaveSettings, WritesEveryValueInOrderWhenSavingIsOn)
{
    ScriptedRegistry registry;
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("D"));
    AppSettings settings;
    LoadSettings(settings);
    settings.ReadAudio.StartingMin = 200;
    SaveSettings(settings, settings.SaveSettingsOnExit);
    const std::vector<std::string> expected = {
        "DefaultCDROMDrive",  "PlayDialogSounds", "ReadIntoRAM",  "DoJitterCorrection", "OverlappingSectors",
        "ShowWaveHeader",     "Foreground",       "Background",   "CDPlayer",           "SoundRecorder",
        "DialogTabPage",      "StartingMin",      "StartingSec",  "StartingFrm",        "EndingMin",
        "EndingSec",          "EndingFrm",        "StartingSect", "EndingSect",         "PlayFirstSec",
        "PlayLastSec",        "PlayOnlyFirst",    "PlayOnlyLast", "PlayInLoopMode",     "SecureMode",
        "SecureReadTries",    "DefeatDriveCache", "ReadOffset",   "DriveReadOffsets",   "RipFolder",
        "RipFileNamePattern", "RipFormat",        "RipFlacLevel", "AccurateRipUrl",     "MusicBrainzServer"};
    ASSERT_EQ(registry.user.WriteLog().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(registry.user.WriteLog()[i].substr(registry.user.WriteLog()[i].rfind('\\') + 1), expected[i]);
    EXPECT_EQ(Stored(registry.user, "Settings", "DefaultCDROMDrive"), 68u);
    EXPECT_EQ(Stored(registry.user, "Settings", "ReadIntoRAM"), 1u);
    EXPECT_EQ(Stored(registry.user, "Colors", "Background"), 16777215u);
    EXPECT_EQ(Stored(registry.user, "Read Audio Params", "StartingMin"), 200u);
    EXPECT_EQ(registry.user.FindValue(SettingsKey("Settings"), "SaveSettingsOnExit"), nullptr);
}

TEST(SaveSettings, SwitchingSavingOffWritesOnlyThatButTheRecentListAnyway)
{
    ScriptedRegistry registry;
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("D"));
    AppSettings settings;
    LoadSettings(settings);
    int32_t saveOnExitAtStart = settings.SaveSettingsOnExit;
    std::vector<std::string> recent = framework::LoadRecentFileList();
    settings.SaveSettingsOnExit = 0;
    settings.OverlappingSectors = 9;
    framework::AddToRecentFiles(recent, "/music/a.wav");
    SaveSettings(settings, saveOnExitAtStart);
    framework::SaveRecentFileList(recent);
    EXPECT_EQ(registry.user.WriteLog(),
              (std::vector<std::string>{"Software\\Brightmoor\\Ripwell\\Settings\\SaveSettingsOnExit",
                                        "Software\\Brightmoor\\Ripwell\\Recent File List\\File1"}));
    EXPECT_EQ(Stored(registry.user, "Settings", "SaveSettingsOnExit"), 0u);

    // The next run starts with saving off; switching it on writes it and everything else.
    LoadSettings(settings);
    saveOnExitAtStart = settings.SaveSettingsOnExit;
    EXPECT_EQ(saveOnExitAtStart, 0);
    settings.SaveSettingsOnExit = 1;
    SaveSettings(settings, saveOnExitAtStart);
    EXPECT_EQ(Stored(registry.user, "Settings", "SaveSettingsOnExit"), 1u);
    EXPECT_EQ(Stored(registry.user, "Settings", "OverlappingSectors"), 2u); // 9 was never saved
}

TEST(SaveSettings, EveryValueOfTheTableComesBackAtTheNextStart)
{
    ScriptedRegistry registry;
    ScriptedDriveTable drives(ScriptedDriveTable::WithCdroms("DEFG"));
    // Each value set to something that is neither its default nor any other value's.
    AppSettings saved;
    uint8_t next = 3;
    for (const SettingValue& value : SettingValues()) {
        ++next;
        std::visit(
            [&](auto member) {
                auto& field = member(saved);
                if constexpr (std::is_same_v<std::decay_t<decltype(field)>, std::string>)
                    field = "program " + std::to_string(next);
                else
                    field = static_cast<std::decay_t<decltype(field)>>(next);
            },
            value.member);
    }
    saved.DefaultCDROMDrive = 'G';
    saved.SaveSettingsOnExit = 1;
    saved.ReadIntoRAM = 1;
    saved.OverlappingSectors = 19;
    SaveSettings(saved, 1);

    AppSettings loaded;
    LoadSettings(loaded);
    for (const SettingValue& value : SettingValues()) {
        std::visit([&](auto member) { EXPECT_EQ(member(loaded), member(saved)) << value.name; }, value.member);
    }
    EXPECT_EQ(FindSettingValue("PlayInLoopMode")->section, std::string("Read Audio Params"));
    EXPECT_EQ(FindSettingValue("NoSuchValue"), nullptr);
}
