#include "platform/cdrom/toc_file_names.h"

#include <gtest/gtest.h>

using platform::cdrom::TocWithAbsoluteFileNames;

TEST(TocFileNames, RelativeNamesOfTheFileStatementsBecomeAbsolute)
{
    const std::string toc =
        "CD_ROM\n"
        "// Track 1 FILE \"comment.bin\"\n"
        "TRACK AUDIO\n"
        "CD_TEXT { LANGUAGE 0 { TITLE \"FILE\" PERFORMER \"x.bin\" } }\n"
        "FILE \"disc.bin\" 00:00:00 00:12:00\n"
        "TRACK AUDIO\n"
        "AUDIOFILE \"sub/two.wav\" 0\n"
        "TRACK MODE1\n"
        "DATAFILE \"/abs/data.iso\"\n"
        "DATAFILE  \"-\"\n";
    bool changed = false;
    const std::string out = TocWithAbsoluteFileNames(toc, "/images/My \"best\"", &changed);
    EXPECT_TRUE(changed);
    EXPECT_EQ(out,
              "CD_ROM\n"
              "// Track 1 FILE \"comment.bin\"\n"
              "TRACK AUDIO\n"
              "CD_TEXT { LANGUAGE 0 { TITLE \"FILE\" PERFORMER \"x.bin\" } }\n"
              "FILE \"/images/My \\\"best\\\"/disc.bin\" 00:00:00 00:12:00\n"
              "TRACK AUDIO\n"
              "AUDIOFILE \"/images/My \\\"best\\\"/sub/two.wav\" 0\n"
              "TRACK MODE1\n"
              "DATAFILE \"/abs/data.iso\"\n"
              "DATAFILE  \"-\"\n");

    // Nothing relative: the text comes back as it was.
    EXPECT_EQ(TocWithAbsoluteFileNames("FILE \"/a.bin\" 0\n", "/x/", &changed), "FILE \"/a.bin\" 0\n");
    EXPECT_FALSE(changed);
}

TEST(TocFileNames, BrokenTextIsCopiedWithoutReadingPastItsEnd)
{
    bool changed = true;
    EXPECT_EQ(TocWithAbsoluteFileNames("FILE \"never closed", "/x", &changed), "FILE \"never closed");
    EXPECT_FALSE(changed);
    EXPECT_EQ(TocWithAbsoluteFileNames("FILE \"esc\\", "/x", &changed), "FILE \"esc\\");
    EXPECT_EQ(TocWithAbsoluteFileNames("//", "/x", &changed), "//");
    EXPECT_EQ(TocWithAbsoluteFileNames("FILE 12 \"a.bin\"", "/x", &changed), "FILE 12 \"a.bin\"");
    EXPECT_FALSE(changed);
    EXPECT_EQ(TocWithAbsoluteFileNames("FILE\t\"a\\\"b.bin\"", "/x", &changed), "FILE\t\"/x/a\\\"b.bin\"");
    EXPECT_TRUE(changed);
}
