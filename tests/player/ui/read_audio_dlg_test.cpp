#include "player/ui/read_audio_dlg.h"

#include <cstdlib>
#include <functional>

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLayout>
#include <QMouseEvent>
#include <QTabBar>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "platform/profile.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/scoped_environment.h"
#include "support/scripted_desktop.h"
#include "support/scripted_mci.h"
#include "support/temp_dir.h"

using namespace platform;
using namespace res::read_audio;

namespace {

uint32_t Packed(uint8_t minute, uint8_t second, uint8_t frame) { return minute | (second << 8) | (frame << 16); }

// A disc of three tracks in drive D: two audio tracks and a data track, identity DEADBEEF,
// with CDPLAYER.INI in a temporary settings folder.
class ReadAudioDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_mci.Answer(MCI_INFO, {0, 0, "3735928559"});
        m_mci.AnswerStatus(MCI_STATUS_MEDIA_PRESENT, {0, 1, ""});
        m_mci.AnswerStatus(MCI_STATUS_NUMBER_OF_TRACKS, {0, 3, ""});
        m_mci.AnswerStatus(MCI_STATUS_MODE, {0, MCI_MODE_STOP, ""});
        SetTrack(1, Packed(0, 2, 0), Packed(4, 10, 0), true);
        SetTrack(2, Packed(4, 12, 0), Packed(0, 3, 38), true);
        SetTrack(3, Packed(4, 15, 38), Packed(0, 13, 25), false);
    }

    void SetTrack(uint32_t track, uint32_t start, uint32_t length, bool audio)
    {
        m_mci.AnswerStatus(MCI_STATUS_POSITION, track, {0, start, ""});
        m_mci.AnswerStatus(MCI_STATUS_LENGTH, track, {0, length, ""});
        m_mci.AnswerStatus(MCI_CDA_STATUS_TYPE_TRACK, track,
                           {0, audio ? MCI_CDA_TRACK_AUDIO : MCI_CDA_TRACK_OTHER, ""});
    }

    // Runs body once the dialog is shown; body must end the dialog.
    int Run(CReadAudioDlg& dialog, std::function<void(QDialog*)> body)
    {
        QTimer::singleShot(0, [&dialog, body] {
            QDialog* window = dialog.Window();
            ASSERT_NE(window, nullptr);
            body(window);
            if (dialog.Window() && dialog.Window()->isVisible())
                dialog.Window()->done(99); // a failed body must not leave the dialog open
        });
        return dialog.DoModal();
    }

    static QString Text(QWidget* window, int id) { return GetDlgItemText(window, id); }
    static QTreeWidget* List(QWidget* window) { return GetDlgControl<QTreeWidget>(window, IDC_TRACK_LIST); }
    static void Press(QWidget* window, int id) { GetDlgControl<QPushButton>(window, id)->click(); }

    std::string Ini(const char* section, const char* key)
    {
        char buffer[256];
        GetPrivateProfileStringA(section, key, "(missing)", buffer, sizeof buffer, "CDPLAYER.INI");
        return buffer;
    }

    TempDir m_dir;
    ScopedEnvironment m_config{"XDG_CONFIG_HOME", m_dir.path().c_str()};
    ScriptedDesktop m_desktop;
    ScriptedMci m_mci;
};

} // namespace

TEST_F(ReadAudioDlgTest, FillsTheListWithTitlesAndShowsTheChosenPage)
{
    WritePrivateProfileStringA("DEADBEEF", "2", "Data part", "CDPLAYER.INI");
    WritePrivateProfileStringA("DEADBEEF", "0", "HJXZMBOYSDPA", "CDPLAYER.INI");
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nTabPage = 2;
    dialog.m_nStartSector = 600;
    dialog.m_nEndSector = 1350;
    Run(dialog, [&](QDialog* window) {
        // Every control the dialog's code names is in the window under its number.
        for (int id : {IDC_LOOP_MODE,
                       IDC_ONLY_FIRST,
                       IDC_ONLY_LAST,
                       IDC_MARK,
                       IDC_PAGE_TABS,
                       IDC_START_SECTOR_LABEL,
                       IDC_END_SECTOR_LABEL,
                       IDC_SELECTION_START_TIME,
                       IDC_PLAYING_TIME,
                       IDC_SELECTION_END_TIME,
                       IDC_SELECTION_START_SECTOR,
                       IDC_PLAYING_SECTOR,
                       IDC_SELECTION_END_SECTOR,
                       IDC_START_MIN,
                       IDC_START_SEC,
                       IDC_START_FRAME,
                       IDC_END_MIN,
                       IDC_END_SEC,
                       IDC_END_FRAME,
                       IDC_START_SECTOR,
                       IDC_END_SECTOR,
                       IDC_TRACK_LIST,
                       IDC_FIRST_SECONDS,
                       IDC_LAST_SECONDS,
                       IDC_START_LABEL,
                       IDC_END_LABEL,
                       IDC_MIN_LABEL,
                       IDC_SEC_LABEL,
                       IDC_FRAME_LABEL,
                       IDC_START_MIN_SPIN,
                       IDC_START_SEC_SPIN,
                       IDC_START_FRAME_SPIN,
                       IDC_END_MIN_SPIN,
                       IDC_END_SEC_SPIN,
                       IDC_END_FRAME_SPIN,
                       IDC_FIRST_SECONDS_SPIN,
                       IDC_LAST_SECONDS_SPIN,
                       IDC_POSITION_SLIDER,
                       IDC_PLAY,
                       IDC_STOP})
            EXPECT_NE(GetDlgItem(window, id), nullptr) << "no control " << id;
        QTreeWidget* list = List(window);
        ASSERT_EQ(list->topLevelItemCount(), 3);
        EXPECT_EQ(list->topLevelItem(0)->text(0), "Track 01");
        EXPECT_EQ(list->topLevelItem(1)->text(0), "Track 02");
        EXPECT_EQ(list->topLevelItem(2)->text(0), "Data part");
        EXPECT_EQ(list->topLevelItem(0)->text(1), "4:10");
        EXPECT_EQ(list->topLevelItem(0)->text(2), "0");
        EXPECT_EQ(list->topLevelItem(0)->text(3), "18749");
        EXPECT_EQ(list->topLevelItem(1)->text(1), "0:04");
        EXPECT_TRUE(list->selectedItems().isEmpty());
        EXPECT_EQ(dialog.m_Tracks[2].nonAudio, 1);
        EXPECT_EQ(dialog.m_Tracks[3].nonAudio, 1);
        EXPECT_EQ(dialog.m_Tracks[3].endSector, 0u);

        // Page 2: only the sector fields of the pages are shown.
        EXPECT_FALSE(list->isVisibleTo(window));
        EXPECT_FALSE(GetDlgItem(window, IDC_START_MIN)->isVisibleTo(window));
        EXPECT_TRUE(GetDlgItem(window, IDC_START_SECTOR)->isVisibleTo(window));
        EXPECT_EQ(Text(window, IDC_SELECTION_START_SECTOR), "600");
        EXPECT_EQ(Text(window, IDC_SELECTION_START_TIME), "0:10");

        // Page 0 without a selection shows "???"; a click on a track shows its figures.
        dialog.SelectTabPage(0);
        EXPECT_TRUE(list->isVisibleTo(window));
        EXPECT_EQ(Text(window, IDC_SELECTION_START_TIME), "???");
        list->topLevelItem(1)->setSelected(true);
        dialog.OnTrackClicked();
        EXPECT_EQ(dialog.m_nSelectedTrack, 1);
        EXPECT_EQ(Text(window, IDC_SELECTION_START_TIME), "4:12");
        EXPECT_EQ(Text(window, IDC_SELECTION_END_TIME), "4:15");
        EXPECT_EQ(Text(window, IDC_SELECTION_END_SECTOR), QString::number(dialog.m_Tracks[1].endSector));
        list->clearSelection();
        dialog.OnTrackClicked();
        EXPECT_EQ(dialog.m_nSelectedTrack, -1);
        Press(window, res::IDCANCEL);
    });
    EXPECT_EQ(dialog.m_nTabPage, 0);
}

TEST_F(ReadAudioDlgTest, CancelValidatesAndClosingKeepsTheCheckBoxes)
{
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    dialog.m_bOnlyLast = 0;
    dialog.m_nStartFrame = 10;
    bool stayedOpen = false;
    int result = Run(dialog, [&](QDialog* window) {
        EXPECT_EQ(Text(window, IDC_START_FRAME), "10");
        GetDlgControl<QLineEdit>(window, IDC_START_FRAME)->setText("75");
        Press(window, res::IDCANCEL);
        stayedOpen = window->isVisible();
        EXPECT_EQ(dialog.m_nStartFrame, 10u);
        GetDlgControl<QLineEdit>(window, IDC_START_FRAME)->setText("74");
        GetDlgControl<QLineEdit>(window, IDC_FIRST_SECONDS)->setText("300");
        Press(window, res::IDCANCEL);
        GetDlgControl<QLineEdit>(window, IDC_FIRST_SECONDS)->setText("0");
        Press(window, res::IDCANCEL);
        GetDlgControl<QLineEdit>(window, IDC_FIRST_SECONDS)->setText("60");
        GetDlgControl<QCheckBox>(window, IDC_ONLY_LAST)->setChecked(true);
        Press(window, res::IDCANCEL);
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(result, res::IDCANCEL);
    EXPECT_EQ(dialog.m_nStartFrame, 74u);
    EXPECT_EQ(dialog.m_nFirstSeconds, 60);
    EXPECT_EQ(dialog.m_bOnlyLast, 1);
    ASSERT_EQ(m_desktop.Boxes().size(), 3u);
    EXPECT_EQ(m_desktop.Boxes()[0].text, "Please enter an integer between 0 and 74.");
    EXPECT_EQ(m_desktop.Boxes()[1].text, "Please enter an integer between 0 and 255.");
    EXPECT_EQ(m_desktop.Boxes()[2].text, "Please enter an integer between 1 and 60.");
    // The device is closed again when the dialog closes.
    EXPECT_EQ(dialog.Audio().DeviceId(), 0u);
}

TEST_F(ReadAudioDlgTest, StartAndDoubleClickHandTheTrackToTheCaller)
{
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    // Start with no row chosen: the track stays as it was.
    EXPECT_EQ(Run(dialog, [&](QDialog* window) { Press(window, res::IDOK); }), res::IDOK);
    EXPECT_EQ(dialog.m_nSelectedTrack, -1);
    EXPECT_STREQ(dialog.m_szTrackTitle, "Untitled");

    // A double-click ends at once, without taking over an invalid field.
    dialog.m_nStartMin = 1;
    int result = Run(dialog, [&](QDialog* window) {
        GetDlgControl<QLineEdit>(window, IDC_START_MIN)->setText("abc");
        QTreeWidget* list = List(window);
        list->topLevelItem(2)->setSelected(true);
        emit list->itemDoubleClicked(list->topLevelItem(2), 0);
    });
    EXPECT_EQ(result, res::IDOK);
    EXPECT_EQ(dialog.m_nSelectedTrack, 2);
    EXPECT_STREQ(dialog.m_szTrackTitle, "Track 03");
    EXPECT_EQ(dialog.m_nStartMin, 1u);
    EXPECT_TRUE(m_desktop.Boxes().empty());
    // Each showing opened the device again.
    EXPECT_EQ(m_mci.RequestsOf(MCI_OPEN).size(), 4u);
}

TEST_F(ReadAudioDlgTest, RenamingWritesTheTitleAndTheMissingDiscKeys)
{
    WritePrivateProfileStringA("DEADBEEF", "artist", "Known", "CDPLAYER.INI");
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    Run(dialog, [&](QDialog* window) {
        QString title = "My song";
        dialog.EndRename(0, &title);
        EXPECT_EQ(List(window)->topLevelItem(0)->text(0), "My song");
        dialog.EndRename(1, nullptr);
        EXPECT_EQ(List(window)->topLevelItem(1)->text(0), "Track 02");
        Press(window, res::IDCANCEL);
    });
    EXPECT_EQ(Ini("DEADBEEF", "0"), "My song");
    EXPECT_EQ(Ini("DEADBEEF", "EntryType"), "1");
    EXPECT_EQ(Ini("DEADBEEF", "artist"), "Known");
    EXPECT_EQ(Ini("DEADBEEF", "title"), "New Title");
    EXPECT_EQ(Ini("DEADBEEF", "numtracks"), "3");
    EXPECT_EQ(Ini("DEADBEEF", "1"), "(missing)");

    // The title comes back at the next showing.
    Run(dialog, [&](QDialog* window) {
        EXPECT_EQ(List(window)->topLevelItem(0)->text(0), "My song");
        Press(window, res::IDCANCEL);
    });
}

TEST_F(ReadAudioDlgTest, RenameFromTheTrackMenuEditsTheLabelInPlace)
{
    WritePrivateProfileStringA("DEADBEEF", "numtracks", "7", "CDPLAYER.INI");
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    auto edit = [&](QWidget* window, int row, const QString& text, int key) {
        QTreeWidget* list = List(window);
        list->clearSelection();
        list->topLevelItem(row)->setSelected(true);
        ASSERT_EQ(dialog.PrepareListMenu()->title(), "Track");
        dialog.OnCommand(res::ID_TRACK_RENAME);
        auto* editor = qobject_cast<QLineEdit*>(list->itemWidget(list->topLevelItem(row), 0));
        ASSERT_NE(editor, nullptr) << "no editor for row " << row;
        editor->setText(text);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(editor, &press);
        QApplication::processEvents(); // the editor commits and closes from a queued call
        EXPECT_EQ(list->itemWidget(list->topLevelItem(row), 0), nullptr) << "the editor stayed open";
    };
    Run(dialog, [&](QDialog* window) {
        edit(window, 2, "Bonus data", Qt::Key_Return);
        EXPECT_EQ(List(window)->topLevelItem(2)->text(0), "Bonus data");
        edit(window, 1, "Never kept", Qt::Key_Escape);
        EXPECT_EQ(List(window)->topLevelItem(1)->text(0), "Track 02");
        Press(window, res::IDCANCEL);
    });
    EXPECT_EQ(Ini("DEADBEEF", "2"), "Bonus data");
    EXPECT_EQ(Ini("DEADBEEF", "1"), "(missing)");
    EXPECT_EQ(Ini("DEADBEEF", "EntryType"), "1");
    EXPECT_EQ(Ini("DEADBEEF", "artist"), "New Artist");
    EXPECT_EQ(Ini("DEADBEEF", "title"), "New Title");
    EXPECT_EQ(Ini("DEADBEEF", "numtracks"), "7"); // present, so left alone

    // A new dialog object, as the next command makes, shows the title from the file.
    CReadAudioDlg next;
    next.m_chDrive = 'D';
    next.m_nFirstSeconds = 3;
    next.m_nLastSeconds = 3;
    Run(next, [&](QDialog* window) {
        EXPECT_EQ(List(window)->topLevelItem(2)->text(0), "Bonus data");
        EXPECT_EQ(List(window)->topLevelItem(1)->text(0), "Track 02");
        Press(window, res::IDCANCEL);
    });
}

TEST_F(ReadAudioDlgTest, WithoutTheDiscIdentityRenamingWritesNothing)
{
    m_mci.Answer(MCI_INFO, {MCIERR_BASE + 10, 0, ""});
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    Run(dialog, [&](QDialog* window) {
        ASSERT_EQ(List(window)->topLevelItemCount(), 3);
        QString title = "Lost";
        dialog.EndRename(0, &title);
        EXPECT_EQ(List(window)->topLevelItem(0)->text(0), "Track 01");
        Press(window, res::IDCANCEL);
    });
    EXPECT_FALSE(std::filesystem::exists(ProfileFilePath("CDPLAYER.INI")));
}

TEST_F(ReadAudioDlgTest, ContextMenusFollowTheSelectionAndTheDoor)
{
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    Run(dialog, [&](QDialog* window) {
        auto enabled = [](QMenu* menu, int id) {
            for (QAction* action : menu->actions())
                if (!action->isSeparator() && action->data().toInt() == id)
                    return action->isEnabled();
            ADD_FAILURE() << "no entry " << id;
            return false;
        };
        QMenu* menu = dialog.PrepareListMenu();
        EXPECT_EQ(menu->title(), "List");
        EXPECT_TRUE(enabled(menu, res::ID_LIST_REFRESH));
        EXPECT_TRUE(enabled(menu, res::ID_LIST_OPEN_DOOR));
        EXPECT_FALSE(enabled(menu, res::ID_LIST_CLOSE_DOOR));

        m_mci.AnswerStatus(MCI_STATUS_MODE, {0, MCI_MODE_OPEN, ""});
        menu = dialog.PrepareListMenu();
        EXPECT_FALSE(enabled(menu, res::ID_LIST_OPEN_DOOR));
        EXPECT_TRUE(enabled(menu, res::ID_LIST_CLOSE_DOOR));
        dialog.OnCommand(res::ID_LIST_CLOSE_DOOR);
        EXPECT_EQ(m_mci.RequestsOf(MCI_SET).back().flags, MCI_SET_DOOR_CLOSED | MCI_WAIT);

        List(window)->topLevelItem(1)->setSelected(true);
        menu = dialog.PrepareListMenu();
        EXPECT_EQ(menu->title(), "Track");
        EXPECT_EQ(dialog.m_nSelectedTrack, 1);
        QStringList texts;
        for (QAction* action : menu->actions())
            texts << (action->isSeparator() ? QString("-") : action->text());
        EXPECT_EQ(texts.join('|'), "Play|Pick up times|-|Rename|Properties...|-|Grab");
        // "Grab" acts as Start.
        dialog.OnCommand(res::ID_TRACK_GRAB);
    });
    EXPECT_EQ(dialog.m_nSelectedTrack, 1);
    EXPECT_STREQ(dialog.m_szTrackTitle, "Track 02");
}

TEST_F(ReadAudioDlgTest, TrackPropertiesShowTheChosenTrackUnderItsCurrentTitle)
{
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    QString caption;
    QStringList fields;
    bool audioChecked = false;
    bool stayedChecked = false;
    bool readOnlyRight = true;
    Run(dialog, [&](QDialog* window) {
        List(window)->topLevelItem(0)->setSelected(true);
        ASSERT_EQ(dialog.PrepareListMenu()->title(), "Track");
        QString title = "Overture";
        dialog.EndRename(0, &title);
        QTimer::singleShot(0, [&] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, window);
            caption = box->windowTitle();
            using namespace res::track_properties;
            for (int id :
                 {IDC_RB_START, IDC_RB_END, IDC_RB_LENGTH, IDC_HS_START, IDC_HS_END, IDC_HS_LENGTH, IDC_SIZE}) {
                auto* field = GetDlgControl<QLineEdit>(box, id);
                fields << field->text();
                readOnlyRight = readOnlyRight && field->isReadOnly() && (field->alignment() & Qt::AlignRight);
            }
            auto* audio = GetDlgControl<QCheckBox>(box, IDC_AUDIO_TRACK);
            audioChecked = audio->isChecked();
            audio->click(); // the user cannot toggle it
            stayedChecked = audio->isChecked();
            GetDlgControl<QPushButton>(box, res::IDOK)->click();
        });
        dialog.OnCommand(res::ID_TRACK_PROPERTIES);
        Press(window, res::IDCANCEL);
    });
    EXPECT_EQ(caption, "Track 1 - Overture");
    EXPECT_EQ(fields.join(' '), "0:02.00 4:11.74 4:10.00 0 18749 18750 44100000");
    EXPECT_TRUE(audioChecked);
    EXPECT_TRUE(stayedChecked);
    EXPECT_TRUE(readOnlyRight);
}

TEST_F(ReadAudioDlgTest, AnEditedTitleIsKeptWhenTheUserClicksOutsideTheList)
{
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    Run(dialog, [&](QDialog* window) {
        QTreeWidget* list = List(window);
        auto startEdit = [&](int row, const char* text) {
            list->clearSelection();
            list->topLevelItem(row)->setSelected(true);
            dialog.PrepareListMenu();
            dialog.OnCommand(res::ID_TRACK_RENAME);
            auto* editor = qobject_cast<QLineEdit*>(list->itemWidget(list->topLevelItem(row), 0));
            ASSERT_NE(editor, nullptr);
            editor->setText(text);
        };
        // A click on the dialog's background, which takes no focus, ends the edit.
        startEdit(0, "Prelude");
        auto* group = window->findChild<QGroupBox*>("playGroup");
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), group->mapToGlobal(QPointF(2, 2)), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(group, &press);
        QApplication::processEvents();
        EXPECT_EQ(list->itemWidget(list->topLevelItem(0), 0), nullptr) << "the editor stayed open";
        EXPECT_EQ(list->topLevelItem(0)->text(0), "Prelude");
        // So does a change of the tab page.
        startEdit(1, "Fugue");
        dialog.SelectTabPage(1);
        GetDlgControl<QTabBar>(window, IDC_PAGE_TABS)->setCurrentIndex(0);
        QApplication::processEvents();
        EXPECT_EQ(list->itemWidget(list->topLevelItem(1), 0), nullptr) << "the editor stayed open";
        EXPECT_EQ(list->topLevelItem(1)->text(0), "Fugue");
        Press(window, res::IDCANCEL);
    });
    EXPECT_EQ(Ini("DEADBEEF", "0"), "Prelude");
    EXPECT_EQ(Ini("DEADBEEF", "1"), "Fugue");
}

TEST_F(ReadAudioDlgTest, TheGroupsBelowThePagesKeepTheirPlaceWhenTheLabelsChange)
{
    CReadAudioDlg dialog;
    dialog.m_chDrive = 'D';
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    Run(dialog, [&](QDialog* window) {
        auto* play = window->findChild<QGroupBox*>("playGroup");
        auto* settings = window->findChild<QGroupBox*>("settingsGroup");
        // A label's new size reaches the window's layout through a request per level.
        auto settle = [] {
            for (int level = 0; level < 4; ++level)
                QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        };
        settle();
        const QRect playBefore = play->geometry();
        const QRect settingsBefore = settings->geometry();
        EXPECT_EQ(Text(window, IDC_SELECTION_START_TIME), "???");

        List(window)->topLevelItem(1)->setSelected(true);
        dialog.OnTrackClicked();
        SetDlgItemText(window, IDC_PLAYING_TIME, "4:13");
        SetDlgItemText(window, IDC_PLAYING_SECTOR, "18800");
        SetDlgItemText(window, IDC_MARK, "End here");
        EXPECT_EQ(Text(window, IDC_SELECTION_START_SECTOR), "18750");
        settle();
        EXPECT_EQ(play->geometry(), playBefore);
        EXPECT_EQ(settings->geometry(), settingsBefore);
        Press(window, res::IDCANCEL);
    });
}
