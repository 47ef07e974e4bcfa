#include "document/data_properties.h"

#include "document/ripwell_doc.h"
#include "platform/block_memory.h"
#include "support/scripted_desktop.h"

#include <gtest/gtest.h>

#include <cstring>
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

uint32_t U32At(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint16_t U16At(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

} // namespace

TEST(PlayingTime, TextsForLengthsAndFormats)
{
    EXPECT_EQ(PlayingTimeText(176400, 15), "1.00 s");
    EXPECT_EQ(PlayingTimeText(176400, 0), "22.05 s");
    EXPECT_EQ(PlayingTimeText(10584000, 15), "60.00 s");     // exactly a minute has no minutes
    EXPECT_EQ(PlayingTimeText(10848600, 15), "1 m 1.50 s");
    EXPECT_EQ(PlayingTimeText(32678100, 15), "3 m 5.25 s");
    EXPECT_EQ(PlayingTimeText(1270080000, 15), "120 m 0.00 s"); // no hours
    EXPECT_EQ(PlayingTimeText(0, 8), "0.00 s");
    EXPECT_EQ(PlayingTimeText(22050, 8), "1.00 s");
    // No selection counts as CD audio; the length is a signed 32-bit number.
    EXPECT_EQ(PlayingTimeText(176400, -1), "1.00 s");
    EXPECT_EQ(PlayingTimeText(0x80000000u, 15), "-12173.94 s");

    const uint32_t rates[16] = {8000, 16000, 16000, 32000, 11025, 22050, 22050, 44100,
                                22050, 44100, 44100, 88200, 44100, 88200, 88200, 176400};
    for (int selection = 0; selection < 16; ++selection)
        EXPECT_EQ(BytesPerSecondOfSelection(selection), rates[selection]) << selection;
    EXPECT_EQ(BytesPerSecondOfSelection(16), 176400u);
}

TEST(ApplyDataProperties, ANewFormatRewritesOnlyTheHeaderAfterStoppingTheSound)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    FillDocument(doc, 1000, WAVE_FORMAT_44100_16_STEREO, true);
    const std::vector<uint8_t> dataBefore(doc.m_pData, doc.m_pData + 1000);
    std::vector<uint8_t> headerBefore(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE);
    desktop.Clear();

    const PropertiesChange change = ApplyDataProperties(doc, 8, true);
    EXPECT_TRUE(change.formatChanged);
    EXPECT_FALSE(change.soundFlagChanged);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.m_nWaveFormat, 8);
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"stop"}));
    // Bytes 22 to 35: channels 1, 22050 Hz, 22050 bytes a second, block align 1, 8 bits.
    EXPECT_EQ(U16At(doc.m_pHeader + 22), 1);
    EXPECT_EQ(U32At(doc.m_pHeader + 24), 22050u);
    EXPECT_EQ(U32At(doc.m_pHeader + 28), 22050u);
    EXPECT_EQ(U16At(doc.m_pHeader + 32), 1);
    EXPECT_EQ(U16At(doc.m_pHeader + 34), 8);
    std::vector<uint8_t> headerAfter(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE);
    for (int i = 22; i < 36; ++i)
        headerBefore[i] = headerAfter[i];
    EXPECT_EQ(headerAfter, headerBefore);  // nothing else of the header changed
    EXPECT_EQ(std::vector<uint8_t>(doc.m_pData, doc.m_pData + 1000), dataBefore);
}

TEST(ApplyDataProperties, NoChangeKeepsTheModifiedFlagAndTheSoundFlagAloneMarksIt)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    FillDocument(doc, 64, 8, false);
    desktop.Clear();
    for (bool modified : {false, true}) {
        doc.SetModifiedFlag(modified);
        const PropertiesChange change = ApplyDataProperties(doc, 8, false);
        EXPECT_FALSE(change.formatChanged);
        EXPECT_FALSE(change.soundFlagChanged);
        EXPECT_EQ(doc.IsModified(), modified);
    }
    doc.SetModifiedFlag(false);
    const PropertiesChange change = ApplyDataProperties(doc, 8, true);
    EXPECT_TRUE(change.soundFlagChanged);
    EXPECT_TRUE(doc.m_bIsSound);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(desktop.Events().empty());  // a sound flag alone leaves a playing sound alone
}

TEST(ApplyDataProperties, AFormatThatCannotBeWrittenIsReportedAndStillMarksTheDocument)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    FillDocument(doc, 16, 15, true);
    const std::vector<uint8_t> header(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE);
    ApplyDataProperties(doc, -1, true);   // the list had no selection
    EXPECT_EQ(doc.m_nWaveFormat, -1);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(std::vector<uint8_t>(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE), header);
    ASSERT_EQ(desktop.Boxes().size(), 1u);
    EXPECT_EQ(desktop.Boxes()[0].text, "Could not change wave format.");
    EXPECT_EQ(desktop.Boxes()[0].Buttons(), platform::MB_OK);
    EXPECT_EQ(desktop.Boxes()[0].Icon(), platform::MB_ICONEXCLAMATION);

    // An empty document takes any format without a header to write.
    desktop.Clear();
    CRipwellDoc empty;
    ApplyDataProperties(empty, 3, false);
    EXPECT_EQ(empty.m_nWaveFormat, 3);
    EXPECT_TRUE(desktop.Boxes().empty());
}
