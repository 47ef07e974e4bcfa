#include "platform/hive.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/temp_dir.h"

using namespace platform;

namespace {

const std::string kSettings = "Software\\Brightmoor\\Ripwell\\Settings";

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

std::vector<BYTE> Dword(uint32_t value)
{
    return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

ino_t Inode(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// A hive kept in dotfiles: comments, a value with a comment after it, a value given as bytes
// over two lines, a line that is no registry line, another program's key, CR LF line ends and
// no line end after the last line.
const std::string kUserText = "REGEDIT4\r\n"
                              "; my settings\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\r\n"
                              "\"PlayDialogSounds\"=dword:00000000 ; quiet please\r\n"
                              "\"Blob\"=hex:01,02,03,\\\r\n"
                              "  04,05\r\n"
                              "not a registry line\r\n"
                              "\"OverlappingSectors\"=dword:00000002\r\n"
                              "\r\n"
                              "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
                              "\"Kept\"=\"yes\"";

} // namespace

TEST(Hive, AChangeRewritesOnlyItsOwnLineAndNewValuesGoAfterTheirKey)
{
    TempDir dir;
    const std::string path = dir.file("user.reg");
    WriteFile(path, kUserText);
    Hive hive("HKEY_CURRENT_USER", path);

    const Hive::Value* blob = hive.FindValue(kSettings, "blob");
    ASSERT_TRUE(blob);
    EXPECT_EQ(blob->type, REG_BINARY);
    EXPECT_EQ(blob->data, (std::vector<BYTE>{1, 2, 3, 4, 5}));
    ASSERT_TRUE(hive.FindValue(kSettings, "PlayDialogSounds"));
    EXPECT_EQ(hive.FindValue(kSettings, "PlayDialogSounds")->data, Dword(0));
    EXPECT_TRUE(hive.HasKey("Software\\Brightmoor")); // the keys above a key are there too

    // The same value again changes nothing and writes nothing.
    const ino_t before = Inode(path);
    ASSERT_TRUE(hive.SetValue(kSettings, "OverlappingSectors", REG_DWORD, Dword(2)));
    EXPECT_EQ(Inode(path), before);
    EXPECT_EQ(ReadFile(path), kUserText);

    ASSERT_TRUE(hive.SetValue(kSettings, "playdialogsounds", REG_DWORD, Dword(1)));
    ASSERT_TRUE(hive.SetValue(kSettings, "Foreground", REG_DWORD, Dword(0x00FF00)));
    ASSERT_TRUE(hive.SetValue("Software\\Brightmoor\\Ripwell\\Colors", "Background", REG_DWORD, Dword(0xFFFFFF)));
    EXPECT_EQ(ReadFile(path),
              "REGEDIT4\r\n"
              "; my settings\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\r\n"
              "\"PlayDialogSounds\"=dword:00000001 ; quiet please\r\n"
              "\"Blob\"=hex:01,02,03,\\\r\n"
              "  04,05\r\n"
              "not a registry line\r\n"
              "\"OverlappingSectors\"=dword:00000002\r\n"
              "\"Foreground\"=dword:0000ff00\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
              "\"Kept\"=\"yes\"\r\n"
              "\r\n"
              "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Colors]\r\n"
              "\"Background\"=dword:00ffffff\r\n");

    // Rewritten as one line, a value given over two lines reads the same.
    ASSERT_TRUE(hive.SetValue(kSettings, "Blob", REG_BINARY, {9, 8}));
    Hive reread("HKEY_CURRENT_USER", "");
    EXPECT_EQ(reread.LoadText(ReadFile(path)), 1); // the line that is no registry line
    ASSERT_TRUE(reread.FindValue(kSettings, "Blob"));
    EXPECT_EQ(reread.FindValue(kSettings, "Blob")->data, (std::vector<BYTE>{9, 8}));
    EXPECT_NE(ReadFile(path).find("\"Blob\"=hex:09,08\r\nnot a registry line\r\n"), std::string::npos);
}

TEST(Hive, CreatingKeysWritesNothingAndAKeyComesWithItsFirstValue)
{
    TempDir dir;
    const std::string path = dir.file("config/user.reg");
    Hive hive("HKEY_CURRENT_USER", path);
    bool created = false;
    ASSERT_TRUE(hive.CreateKey(kSettings, &created));
    EXPECT_TRUE(created);
    EXPECT_TRUE(hive.HasKey("software\\BRIGHTMOOR"));
    EXPECT_FALSE(std::filesystem::exists(path));

    ASSERT_TRUE(hive.SetValue(kSettings, "ReadIntoRAM", REG_DWORD, Dword(1)));
    EXPECT_EQ(ReadFile(path),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n"
              "\"ReadIntoRAM\"=dword:00000001\n");

    // Written over by another program meanwhile: its text is read again, and a key created
    // here and not written yet is still there.
    ASSERT_TRUE(hive.CreateKey("Software\\Brightmoor\\Ripwell\\Colors"));
    WriteFile(path,
              "REGEDIT4\n; edited by hand\n[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n"
              "\"ReadIntoRAM\"=dword:00000000\n");
    EXPECT_EQ(hive.FindValue(kSettings, "ReadIntoRAM")->data, Dword(0));
    EXPECT_TRUE(hive.HasKey("Software\\Brightmoor\\Ripwell\\Colors"));
}

TEST(Hive, ADeletedValueLeavesWithEveryLineThatGaveIt)
{
    TempDir dir;
    const std::string path = dir.file("user.reg");
    WriteFile(path,
              "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n"
              "\"A\"=dword:00000001\n; between\n\"a\"=dword:00000002\n\"B\"=\"b\"\n");
    Hive hive("HKEY_CURRENT_USER", path);
    ASSERT_TRUE(hive.FindValue(kSettings, "A"));
    EXPECT_EQ(hive.FindValue(kSettings, "A")->data, Dword(2)); // the later line wins
    ASSERT_TRUE(hive.DeleteValue(kSettings, "A"));
    EXPECT_EQ(ReadFile(path), "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n; between\n\"B\"=\"b\"\n");
    EXPECT_FALSE(hive.DeleteValue(kSettings, "A"));
    ASSERT_TRUE(hive.SetValue(kSettings, "B", REG_SZ, {'c', 0}));
    EXPECT_EQ(hive.FindValue(kSettings, "B")->data, (std::vector<BYTE>{'c', 0}));
}

// A file far larger than a settings hive, or one that cannot be read, gives the defaults with
// one line of explanation, and is never written over.
TEST(Hive, AFileThatCannotBeAHiveIsLeftAsItIs)
{
    TempDir dir;
    const std::string path = dir.file("user.reg");
    std::string large = "[HKEY_CURRENT_USER\\Software\\Brightmoor\\Ripwell\\Settings]\n\"Big\"=dword:00000001\n";
    large.resize(MAX_HIVE_FILE_SIZE + 1, ';');
    WriteFile(path, large);
    Hive hive("HKEY_CURRENT_USER", path);
    testing::internal::CaptureStderr();
    EXPECT_EQ(hive.FindValue(kSettings, "Big"), nullptr);
    EXPECT_EQ(hive.FindValue(kSettings, "Big"), nullptr);
    const std::string told = testing::internal::GetCapturedStderr();
    EXPECT_NE(told.find("too large for a settings file"), std::string::npos) << told;
    EXPECT_EQ(std::count(told.begin(), told.end(), '\n'), 1) << told;
    EXPECT_FALSE(hive.Writable());
    EXPECT_FALSE(hive.SetValue(kSettings, "Small", REG_DWORD, Dword(1)));
    EXPECT_EQ(std::filesystem::file_size(path), large.size());

    // Cut down to a hive's size by hand, it is read again.
    std::filesystem::resize_file(path, 80);
    ASSERT_TRUE(hive.FindValue(kSettings, "Big"));
    EXPECT_TRUE(hive.Writable());

    // A folder where the file should be cannot be read: the same.
    const std::string folder = dir.file("folder.reg");
    std::filesystem::create_directories(folder);
    Hive unreadable("HKEY_CURRENT_USER", folder);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(unreadable.SetValue(kSettings, "Small", REG_DWORD, Dword(1)));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot be read"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_directory(folder));
}

// The text of a hive comes back byte for byte, whatever it holds.
TEST(Hive, TextComesBackAsItWasLoaded)
{
    for (const std::string& text : {kUserText, std::string(), std::string("\n\n"), std::string("[unclosed\n\"x\"=\\"),
                                    std::string("\"Orphan\"=dword:1\r\n[HKEY_CURRENT_USER]\r\n@=\"root\"\r\n")}) {
        Hive hive("HKEY_CURRENT_USER", "");
        hive.LoadText(text);
        EXPECT_EQ(hive.ToText(), text);
    }
    // A last line that ends in a carriage return alone gets the line feed that completes it
    // before anything is written after it.
    Hive ended("HKEY_CURRENT_USER", "");
    ended.LoadText("[HKEY_CURRENT_USER\\A]\r\n\"x\"=dword:1\r");
    ASSERT_TRUE(ended.SetValue("A", "y", REG_DWORD, Dword(2)));
    EXPECT_EQ(ended.ToText(), "[HKEY_CURRENT_USER\\A]\r\n\"x\"=dword:1\r\n\"y\"=dword:00000002\r\n");

    Hive hive("HKEY_CURRENT_USER", "");
    EXPECT_EQ(hive.LoadText("[HKEY_CURRENT_USER]\r\n@=\"root\" ; the default value\r\n"), 0);
    ASSERT_TRUE(hive.FindValue("", ""));
    EXPECT_EQ(hive.FindValue("", "")->data, (std::vector<BYTE>{'r', 'o', 'o', 't', 0}));
}
