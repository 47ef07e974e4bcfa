#include "extract/read_offset.h"

#include <gtest/gtest.h>

#include "base/app_settings.h"
#include "extract/secure_read_text.h"
#include "res/resource.h"

TEST(ReadOffset, KeptPerModelWithTheGeneralValueForOtherDrives)
{
    // Entries that are not name=integer are dropped; values beyond the range are clamped.
    EXPECT_EQ(ParseDriveReadOffsets("A=+6;B=-1164;junk;=4;C=;D=12x;E=9999;F G=+667"),
              (std::map<std::string, int32_t>{{"A", 6}, {"B", -1164}, {"E", 5000}, {"F G", 667}}));
    EXPECT_EQ(FormatDriveReadOffsets({{"A", 6}, {"B", -1164}, {"Z", 0}}), "A=+6;B=-1164;Z=0");

    AppSettings settings;
    settings.ReadOffset = -30;
    EXPECT_EQ(ReadOffsetFor(settings, ""), -30);
    EXPECT_EQ(ReadOffsetFor(settings, "PLEXTOR PX-716A"), -30); // no value of its own yet
    StoreReadOffset(settings, "PLEXTOR PX-716A", 30);
    StoreReadOffset(settings, "ODD;NAME=1", -7); // separators cannot break the text
    EXPECT_EQ(ReadOffsetFor(settings, "PLEXTOR PX-716A"), 30);
    EXPECT_EQ(ReadOffsetFor(settings, "ODD;NAME=1"), -7);
    EXPECT_EQ(ReadOffsetFor(settings, "OTHER"), -30);
    EXPECT_EQ(settings.ReadOffset, -30);
    StoreReadOffset(settings, "", -6000);
    EXPECT_EQ(settings.ReadOffset, -5000);
    settings.ReadOffset = 80000; // as a hand-edited settings file may hold it
    EXPECT_EQ(ReadOffsetFor(settings, ""), 5000);

    settings.SecureReadTries = 0;
    settings.DefeatDriveCache = 0;
    const SecureReadOptions options = SecureReadOptionsFor(settings, "PLEXTOR PX-716A");
    EXPECT_EQ(options.maxReads, 2u); // never fewer than the two passes
    EXPECT_FALSE(options.defeatCache);
    EXPECT_EQ(options.readOffset, 30);
    EXPECT_EQ(SecureReadOptionsFor(AppSettings{}, "").maxReads, 16u);
}

TEST(SecureReadText, ChecksumsPositionsAndSilence)
{
    SecureReadReport report;
    report.testCrc = 0x0012ABCD;
    report.copyCrc = 0xFFFFFFFF;
    EXPECT_EQ(SecureReadMessage(report), "Everything went OK.\n\nTest CRC32: 0012ABCD\nCopy CRC32: FFFFFFFF");

    report.zeroSamples = 1164;
    for (uint32_t s = 0; s < 14; ++s)
        report.suspiciousSectors.push_back(4350 + s);
    const std::string text = SecureReadMessage(report);
    EXPECT_EQ(text.find("Everything went OK."), std::string::npos);
    EXPECT_NE(text.find("Suspicious positions:\n01:00:00 (sector 4350)\n01:00:01 (sector 4351)\n"), std::string::npos);
    EXPECT_NE(text.find("01:00:11 (sector 4361)\nand 2 more\n\n1164 samples beyond"), std::string::npos) << text;
    EXPECT_EQ(text.find("sector 4362"), std::string::npos);
    EXPECT_EQ(SecurePassText(res::READ_PASS_COPY), "raw (copy)");
}
