#include "document/hex_dump_layout.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

using namespace hexdump;

TEST(HexDumpLine, OneByteFillsTheRestWithBlanks)
{
    const uint8_t a = 0x41;
    std::string line = BuildDumpLine(0, &a, 1);
    std::string expected = "00000000  41 " + std::string(45, ' ') + "  A" + std::string(15, ' ');
    EXPECT_EQ(line.size(), 76u);
    EXPECT_EQ(line, expected);
}

TEST(HexDumpLine, FullLineWithOffsetAndTextColumn)
{
    std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F', 0x24, 0x00, 0x10, 0x00, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
    std::string line = BuildDumpLine(0xABCDEF10u, bytes.data(), 16);
    EXPECT_EQ(line, "ABCDEF10  52 49 46 46 24 00 10 00 57 41 56 45 66 6D 74 20   RIFF$...WAVEfmt ");
    // More bytes than a line holds: only sixteen are shown.
    std::vector<uint8_t> many(40, 0x30);
    EXPECT_EQ(BuildDumpLine(16, many.data(), 40).substr(60), std::string(16, '0'));
}

TEST(HexDumpLine, OnlyPrintableAsciiShowsAsItself)
{
    std::vector<uint8_t> bytes(16);
    bytes[0] = 0x1F;
    bytes[1] = 0x20;
    bytes[2] = 0x7E;
    bytes[3] = 0x7F;
    for (int i = 4; i < 16; ++i)
        bytes[i] = uint8_t(0x80 + i * 10);
    std::string text = BuildDumpLine(0, bytes.data(), 16).substr(60);
    EXPECT_EQ(text, ". ~.............");
    for (int b = 0x80; b <= 0xFF; ++b) {
        uint8_t byte = uint8_t(b);
        EXPECT_EQ(BuildDumpLine(0, &byte, 1)[60], '.') << b;
    }
}

TEST(HexDumpExtent, CappedAndEmpty)
{
    EXPECT_EQ(LinesForLength(0), 0);
    EXPECT_EQ(LinesForLength(1), 1);
    EXPECT_EQ(LinesForLength(17), 2);
    EXPECT_EQ(VerticalExtent(0, 13), 0);
    EXPECT_EQ(VerticalExtent(32, 13), 26);
    EXPECT_EQ(VerticalExtent(int64_t(100) * 1024 * 1024, 13), MAX_SCROLL_HEIGHT);
    // 700 MB: the line count still fits and the extent stays capped.
    EXPECT_EQ(LinesForLength(int64_t(700) * 1024 * 1024), 45875200);
}

TEST(HexDumpScroll, HundredMegabytesReachEveryLine)
{
    ScrollState s{0, 6553600, 30, 32767 - 390};
    const int diff = s.totalLines - s.visibleLines;
    ScrollResult bottom = ApplyScroll(s, ScrollAction::ThumbTrack, s.limit);
    EXPECT_EQ(bottom.topLine, diff);
    EXPECT_EQ(bottom.thumb, s.limit);
    ScrollResult middle = ApplyScroll(s, ScrollAction::ThumbPosition, s.limit / 2);
    EXPECT_NEAR(middle.topLine, diff / 2, diff / s.limit + 1);
    ScrollResult end = ApplyScroll(s, ScrollAction::Bottom);
    EXPECT_EQ(end.topLine, diff);
    EXPECT_EQ(end.thumb, s.limit);
    s.topLine = diff;
    EXPECT_EQ(ApplyScroll(s, ScrollAction::ThumbTrack, 0).topLine, 0);
    EXPECT_EQ(ApplyScroll(s, ScrollAction::PageDown).topLine, diff);
    EXPECT_EQ(ApplyScroll(s, ScrollAction::LineDown).topLine, diff);
    s.topLine = 5;
    ScrollResult up = ApplyScroll(s, ScrollAction::PageUp);
    EXPECT_EQ(up.topLine, 0);
    EXPECT_EQ(up.thumb, 0);
    EXPECT_FALSE(ApplyScroll(s, ScrollAction::EndScroll).handled);
}

TEST(HexDumpScroll, EverythingVisibleStaysAtTheTop)
{
    for (ScrollAction a : {ScrollAction::LineDown, ScrollAction::PageDown, ScrollAction::Bottom,
                           ScrollAction::ThumbTrack, ScrollAction::LineUp}) {
        ScrollResult r = ApplyScroll({0, 10, 10, 0}, a, 5);
        EXPECT_TRUE(r.handled);
        EXPECT_EQ(r.topLine, 0);
        EXPECT_EQ(r.thumb, 0);
        EXPECT_EQ(ApplyScroll({0, 3, 20, 0}, a, 5).topLine, 0);
    }
}

TEST(HexDumpKeys, ConditionsAtBothEnds)
{
    ScrollAction a{};
    ScrollState top{0, 100, 10, 900};
    EXPECT_FALSE(ScrollActionForKey(top, DumpKey::PageUp, a));
    EXPECT_FALSE(ScrollActionForKey(top, DumpKey::Home, a));
    EXPECT_FALSE(ScrollActionForKey(top, DumpKey::Up, a));
    ASSERT_TRUE(ScrollActionForKey(top, DumpKey::End, a));
    EXPECT_EQ(a, ScrollAction::Bottom);
    ASSERT_TRUE(ScrollActionForKey(top, DumpKey::Down, a));
    EXPECT_EQ(a, ScrollAction::LineDown);

    ScrollState last{90, 100, 10, 900};
    EXPECT_FALSE(ScrollActionForKey(last, DumpKey::PageDown, a));
    EXPECT_FALSE(ScrollActionForKey(last, DumpKey::Down, a));
    EXPECT_FALSE(ScrollActionForKey(last, DumpKey::End, a));
    ASSERT_TRUE(ScrollActionForKey(last, DumpKey::PageUp, a));
    EXPECT_EQ(a, ScrollAction::PageUp);
    ASSERT_TRUE(ScrollActionForKey(last, DumpKey::Home, a));
    EXPECT_EQ(a, ScrollAction::Top);
    EXPECT_FALSE(ScrollActionForKey(last, DumpKey::Other, a));
}

TEST(HexDumpWheel, OnlyOneNotchScrolls)
{
    ScrollAction a{};
    ASSERT_TRUE(ScrollActionForWheel(-120, a));
    EXPECT_EQ(a, ScrollAction::PageDown);
    ASSERT_TRUE(ScrollActionForWheel(120, a));
    EXPECT_EQ(a, ScrollAction::PageUp);
    for (int delta : {240, -240, 60, -1, 0, 119, 121})
        EXPECT_FALSE(ScrollActionForWheel(delta, a)) << delta;
}
