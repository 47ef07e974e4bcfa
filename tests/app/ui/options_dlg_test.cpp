#include "app/ui/options_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/external_apps.h"
#include "app/ui/main_frame.h"
#include "app/ui/options_command.h"
#include "app/ui/ripwell_app.h"
#include "base/app_settings.h"
#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"
#include "platform/block_memory.h"
#include "platform/ui/dialog_data.h"
#include "platform/ui/up_down.h"
#include "res/resource.h"
#include "support/scoped_environment.h"
#include "support/scripted_autoplay_key.h"
#include "support/scripted_desktop.h"
#include "support/scripted_drive_table.h"
#include "support/scripted_shell.h"
#include "support/temp_dir.h"
#include "support/ui/dialog_script.h"
#include "support/ui/modal_answer.h"

namespace {

bool Checked(QWidget* dialog, int id) { return GetDlgControl<QCheckBox>(dialog, id)->isChecked(); }
void Click(QWidget* dialog, int id) { GetDlgControl<QAbstractButton>(dialog, id)->click(); }

std::vector<bool> VisibleGroups(COptionsDlg* dialog)
{
    return {dialog->Group(0)->isVisible(), dialog->Group(1)->isVisible(), dialog->Group(2)->isVisible()};
}

// Answers the colour chooser that the next click opens with this colour.
void ChooseColor(const QColor& color)
{
    AnswerModal<QColorDialog>([color](QColorDialog* chooser) {
        chooser->setCurrentColor(color);
        chooser->accept();
    });
}

// Counts the paintings of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct OptionsTest : ::testing::Test {
    void SetUp() override
    {
        SetDialogSoundsEnabled(true);
        view.resize(640, 300);
        view.show();
    }
    void TearDown() override { SetDialogSoundsEnabled(true); }

    // Shows the Options dialog through its command and runs step on it.
    OptionsOutcome Run(std::function<void(COptionsDlg*)> step)
    {
        DialogScript script({[step](QWidget* window) {
            auto* dialog = qobject_cast<COptionsDlg*>(window);
            ASSERT_NE(dialog, nullptr);
            step(dialog);
            // A step that failed part-way must not leave the test waiting.
            if (dialog->isVisible()) {
                ADD_FAILURE() << "the step left the dialog open";
                dialog->reject();
            }
        }});
        OptionsOutcome outcome = OnOptions(settings, &view, nullptr);
        EXPECT_EQ(script.Shown(), 1);
        return outcome;
    }

    ScriptedDriveTable drives{ScriptedDriveTable::WithCdroms("EF")};
    ScriptedAutoPlayKey autoPlay;
    ScriptedDesktop desktop;
    AppSettings settings;
    CRipwellDoc doc;
    CRipwellView view{&doc, settings, nullptr};
};

} // namespace

TEST_F(OptionsTest, OpensFromTheSettingsWithOneGroupPerTabAndCancelChangesNothing)
{
    settings.DefaultCDROMDrive = 'f'; // stored in lower case
    settings.PlayDialogSounds = 0;
    settings.ShowWaveHeader = 1;
    settings.DoJitterCorrection = 0;
    settings.OverlappingSectors = 7;
    settings.SaveSettingsOnExit = 0;
    settings.CDPlayer = "xmms";
    settings.SoundRecorder = "/opt/rec/rec";
    autoPlay.value = ""; // disabled
    const AppSettings before = settings;

    Run([&](COptionsDlg* dialog) {
        EXPECT_EQ(dialog->windowTitle(), "Options");
        auto* tabs = GetDlgControl<QTabBar>(dialog, res::IDC_1009);
        ASSERT_EQ(tabs->count(), 3);
        EXPECT_EQ(QStringList({tabs->tabText(0), tabs->tabText(1), tabs->tabText(2)}),
                  (QStringList{"Common", "Colors", "Applications"}));
        EXPECT_EQ(dialog->CurrentTab(), 0);
        EXPECT_EQ(VisibleGroups(dialog), (std::vector<bool>{true, false, false}));

        auto* list = GetDlgControl<QComboBox>(dialog, res::IDC_1002);
        ASSERT_EQ(list->count(), 2);
        EXPECT_EQ(list->itemText(0), "E:");
        EXPECT_EQ(list->currentText(), "F:");
        EXPECT_TRUE(Checked(dialog, res::IDC_1000));
        EXPECT_TRUE(Checked(dialog, res::IDC_1001));
        EXPECT_FALSE(Checked(dialog, res::IDC_1005));
        EXPECT_TRUE(Checked(dialog, res::IDC_1013));
        EXPECT_EQ(GetDlgItemText(dialog, res::IDC_1018), "xmms");
        EXPECT_EQ(GetDlgItemText(dialog, res::IDC_1036), "7");

        // Without jitter correction the overlap cannot be changed; the box switches that.
        auto* overlap = GetDlgItem(dialog, res::IDC_1036);
        auto* spin = GetDlgControl<CUpDownButton>(dialog, res::IDC_1064);
        EXPECT_FALSE(overlap->isEnabled());
        EXPECT_FALSE(spin->isEnabled());
        EXPECT_EQ(spin->Lower(), 1);
        EXPECT_EQ(spin->Upper(), 100);
        Click(dialog, res::IDC_1004);
        EXPECT_TRUE(overlap->isEnabled());
        EXPECT_TRUE(spin->isEnabled());

        // Each tab shows its own group in the one area the groups share.
        tabs->setCurrentIndex(2);
        EXPECT_EQ(VisibleGroups(dialog), (std::vector<bool>{false, false, true}));
        tabs->setCurrentIndex(1);
        EXPECT_EQ(VisibleGroups(dialog), (std::vector<bool>{false, true, false}));
        EXPECT_EQ(dialog->Group(0)->geometry(), dialog->Group(1)->geometry());
        EXPECT_EQ(dialog->Group(1)->geometry(), dialog->Group(2)->geometry());

        // Reset, a new colour, then Cancel.
        Click(dialog, res::IDC_1008);
        EXPECT_EQ(GetDlgItemText(dialog, res::IDC_1018), "CDPLAYER.EXE");
        EXPECT_EQ(GetDlgItemText(dialog, res::IDC_1019), "SNDREC32.EXE");
        EXPECT_FALSE(Checked(dialog, res::IDC_1013));
        ChooseColor(Qt::red);
        Click(dialog, res::IDC_1006);
        PressButton(dialog, res::IDCANCEL);
    });
    EXPECT_EQ(settings.CDPlayer, before.CDPlayer);
    EXPECT_EQ(settings.SoundRecorder, before.SoundRecorder);
    EXPECT_EQ(settings.DoJitterCorrection, 0);
    EXPECT_EQ(settings.DefaultCDROMDrive, 'f');
    EXPECT_EQ(view.m_crText, QColor(Qt::black));
    EXPECT_TRUE(autoPlay.writes.empty());
    EXPECT_EQ(autoPlay.value, "");
    EXPECT_TRUE(desktop.Events().empty());
}

TEST_F(OptionsTest, OkAppliesEveryFieldAndTheOverlapMustBeOneToTwenty)
{
    Run([&](COptionsDlg* dialog) {
        Click(dialog, res::IDC_1000);
        Click(dialog, res::IDC_1005);
        GetDlgControl<QComboBox>(dialog, res::IDC_1002)->setCurrentIndex(1);
        SetDlgItemText(dialog, res::IDC_1018, "   ");
        SetDlgItemText(dialog, res::IDC_1019, "/opt/My Recorder/rec");
        QWidget* overlap = GetDlgItem(dialog, res::IDC_1036);
        // The spin goes to 100, OK does not; the focus goes back to the overlap.
        for (const char* text : {"25", "0", "abc", "300", "20"}) {
            SetDlgItemText(dialog, res::IDC_1036, text);
            GetDlgItem(dialog, res::IDC_1000)->setFocus();
            PressButton(dialog, res::IDOK);
            if (std::strcmp(text, "20") != 0) {
                EXPECT_TRUE(dialog->isVisible()) << text;
                EXPECT_EQ(dialog->focusWidget(), overlap) << text;
            }
        }
    });
    EXPECT_EQ(desktop.Transcript(),
              (std::vector<std::string>{
                  "box Please enter an integer between 1 and 20.", "box Please enter an integer between 1 and 20.",
                  "box Please enter an integer between 0 and 255.", "box Please enter an integer between 0 and 255."}));
    EXPECT_EQ(settings.OverlappingSectors, 20);
    EXPECT_EQ(settings.PlayDialogSounds, 0);
    EXPECT_FALSE(DialogSoundsEnabled());
    EXPECT_EQ(settings.SaveSettingsOnExit, 0);
    EXPECT_EQ(settings.DefaultCDROMDrive, 'F');
    EXPECT_EQ(settings.CDPlayer, "   ");
    EXPECT_EQ(settings.SoundRecorder, "/opt/My Recorder/rec");
    // AutoPlay was on and stayed on: nothing written.
    EXPECT_TRUE(autoPlay.writes.empty());
}

TEST_F(OptionsTest, AutoPlayIsWrittenOnlyWhenTheKeyOpenedAndTheBoxChanged)
{
    auto toggle = [](COptionsDlg* dialog) {
        Click(dialog, res::IDC_1013);
        PressButton(dialog, res::IDOK);
    };
    // "play": unchecked; checking it writes the empty string; "Reset" and OK writes "play".
    Run([](COptionsDlg* dialog) {
        EXPECT_FALSE(Checked(dialog, res::IDC_1013));
        Click(dialog, res::IDC_1013);
        PressButton(dialog, res::IDOK);
    });
    EXPECT_EQ(autoPlay.writes, std::vector<std::string>{""});
    Run([](COptionsDlg* dialog) {
        EXPECT_TRUE(Checked(dialog, res::IDC_1013));
        Click(dialog, res::IDC_1008);
        PressButton(dialog, res::IDOK);
    });
    EXPECT_EQ(autoPlay.writes, (std::vector<std::string>{"", "play"}));

    // "Play" reads as disabled; left as it is, it stays as it is.
    autoPlay.writes.clear();
    autoPlay.value = "Play";
    Run([](COptionsDlg* dialog) {
        EXPECT_TRUE(Checked(dialog, res::IDC_1013));
        PressButton(dialog, res::IDOK);
    });
    EXPECT_TRUE(autoPlay.writes.empty());
    EXPECT_EQ(autoPlay.value, "Play");

    // A key that cannot be opened: unchecked, and a change is ignored without a word.
    autoPlay.writable = false;
    Run([&](COptionsDlg* dialog) {
        EXPECT_FALSE(Checked(dialog, res::IDC_1013));
        toggle(dialog);
    });
    EXPECT_TRUE(autoPlay.writes.empty());
    EXPECT_TRUE(desktop.Events().empty());

    // A write that fails is reported; the other settings are applied all the same.
    autoPlay.writable = true;
    autoPlay.writeFails = true;
    Run([&](COptionsDlg* dialog) {
        SetDlgItemText(dialog, res::IDC_1018, "cdplay");
        toggle(dialog);
    });
    EXPECT_EQ(desktop.Transcript(), std::vector<std::string>{std::string("box ") + AUTOPLAY_WRITE_FAILED});
    EXPECT_EQ(autoPlay.value, "Play");
    EXPECT_EQ(settings.CDPlayer, "cdplay");
}

TEST_F(OptionsTest, ColoursReachTheViewOnlyWhenTheyChangeAndTheSampleShowsThem)
{
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    QImage sample;
    const OptionsOutcome changed = Run([&](COptionsDlg* dialog) {
        GetDlgControl<QTabBar>(dialog, res::IDC_1009)->setCurrentIndex(1);
        ChooseColor(QColor(255, 0, 0));
        Click(dialog, res::IDC_1006);
        ChooseColor(QColor(0, 96, 0));
        Click(dialog, res::IDC_1007);
        sample = GetDlgItem(dialog, res::IDC_1042)->grab().toImage();
        PressButton(dialog, res::IDOK);
    });
    QApplication::processEvents();
    EXPECT_TRUE(changed.colorsChanged);
    EXPECT_FALSE(changed.layoutChanged);
    EXPECT_EQ(view.m_crText, QColor(255, 0, 0));
    EXPECT_EQ(view.m_crBack, QColor(0, 96, 0));
    EXPECT_GT(counter.paints, 0);

    // The sample: the third character cell of the first line is a blank in the background
    // colour, the glyphs are drawn in the foreground, the room past the lines is the dialog's.
    const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const int cell = metrics.horizontalAdvance(QLatin1Char('0'));
    EXPECT_EQ(sample.pixelColor(cell * 2 + cell / 2, metrics.height() / 2), QColor(0, 96, 0));
    EXPECT_NE(sample.pixelColor(sample.width() - 4, sample.height() / 2), QColor(0, 96, 0));
    bool foreground = false;
    for (int x = 0; x < cell * 2 && !foreground; ++x)
        for (int y = 0; y < metrics.height() && !foreground; ++y)
            foreground = sample.pixelColor(x, y).red() > 200 && sample.pixelColor(x, y).green() < 60;
    EXPECT_TRUE(foreground);

    // The same colours chosen again are no change: the view is not repainted.
    counter.paints = 0;
    const OptionsOutcome same = Run([&](COptionsDlg* dialog) {
        ChooseColor(QColor(255, 0, 0));
        Click(dialog, res::IDC_1006);
        PressButton(dialog, res::IDOK);
    });
    QApplication::processEvents();
    EXPECT_FALSE(same.colorsChanged);
    EXPECT_EQ(counter.paints, 0);
}

TEST_F(OptionsTest, TheWaveHeaderSwitchLaysTheViewOutAgainInTheNewColours)
{
    uint8_t* block = platform::AllocateDataBlock(WAVE_HEADER_SIZE + 32);
    std::memset(block, 0x41, WAVE_HEADER_SIZE + 32);
    doc.AdoptBlock(block, block, 32, true, 15);
    doc.UpdateAllViews();
    EXPECT_TRUE(view.VisibleLineText(0).startsWith("00000000  41 41 "));

    const OptionsOutcome both = Run([](COptionsDlg* dialog) {
        Click(dialog, res::IDC_1001);
        ChooseColor(QColor(0, 0, 255));
        Click(dialog, res::IDC_1007);
        PressButton(dialog, res::IDOK);
    });
    EXPECT_TRUE(both.layoutChanged);
    EXPECT_TRUE(both.colorsChanged);
    EXPECT_EQ(settings.ShowWaveHeader, 1);
    EXPECT_TRUE(view.VisibleLineText(0).startsWith("00000000  52 49 46 46 "));
    EXPECT_EQ(view.m_crBack, QColor(0, 0, 255));
    EXPECT_EQ(view.viewport()->palette().color(QPalette::Window), QColor(0, 0, 255));

    const OptionsOutcome headerOnly = Run([](COptionsDlg* dialog) {
        Click(dialog, res::IDC_1001);
        PressButton(dialog, res::IDOK);
    });
    EXPECT_TRUE(headerOnly.layoutChanged);
    EXPECT_FALSE(headerOnly.colorsChanged);
    EXPECT_TRUE(view.VisibleLineText(0).startsWith("00000000  41 41 "));
}

TEST_F(OptionsTest, WithoutACdromDriveTheListIsEmptyAndTheLetterBecomesZero)
{
    drives.Set({{'C', platform::DriveEntry::Kind::FixedDisk, "/"}});
    settings.DefaultCDROMDrive = 'E';
    Run([](COptionsDlg* dialog) {
        EXPECT_EQ(GetDlgControl<QComboBox>(dialog, res::IDC_1002)->count(), 0);
        PressButton(dialog, res::IDOK);
    });
    EXPECT_EQ(settings.DefaultCDROMDrive, 0);
}

TEST(OptionsThroughTheFrame, ProgramsStartFromTheViewAndSettingsReachTheFileAtShutDown)
{
    TempDir config;
    ScopedEnvironment home("XDG_CONFIG_HOME", config.path().c_str());
    ScopedEnvironment hive("RIPWELL_USER_HIVE", nullptr);
    ScriptedDriveTable drives{ScriptedDriveTable::WithCdroms("D")};
    ScriptedAutoPlayKey autoPlay;
    ScriptedDesktop desktop;
    ScriptedShell shell;
    const std::string userHive = config.file("ripwell/user.reg");
    auto hiveText = [&] {
        std::stringstream text;
        text << std::ifstream(userHive).rdbuf();
        return text.str();
    };
    {
        CRipwellApp app;
        ASSERT_TRUE(app.InitInstance({"ripwell"}));
        DialogScript script({[](QWidget* dialog) {
            SetDlgItemText(dialog, res::IDC_1036, "5");
            SetDlgItemText(dialog, res::IDC_1019, "audacity");
            PressButton(dialog, res::IDOK);
        }});
        EXPECT_TRUE(app.MainFrame()->Router().Dispatch(res::ID_OPTIONS));
        EXPECT_EQ(script.Shown(), 1);
        EXPECT_EQ(app.GetSettings().OverlappingSectors, 5);
        EXPECT_EQ(hiveText().find("\"OverlappingSectors\"=dword:00000005"), std::string::npos);

        EXPECT_TRUE(app.MainFrame()->Router().Dispatch(res::ID_CD_PLAYER));
        EXPECT_TRUE(app.MainFrame()->Router().Dispatch(res::ID_SOUND_RECORDER));
        ASSERT_EQ(shell.Calls().size(), 2u);
        EXPECT_EQ(shell.Calls()[0].file, "CDPLAYER.EXE");
        EXPECT_EQ(shell.Calls()[1].file, "audacity");
        EXPECT_EQ(shell.Calls()[0].owner, static_cast<void*>(app.MainFrame()->View()));
        app.ExitInstance();
    }
    EXPECT_NE(hiveText().find("\"OverlappingSectors\"=dword:00000005"), std::string::npos) << hiveText();
    EXPECT_NE(hiveText().find("\"SoundRecorder\"=\"audacity\""), std::string::npos);
    EXPECT_TRUE(desktop.Boxes().empty());
}
