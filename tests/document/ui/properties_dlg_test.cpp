#include "document/ui/properties_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "base/app_settings.h"
#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"
#include "platform/block_memory.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/scripted_desktop.h"
#include "support/ui/modal_answer.h"

namespace {

// Fills the document as a producer does: emptied, one block with the header slot in front.
void FillDocument(CRipwellDoc& doc, uint32_t length, WaveFormatCode format, bool sound)
{
    doc.OnNewDocument();
    uint8_t* block = platform::AllocateDataBlock(length + WAVE_HEADER_SIZE);
    ASSERT_NE(block, nullptr);
    std::memset(block + WAVE_HEADER_SIZE, 0x11, length);
    doc.AdoptBlock(block, block, length, sound, format);
    doc.UpdateAllViews();
}

bool Enabled(const CRipwellView& view, int id)
{
    framework::CCmdUI ui;
    ui.m_nID = id;
    view.Commands().Update(ui);
    return ui.m_bEnabled;
}

} // namespace

TEST(PropertiesDlg, ShowsTheDataAndCancelChangesNothing)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    AppSettings settings;
    CRipwellView view(&doc, settings, nullptr);
    FillDocument(doc, 176400, WAVE_FORMAT_44100_16_STEREO, true);
    const std::vector<uint8_t> header(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE);
    QString title, length, time, timeAtFormat0;
    QStringList entries;
    int selection = -2;
    bool readOnly = false, assumeSound = false;
    AnswerModal<CPropertiesDlg>([&](CPropertiesDlg* dialog) {
        auto* list = GetDlgControl<QComboBox>(dialog, res::IDC_1002);
        auto* check = GetDlgControl<QCheckBox>(dialog, res::IDC_1000);
        ASSERT_TRUE(list && check);
        title = dialog->windowTitle();
        length = GetDlgItemText(dialog, res::IDC_1018);
        time = GetDlgItemText(dialog, res::IDC_1019);
        readOnly = GetDlgControl<QLineEdit>(dialog, res::IDC_1018)->isReadOnly() &&
            GetDlgControl<QLineEdit>(dialog, res::IDC_1019)->isReadOnly();
        assumeSound = check->isChecked();
        selection = list->currentIndex();
        for (int i = 0; i < list->count(); ++i)
            entries << list->itemText(i);
        list->setCurrentIndex(0);
        timeAtFormat0 = GetDlgItemText(dialog, res::IDC_1019);
        check->setChecked(false);
        GetDlgControl<QPushButton>(dialog, res::IDCANCEL)->click();
    });
    view.Commands().Dispatch(res::ID_PROPERTIES);

    EXPECT_EQ(title, "Properties");
    EXPECT_EQ(length, "176400");
    EXPECT_TRUE(readOnly);
    EXPECT_TRUE(assumeSound);
    EXPECT_EQ(selection, 15);
    EXPECT_EQ(time, "1.00 s");
    EXPECT_EQ(timeAtFormat0, "22.05 s");
    ASSERT_EQ(entries.size(), 16);
    EXPECT_EQ(entries.front(), "8.000 Hz; 8 Bit; Mono");
    EXPECT_EQ(entries[6], "11.025 Hz; 16 Bit; Mono");
    EXPECT_EQ(entries.back(), "44.100 Hz; 16 Bit; Stereo");
    // Cancel: the document as it was.
    EXPECT_EQ(doc.m_nWaveFormat, 15);
    EXPECT_TRUE(doc.m_bIsSound);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(std::vector<uint8_t>(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE), header);
    EXPECT_TRUE(desktop.Events().size() == 1 && desktop.Events()[0].IsStop()); // from the fill only
}

TEST(PropertiesDlg, OkRewritesTheShownHeaderAndASoundFlagLetsPlayStartAtOnce)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    AppSettings settings;
    settings.ShowWaveHeader = 1;
    CRipwellView view(&doc, settings, nullptr);
    view.resize(640, 300);
    view.show();
    EXPECT_FALSE(Enabled(view, res::ID_PLAY_WAVEFORM)); // nothing to play yet
    EXPECT_TRUE(Enabled(view, res::ID_STOP_WAVEFORM));
    EXPECT_TRUE(Enabled(view, res::ID_PROPERTIES));
    FillDocument(doc, 1000, WAVE_FORMAT_44100_16_STEREO, false);
    EXPECT_TRUE(Enabled(view, res::ID_PLAY_WAVEFORM));
    EXPECT_TRUE(view.VisibleLineText(1).startsWith("00000010  10 00 00 00 01 00 02 00 44 AC 00 00"));

    // Format 8 and "Assume data is a sound" on raw data.
    AnswerModal<CPropertiesDlg>([](CPropertiesDlg* dialog) {
        GetDlgControl<QComboBox>(dialog, res::IDC_1002)->setCurrentIndex(8);
        GetDlgControl<QCheckBox>(dialog, res::IDC_1000)->setChecked(true);
        GetDlgControl<QPushButton>(dialog, res::IDOK)->click();
    });
    view.OnProperties();
    EXPECT_EQ(doc.m_nWaveFormat, 8);
    EXPECT_TRUE(doc.m_bIsSound);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(view.VisibleLineText(1).startsWith("00000010  10 00 00 00 01 00 01 00 22 56 00 00 22 56 00 00"));

    // Play starts without the question now.
    desktop.Clear();
    view.Commands().Dispatch(res::ID_PLAY_WAVEFORM);
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"sound <memory>"}));
}
