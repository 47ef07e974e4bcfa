#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "rip/file_naming.h"

TEST(FileNamingTest, WhatFileSystemsRefuseIsReplacedAndNothingLeavesTheFolder)
{
    EXPECT_EQ(SafeFileName("AC/DC: Back in Black?"), "AC_DC_ Back in Black_");
    EXPECT_EQ(SafeFileName("a\\b*c\"d<e>f|g\th"), "a_b_c_d_e_f_g_h");
    EXPECT_EQ(SafeFileName("  Intro. . "), "Intro");
    EXPECT_EQ(SafeFileName(".."), "_"); // trailing dots go, and nothing is left
    EXPECT_EQ(SafeFileName(""), "_");
    EXPECT_EQ(SafeFileName("con"), "con_");
    EXPECT_EQ(SafeFileName("LPT1.flac"), "LPT1.flac_");
    EXPECT_EQ(SafeFileName("COM10"), "COM10");
    EXPECT_EQ(SafeFileName("Ça va — ünïcode"), "Ça va — ünïcode");

    // A long name of two-byte characters is cut between characters, within the limit.
    std::string longName;
    for (int i = 0; i < 200; ++i)
        longName += "é";
    const std::string cut = SafeFileName(longName);
    EXPECT_LE(cut.size(), MAX_FILE_NAME_BYTES);
    EXPECT_EQ(cut.size() % 2, 0u);
    EXPECT_EQ(cut.substr(0, 4), "éé");

    const FileNameFields fields{7, "Para/noid", "Art:ist", "Al*bum", "Band"};
    EXPECT_EQ(FileNameFromPattern("%n - %t", fields), "07 - Para_noid");
    EXPECT_EQ(FileNameFromPattern("%r - %b - %n %a - %t (100%%)", fields),
              "Band - Al_bum - 07 Art_ist - Para_noid (100%)");
    EXPECT_EQ(FileNameFromPattern("%x%", fields), "%x%");
    EXPECT_EQ(FileNameFromPattern("%t", FileNameFields{1, "", "", "", ""}), "_");
}

TEST(FileNamingTest, NamesThatWouldMeetAreMadeDistinctIgnoringCase)
{
    std::vector<std::string> names = {"Intro", "Song", "intro", "Intro", "Song (2)"};
    MakeNamesDistinct(&names);
    EXPECT_EQ(names, (std::vector<std::string>{"Intro", "Song", "intro (2)", "Intro (3)", "Song (2)"}));
}
