#include "document/ui/properties_dlg.h"

#include <QApplication>
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

struct Shown {
    QString title, length, time, timeAtFormat0;
    bool lengthReadOnly = false, timeReadOnly = false, assumeSound = false;
    QStringList entries;
    int selection = -2;
};

// Reads what the dialog shows, picks format `pick` (-1: leave it), ticks the box when asked,
// and presses a button.
void AnswerProperties(Shown& shown, int pick, bool tick, int button)
{
    AnswerModal<CPropertiesDlg>([&shown, pick, tick, button](CPropertiesDlg* dialog) {
        shown.title = dialog->windowTitle();
        auto* length = GetDlgControl<QLineEdit>(dialog, res::IDC_1018);
        auto* time = GetDlgControl<QLineEdit>(dialog, res::IDC_1019);
        auto* list = GetDlgControl<QComboBox>(dialog, res::IDC_1002);
        auto* check = GetDlgControl<QCheckBox>(dialog, res::IDC_1000);
        ASSERT_TRUE(length && time && list && check);
        shown.length = length->text();
        shown.lengthReadOnly = length->isReadOnly();
        shown.timeReadOnly = time->isReadOnly();
        shown.time = time->text();
        shown.assumeSound = check->isChecked();
        shown.selection = list->currentIndex();
        for (int i = 0; i < list->count(); ++i)
            shown.entries << list->itemText(i);
        const int before = list->currentIndex();
        list->setCurrentIndex(0);
        shown.timeAtFormat0 = time->text();
        list->setCurrentIndex(pick >= 0 ? pick : before);
        if (tick)
            check->setChecked(!check->isChecked());
        GetDlgControl<QPushButton>(dialog, button)->click();
    });
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
    Shown shown;
    AnswerProperties(shown, 3, true, res::IDCANCEL);
    view.Commands().Dispatch(res::ID_PROPERTIES);

    EXPECT_EQ(shown.title, "Properties");
    EXPECT_EQ(shown.length, "176400");
    EXPECT_TRUE(shown.lengthReadOnly);
    EXPECT_TRUE(shown.timeReadOnly);
    EXPECT_TRUE(shown.assumeSound);
    EXPECT_EQ(shown.selection, 15);
    EXPECT_EQ(shown.time, "1.00 s");
    EXPECT_EQ(shown.timeAtFormat0, "22.05 s");
    ASSERT_EQ(shown.entries.size(), 16);
    for (int code = 0; code < 16; ++code)
        EXPECT_EQ(shown.entries[code], WaveFormatTable[code].text);
    EXPECT_EQ(shown.entries.front(), "8.000 Hz; 8 Bit; Mono");
    EXPECT_EQ(shown.entries.back(), "44.100 Hz; 16 Bit; Stereo");

    EXPECT_EQ(doc.m_nWaveFormat, 15);
    EXPECT_TRUE(doc.m_bIsSound);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(std::vector<uint8_t>(doc.m_pHeader, doc.m_pHeader + WAVE_HEADER_SIZE), header);
    EXPECT_TRUE(desktop.Boxes().empty());

    // The wave format member follows the list whichever button closes the dialog.
    CPropertiesDlg dialog;
    dialog.m_nWaveFormat = 15;
    AnswerModal<CPropertiesDlg>([](CPropertiesDlg* d) {
        GetDlgControl<QComboBox>(d, res::IDC_1002)->setCurrentIndex(6);
        GetDlgControl<QPushButton>(d, res::IDCANCEL)->click();
    });
    EXPECT_EQ(dialog.DoModal(), res::IDCANCEL);
    EXPECT_EQ(dialog.m_nWaveFormat, 6);
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
    FillDocument(doc, 1000, WAVE_FORMAT_44100_16_STEREO, false);
    EXPECT_TRUE(view.VisibleLineText(1).startsWith("00000010  10 00 00 00 01 00 02 00 44 AC 00 00"));

    // Format 8 and "Assume data is a sound" on raw data.
    Shown shown;
    AnswerProperties(shown, 8, true, res::IDOK);
    view.OnProperties();
    EXPECT_FALSE(shown.assumeSound);
    EXPECT_EQ(doc.m_nWaveFormat, 8);
    EXPECT_TRUE(doc.m_bIsSound);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_TRUE(view.VisibleLineText(1).startsWith("00000010  10 00 00 00 01 00 01 00 22 56 00 00 22 56 00 00"));

    // Play starts without the question now.
    desktop.Clear();
    view.Commands().Dispatch(res::ID_PLAY_WAVEFORM);
    EXPECT_EQ(desktop.Transcript(), (std::vector<std::string>{"sound <memory>"}));
    view.Commands().Dispatch(res::ID_STOP_WAVEFORM);
    EXPECT_FALSE(desktop.SoundPlaying());
}

TEST(PropertiesDlg, PlayIsEnabledOnlyWithDataStopAndPropertiesAlways)
{
    ScriptedDesktop desktop;
    CRipwellDoc doc;
    AppSettings settings;
    CRipwellView view(&doc, settings, nullptr);
    auto state = [&view](int id) {
        framework::CCmdUI ui;
        ui.m_nID = id;
        EXPECT_TRUE(view.Commands().Update(ui));
        return ui.m_bEnabled;
    };
    EXPECT_FALSE(state(res::ID_PLAY_WAVEFORM));
    EXPECT_TRUE(state(res::ID_STOP_WAVEFORM));
    EXPECT_TRUE(state(res::ID_PROPERTIES));
    FillDocument(doc, 1, 8, false);
    EXPECT_TRUE(state(res::ID_PLAY_WAVEFORM));
    doc.OnNewDocument();
    EXPECT_FALSE(state(res::ID_PLAY_WAVEFORM));
    // An empty document plays nothing even when asked directly.
    desktop.Clear();
    view.OnPlayWaveform();
    EXPECT_TRUE(desktop.Events().empty());
}
