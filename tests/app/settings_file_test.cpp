// The settings file through the real start-up and shut-down: read once at start-up, written
// once at shut-down, and the user's own lines kept.
#include "app/app_startup.h"
#include "base/app_settings.h"
#include "platform/framework/recent_file_list.h"
#include "platform/profile.h"
#include "support/scoped_environment.h"
#include "support/scripted_drive_table.h"
#include "support/temp_dir.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::stringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// Whether every line of part stands in whole in the same order.
bool InOrder(const std::vector<std::string>& part, const std::vector<std::string>& whole)
{
    size_t at = 0;
    for (const std::string& line : part) {
        while (at < whole.size() && whole[at] != line)
            ++at;
        if (at == whole.size())
            return false;
        ++at;
    }
    return true;
}

struct stat Stat(const std::string& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info;
}

// The hive as a user may keep it: comments, a comment after a value, a value given as bytes
// over two lines, a line the program cannot read.
const std::string kHive = "REGEDIT4\n"
                          "\n"
                          "; Ripwell's settings, kept with my dotfiles\n"
                          "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n"
                          "\"DefaultCDROMDrive\"=dword:00000045 ; E:\n"
                          "\"SaveSettingsOnExit\"=dword:00000000\n"
                          "\"OverlappingSectors\"=dword:00000005\n"
                          "\"Extra\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\n"
                          "  16,17,18,19\n"
                          "this line is no registry line\n"
                          "\n"
                          "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Recent File List]\n"
                          "\"File1\"=\"/music/a.wav\"\n";

class SettingsFileTest : public testing::Test {
protected:
    // One run of the program as far as its settings go: start-up, a change, shut-down.
    void Run(const std::function<void(AppSettings&)>& change)
    {
        InitRegistry();
        std::vector<std::string> recent = framework::LoadRecentFileList();
        AppSettings settings;
        LoadSettings(settings);
        const int32_t saveOnExitAtStart = settings.SaveSettingsOnExit;
        change(settings);
        SaveSettings(settings, saveOnExitAtStart);
        framework::SaveRecentFileList(recent);
    }

    TempDir dir;
    const std::string hive = dir.file("user.reg");
    ScopedEnvironment hivePath{"RIPWELL_USER_HIVE", hive.c_str()};
    ScopedEnvironment config{"XDG_CONFIG_HOME", dir.path().c_str()};
    ScriptedDriveTable drives{ScriptedDriveTable::WithCdroms("DE")};
};

} // namespace

TEST_F(SettingsFileTest, ARunThatSavesNothingLeavesTheFileAsItWas)
{
    std::ofstream(hive, std::ios::binary) << kHive;
    const struct stat before = Stat(hive);
    Run([](AppSettings& settings) {
        EXPECT_EQ(settings.DefaultCDROMDrive, 'E');
        EXPECT_EQ(settings.OverlappingSectors, 5);
        settings.OverlappingSectors = 9; // not saved: SaveSettingsOnExit is 0
    });
    EXPECT_EQ(ReadFile(hive), kHive);
    const struct stat after = Stat(hive);
    EXPECT_EQ(after.st_ino, before.st_ino); // not even written again
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
}

TEST_F(SettingsFileTest, ARunThatSavesKeepsEveryLineItDoesNotWrite)
{
    std::ofstream(hive, std::ios::binary) << kHive;
    Run([](AppSettings& settings) {
        settings.SaveSettingsOnExit = 1;
        settings.OverlappingSectors = 9;
    });
    const std::vector<std::string> written = Lines(ReadFile(hive));
    std::vector<std::string> kept = Lines(kHive);
    std::erase_if(kept, [](const std::string& line) {
        return line.rfind("\"SaveSettingsOnExit\"", 0) == 0 || line.rfind("\"OverlappingSectors\"", 0) == 0;
    });
    EXPECT_TRUE(InOrder(kept, written)) << ReadFile(hive);
    EXPECT_TRUE(InOrder({"\"SaveSettingsOnExit\"=dword:00000001", "\"OverlappingSectors\"=dword:00000009",
                         "\"Extra\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\",
                         "\"PlayDialogSounds\"=dword:00000001", "this line is no registry line",
                         "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Colors]"},
                        written))
        << ReadFile(hive);

    // The next run reads what this one wrote.
    Run([](AppSettings& settings) {
        EXPECT_EQ(settings.OverlappingSectors, 9);
        EXPECT_EQ(settings.SaveSettingsOnExit, 1);
    });
}

// Settings and titles kept as links to files elsewhere (a dotfiles repository) stay links; the
// files they name get the new values and keep their mode.
TEST_F(SettingsFileTest, LinkedSettingsAndTitleFilesStayLinks)
{
    std::filesystem::create_directories(dir.path() / "dotfiles");
    const std::string hiveTarget = dir.file("dotfiles/user.reg");
    const std::string iniTarget = dir.file("dotfiles/CDPLAYER.INI");
    std::ofstream(hiveTarget, std::ios::binary) << kHive;
    std::ofstream(iniTarget, std::ios::binary) << "; titles\n[10000903]\n0=Intro\n";
    ::chmod(hiveTarget.c_str(), 0600);
    ::chmod(iniTarget.c_str(), 0600);
    std::filesystem::create_symlink(hiveTarget, hive);
    std::filesystem::create_directories(dir.path() / "ripwell");
    std::filesystem::create_symlink("../dotfiles/CDPLAYER.INI", dir.path() / "ripwell/CDPLAYER.INI");

    // A rename in the track list, then an Exit that saves.
    ASSERT_NE(platform::WritePrivateProfileStringA("10000903", "1", "Second song", "CDPLAYER.INI"), 0);
    Run([](AppSettings& settings) {
        settings.SaveSettingsOnExit = 1;
        settings.Background = 0x00C0C0C0;
    });

    EXPECT_TRUE(std::filesystem::is_symlink(hive));
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "ripwell/CDPLAYER.INI"));
    EXPECT_NE(ReadFile(hiveTarget).find("\"Background\"=dword:00c0c0c0"), std::string::npos);
    EXPECT_EQ(ReadFile(iniTarget), "; titles\n[10000903]\n0=Intro\n1=Second song\n");
    EXPECT_EQ(Stat(hiveTarget).st_mode & 0777, 0600u);
    EXPECT_EQ(Stat(iniTarget).st_mode & 0777, 0600u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "dotfiles"), {}), 2);
}
