#include "document/data_properties.h"

#include "document/ripwell_doc.h"
#include "platform/block_memory.h"
#include "support/scripted_desktop.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Fills the document as a producer does: one block, the header slot in front of the data.
void FillDocument(CRipwellDoc& doc, uint32_t length, WaveFormatCode format, bool sound)
{
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(length + WAVE_HEADER_SIZE);
    ASSERT_NE(block, nullptr);
    for (uint32_t i = 0; i < length; ++i)
        block[WAVE_HEADER_SIZE + i] = static_cast<uint8_t>(i * 7 + 3);
    doc.AdoptBlock(block, block, length, sound, format);
}

std::vector<uint8_t> Bytes(const uint8_t* from, size_t count) { return {from, from + count}; }

} // namespace

TEST(PlayingTime, TextsForLengthsAndFormats)
{
    EXPECT_EQ(PlayingTimeText(176400, 15), "1.00 s");
    EXPECT_EQ(PlayingTimeText(176400, 0), "22.05 s");
    EXPECT_EQ(PlayingTimeText(10584000, 15), "60.00 s"); // exactly a minute has no minutes
    EXPECT_EQ(PlayingTimeText(10848600, 15), "1 m 1.50 s");
    EXPECT_EQ(PlayingTimeText(32678100, 15), "3 m 5.25 s");
    EXPECT_EQ(PlayingTimeText(1270080000, 15), "120 m 0.00 s"); // no hours
    EXPECT_EQ(PlayingTimeText(0, 8), "0.00 s");
    // No selection counts as CD audio; the length is a signed 32-bit number.
    EXPECT_EQ(PlayingTimeText(176400, -1), "1.00 s");
    EXPECT_EQ(PlayingTimeText(0x80000000u, 15), "-12173.94 s");
}

TEST(ApplyDataProperties, ANewFormatRewritesOnlyTheHeaderAfterStoppingTheSound)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    FillDocument(doc, 1000, WAVE_FORMAT_44100_16_STEREO, true);
    const std::vector<uint8_t> data = Bytes(doc.m_pData, 1000);
    std::vector<uint8_t> header = Bytes(doc.m_pHeader, WAVE_HEADER_SIZE);
    desktop.Clear();

    const PropertiesChange change = ApplyDataProperties(doc, 8, true);
    EXPECT_TRUE(change.formatChanged);
    EXPECT_FALSE(change.soundFlagChanged);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"stop"}));
    // Bytes 22 to 35: 1 channel, 22050 Hz, 22050 bytes a second, block align 1, 8 bits.
    const uint8_t format8[14] = {1, 0, 0x22, 0x56, 0, 0, 0x22, 0x56, 0, 0, 1, 0, 8, 0};
    std::copy(std::begin(format8), std::end(format8), header.begin() + 22);
    EXPECT_EQ(Bytes(doc.m_pHeader, WAVE_HEADER_SIZE), header);
    EXPECT_EQ(Bytes(doc.m_pData, 1000), data);

    // Confirmed without changes: the modified flag stays as it was, clear or set.
    for (bool modified : {false, true}) {
        doc.SetModifiedFlag(modified);
        EXPECT_FALSE(ApplyDataProperties(doc, 8, true).formatChanged);
        EXPECT_EQ(doc.IsModified(), modified);
    }
    // The sound flag alone marks the document and leaves a playing sound alone.
    doc.SetModifiedFlag(false);
    desktop.Clear();
    EXPECT_TRUE(ApplyDataProperties(doc, 8, false).soundFlagChanged);
    EXPECT_FALSE(doc.m_bIsSound);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(desktop.Events().empty());
}

TEST(ApplyDataProperties, AFormatThatCannotBeWrittenIsReportedAndStillMarksTheDocument)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    FillDocument(doc, 16, 15, true);
    const std::vector<uint8_t> header = Bytes(doc.m_pHeader, WAVE_HEADER_SIZE);
    ApplyDataProperties(doc, -1, true); // the list had no selection
    EXPECT_EQ(doc.m_nWaveFormat, -1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(Bytes(doc.m_pHeader, WAVE_HEADER_SIZE), header);
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].text, "Could not change wave format.");
    EXPECT_EQ(desktop.Boxes()[0].flags, platform::MB_OK | platform::MB_ICONEXCLAMATION);
}
