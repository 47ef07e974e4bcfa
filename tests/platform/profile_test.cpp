#include "platform/profile.h"

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "support/scoped_environment.h"
#include "support/temp_dir.h"

using namespace platform;

namespace {

// Points the settings folder at a temporary folder for the test's lifetime.
class ProfileTest : public ::testing::Test {
protected:
    std::string IniPath() const { return m_dir.file("ripwell/CDPLAYER.INI"); }
    void WriteIni(const std::string& text) const
    {
        std::filesystem::create_directories(m_dir.path() / "ripwell");
        std::ofstream(IniPath(), std::ios::binary) << text;
    }
    std::string ReadIni() const
    {
        std::ifstream in(IniPath(), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string Get(const char* section, const char* key, const char* def = "HJXZMBOYSDPA") const
    {
        char buffer[256];
        GetPrivateProfileStringA(section, key, def, buffer, sizeof buffer, "CDPLAYER.INI");
        return buffer;
    }

    TempDir m_dir;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_dir.path().c_str()};
};

} // namespace

TEST_F(ProfileTest, ReadsWithoutRegardToCaseAndGivesDefaultsForMissingEntries)
{
    EXPECT_EQ(ProfileFilePath("CDPLAYER.INI"), IniPath());
    EXPECT_EQ(ProfileFilePath("/tmp/x.ini"), "/tmp/x.ini");
    // No file at all.
    EXPECT_EQ(Get("ABC", "0"), "HJXZMBOYSDPA");
    EXPECT_EQ(GetPrivateProfileIntA("ABC", "numtracks", 2147483647, "CDPLAYER.INI"), 2147483647u);

    WriteIni("; titles\n[DeadBeef]\nEntryType = 1\n  Artist=Someone \n0=First song\n"
             "numtracks=12 tracks\n2=\"Quoted\"\nneg=-3\n[Other]\n0=Wrong\n");
    EXPECT_EQ(Get("deadbeef", "ARTIST"), "Someone");
    EXPECT_EQ(Get("DEADBEEF", "0"), "First song");
    EXPECT_EQ(Get("DEADBEEF", "2"), "Quoted");
    EXPECT_EQ(Get("DEADBEEF", "1"), "HJXZMBOYSDPA");
    EXPECT_EQ(Get("Missing", "0", nullptr), "");
    EXPECT_EQ(GetPrivateProfileIntA("DEADBEEF", "entrytype", 7, "CDPLAYER.INI"), 1u);
    EXPECT_EQ(GetPrivateProfileIntA("DEADBEEF", "numtracks", 7, "CDPLAYER.INI"), 12u);
    EXPECT_EQ(GetPrivateProfileIntA("DEADBEEF", "artist", 7, "CDPLAYER.INI"), 0u);
    EXPECT_EQ(static_cast<int32_t>(GetPrivateProfileIntA("DEADBEEF", "neg", 7, "CDPLAYER.INI")), -3);
    EXPECT_EQ(GetPrivateProfileIntA("Other", "numtracks", 2147483647, "CDPLAYER.INI"), 2147483647u);
}

TEST_F(ProfileTest, RespectsTheBufferSize)
{
    WriteIni("[S]\nk=abcdefgh\n");
    char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buffer, sizeof buffer, "CDPLAYER.INI"), 4u);
    EXPECT_STREQ(buffer, "abcd");
    EXPECT_EQ(GetPrivateProfileStringA("S", "missing", "long default", buffer, 3, "CDPLAYER.INI"), 2u);
    EXPECT_STREQ(buffer, "lo");
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buffer, 0, "CDPLAYER.INI"), 0u);
    EXPECT_EQ(buffer[0], 'l');
}

TEST_F(ProfileTest, WritesCreateAndReplaceWhileKeepingOtherLines)
{
    // File, folder, section and key created on write.
    ASSERT_NE(WritePrivateProfileStringA("A1", "0", "Intro", "CDPLAYER.INI"), 0);
    EXPECT_EQ(ReadIni(), "[A1]\n0=Intro\n");

    WriteIni("; kept comment\r\n[A1]\r\nTitle=Old\r\n0=Intro\r\n\r\n[B2]\r\nx=y\r\n");
    ASSERT_NE(WritePrivateProfileStringA("a1", "TITLE", "New", "CDPLAYER.INI"), 0);
    ASSERT_NE(WritePrivateProfileStringA("A1", "1", "Second", "CDPLAYER.INI"), 0);
    ASSERT_NE(WritePrivateProfileStringA("C3", "0", "Other disc", "CDPLAYER.INI"), 0);
    EXPECT_EQ(ReadIni(),
              "; kept comment\r\n[A1]\r\nTitle=New\r\n0=Intro\r\n1=Second\r\n\r\n[B2]\r\nx=y\r\n"
              "\r\n[C3]\r\n0=Other disc\r\n");

    // A null text removes a key, a null key the section.
    ASSERT_NE(WritePrivateProfileStringA("A1", "0", nullptr, "CDPLAYER.INI"), 0);
    ASSERT_NE(WritePrivateProfileStringA("B2", nullptr, nullptr, "CDPLAYER.INI"), 0);
    EXPECT_EQ(Get("A1", "0"), "HJXZMBOYSDPA");
    EXPECT_EQ(Get("B2", "x"), "HJXZMBOYSDPA");
    EXPECT_EQ(Get("A1", "1"), "Second");
    EXPECT_EQ(Get("C3", "0"), "Other disc");

    // No temporary file is left behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.path() / "ripwell"))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 1);
}

TEST_F(ProfileTest, RefusesWritesThatWouldBreakTheFileAndSurvivesMalformedFiles)
{
    WriteIni("garbage without equals\n[unterminated\n=no key\n[S]\nk=v\n");
    EXPECT_EQ(Get("S", "k"), "v");
    EXPECT_EQ(Get("unterminated", "k"), "HJXZMBOYSDPA");
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "two\nlines", "CDPLAYER.INI"), 0);
    EXPECT_EQ(WritePrivateProfileStringA("S", "a=b", "v", "CDPLAYER.INI"), 0);
    EXPECT_EQ(WritePrivateProfileStringA("S]", "k", "v", "CDPLAYER.INI"), 0);
    EXPECT_EQ(Get("S", "k"), "v");

    // A profile path that is a folder cannot be read: nothing is written over it.
    std::filesystem::remove(IniPath());
    std::filesystem::create_directories(IniPath());
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", "CDPLAYER.INI"), 0);
    EXPECT_EQ(Get("S", "k"), "HJXZMBOYSDPA");
    EXPECT_TRUE(std::filesystem::is_directory(IniPath()));
}

TEST_F(ProfileTest, AWriteKeepsTheFileAsItWasButForItsOwnLine)
{
    // Unknown lines, comments and order stay; a last line without its line end keeps it so
    // while it stays the last line; a write that changes nothing writes nothing.
    const std::string text = "junk line\n; comment\n[A1]\nb=2\na=1\n[Z9]\nq=9";
    WriteIni(text);
    struct stat before {};
    ASSERT_EQ(::stat(IniPath().c_str(), &before), 0);
    ASSERT_NE(WritePrivateProfileStringA("A1", "A", "1", "CDPLAYER.INI"), 0);
    struct stat after {};
    ASSERT_EQ(::stat(IniPath().c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    ASSERT_NE(WritePrivateProfileStringA("a1", "b", "two", "CDPLAYER.INI"), 0);
    EXPECT_EQ(ReadIni(), "junk line\n; comment\n[A1]\nb=two\na=1\n[Z9]\nq=9");
    ASSERT_NE(WritePrivateProfileStringA("Z9", "r", "new", "CDPLAYER.INI"), 0);
    EXPECT_EQ(ReadIni(), "junk line\n; comment\n[A1]\nb=two\na=1\n[Z9]\nq=9\nr=new\n");
}
