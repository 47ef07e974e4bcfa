#include "platform/app_profile.h"
#include "platform/atomic_file.h"
#include "platform/registry.h"
#include "support/scoped_environment.h"
#include "support/scripted_registry.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace platform;

namespace {

std::string Slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Points both hives at files in a temporary folder for the test's lifetime.
struct HiveFiles {
    TempDir dir;
    std::string user = dir.file("config/ripwell/user.reg");
    std::string machine = dir.file("etc/machine.reg");
    ScopedEnvironment userHive{"RIPWELL_USER_HIVE", user.c_str()};
    ScopedEnvironment machineHive{"RIPWELL_MACHINE_HIVE", machine.c_str()};
    HiveFiles() { SetRegistryKey("Brightmoor"); }
};

} // namespace

TEST(Registry, ValuesRoundTripThroughTheHiveFileWithTheirTypes)
{
    HiveFiles files;
    EXPECT_TRUE(WriteProfileInt("Settings", "DefaultCDROMDrive", 68));
    EXPECT_TRUE(WriteProfileString("Applications", "CDPlayer", "C:\\Program Files\\\"cd\"\nplayer"));
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Other", 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE blob[] = {1, 0, 255};
    EXPECT_EQ(RegSetValueExA(key, "", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
    RegCloseKey(key);

    const std::string text = Slurp(files.user);
    EXPECT_NE(text.find("[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n"
                        "\"DefaultCDROMDrive\"=dword:00000044\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("@=hex:01,00,ff"), std::string::npos) << text;

    // A second hive object reading the same file (as the next run would) sees the same values.
    Hive reread("HKEY_CURRENT_USER", "");
    EXPECT_EQ(reread.LoadText(text), 0);
    const Hive::Value* player = reread.FindValue("software\\brightmoor\\ripwell\\APPLICATIONS", "cdplayer");
    ASSERT_TRUE(player);
    EXPECT_EQ(player->type, REG_SZ);
    EXPECT_EQ(std::string(player->data.begin(), player->data.end() - 1), "C:\\Program Files\\\"cd\"\nplayer");
    const Hive::Value* drive = reread.FindValue("Software\\Brightmoor\\Ripwell\\Settings", "DefaultCDROMDrive");
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->type, REG_DWORD);
    EXPECT_EQ(drive->data, (std::vector<BYTE>{0x44, 0, 0, 0}));
}

TEST(Registry, IntegersAreTheFourBytesStoredWhateverTheType)
{
    ScriptedRegistry registry;
    registry.LoadUser("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n"
                      "\"Four\"=\"abc\"\n" // "abc" and its zero: four bytes
                      "\"Long\"=\"too long\"\n"
                      "\"Two\"=hex:07,01\n"
                      "\"Big\"=dword:ffffffff\n");
    EXPECT_EQ(GetProfileInt("Settings", "Four", 9), 0x00636261u);
    EXPECT_EQ(GetProfileInt("Settings", "Long", 9), 9u);
    EXPECT_EQ(GetProfileInt("Settings", "Two", 9), 0x0107u);
    EXPECT_EQ(GetProfileInt("Settings", "Big", 9), 0xFFFFFFFFu);
    EXPECT_EQ(GetProfileInt("Settings", "Missing", 9), 9u);
    EXPECT_EQ(GetProfileString("Settings", "Long", "x"), "too long");
    EXPECT_EQ(GetProfileString("Settings", "Missing", "x"), "x");
}

TEST(Registry, MalformedLinesAreSkippedAndTheRestLoads)
{
    HiveFiles files;
    std::filesystem::create_directories(std::filesystem::path(files.user).parent_path());
    std::ofstream(files.user) << "REGEDIT4\r\n"
                                 "\"Orphan\"=dword:00000001\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\r\n"
                                 "\"PlayDialogSounds\"=dword:0\r\n"
                                 "\"Bad\"=dword:xyz\r\n"
                                 "\"Unterminated\"=\"abc\r\n"
                                 "\"NoEquals\" dword:1\r\n"
                                 "[HKEY_LOCAL_MACHINE\\Elsewhere]\r\n"
                                 "\"Wrong\"=dword:00000001\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings\r\n"
                                 "garbage \x01\x02\xff\r\n"
                                 "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Colors]\r\n"
                                 "\"Background\"=dword:00123456\r\n"
                                 "\"Truncated\"=hex(4):01,0";
    EXPECT_EQ(GetProfileInt("Settings", "PlayDialogSounds", 1), 0u);
    EXPECT_EQ(GetProfileInt("Settings", "Bad", 7), 7u);
    EXPECT_EQ(GetProfileInt("Colors", "Background", 0), 0x123456u);
    EXPECT_EQ(GetProfileInt("Colors", "Truncated", 0), 1u); // "0" is a whole hex byte
}

TEST(Registry, OpeningASectionCreatesItsKeysButOpenKeyDoesNot)
{
    ScriptedRegistry registry;
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Brightmoor\\Ripwell\\Settings", 0, KEY_READ, &key),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetProfileInt("Settings", "Anything", 5), 5u);
    EXPECT_TRUE(registry.user.HasKey("Software"));
    EXPECT_TRUE(registry.user.HasKey("Software\\Brightmoor"));
    EXPECT_TRUE(registry.user.HasKey("Software\\Brightmoor\\Ripwell\\Settings"));
    EXPECT_TRUE(registry.user.WriteLog().empty()); // keys only, no values
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\brightmoor", 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, "x", 0, REG_DWORD, reinterpret_cast<const BYTE*>("\1\0\0\0"), 4),
              ERROR_ACCESS_DENIED);
    RegCloseKey(key);
}

TEST(Registry, AHiveTheUserMayNotWriteRefusesWriteAccess)
{
    ScriptedRegistry registry;
    registry.machine.LoadText("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\AudioCD\\shell]\n@=\"play\"\n");
    registry.machine.SetReadOnly(true);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\AudioCD\\shell", 0, KEY_READ | KEY_WRITE, &key),
              ERROR_ACCESS_DENIED);
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\AudioCD\\shell", 0, KEY_READ, &key), ERROR_SUCCESS);
    char value[80] = {};
    DWORD type = 0, size = sizeof value;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
    EXPECT_EQ(std::string(value), "play");
    EXPECT_EQ(size, 5u);
    DWORD small = 2;
    EXPECT_EQ(RegQueryValueExA(key, "", nullptr, &type, reinterpret_cast<BYTE*>(value), &small), ERROR_MORE_DATA);
    EXPECT_EQ(small, 5u);
    RegCloseKey(key);
}

TEST(Registry, AnUnwritableMachineHiveFileIsARealFailure)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the administrator may write every file";
    HiveFiles files;
    std::filesystem::create_directories(std::filesystem::path(files.machine).parent_path());
    std::ofstream(files.machine) << "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n";
    chmod(files.machine.c_str(), 0444);
    chmod(std::filesystem::path(files.machine).parent_path().c_str(), 0555);
    HKEY key = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ | KEY_WRITE, &key), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &key), ERROR_SUCCESS);
    RegCloseKey(key);
    chmod(std::filesystem::path(files.machine).parent_path().c_str(), 0755);
}

TEST(Registry, AnInterruptedWriteLeavesTheOldFileWhole)
{
    TempDir dir;
    const std::string path = dir.file("user.reg");
    ASSERT_TRUE(WriteFileAtomically(path, "old contents\n"));
    EXPECT_FALSE(WriteFileAtomically(path, "new contents that never arrive\n", [] { return false; }));
    EXPECT_EQ(Slurp(path), "old contents\n");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 1); // no temporary file left behind
    EXPECT_TRUE(WriteFileAtomically(path, "new\n"));
    EXPECT_EQ(Slurp(path), "new\n");
    EXPECT_FALSE(WriteFileAtomically(dir.file("no/such/folder/user.reg"), "x"));
}
