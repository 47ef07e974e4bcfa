#include "platform/ui/qt_file_dialogs.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "platform/framework/file_dialogs.h"
#include "support/temp_dir.h"
#include "support/ui/modal_answer.h"

namespace {

// Types a name into the file name field. Typing with the focus there drops the selection of
// the file list, which otherwise wins over the typed name; offscreen the field has no focus.
void Type(QFileDialog* dialog, const QString& name)
{
    if (auto* list = dialog->findChild<QAbstractItemView*>("listView"))
        list->clearSelection();
    auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_NE(edit, nullptr);
    edit->setText(name);
}

// The dialog's Save or Open button.
QAbstractButton* OpenButton(QFileDialog* dialog)
{
    auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
    if (buttons)
        for (QAbstractButton* button : buttons->buttons())
            if (buttons->buttonRole(button) == QDialogButtonBox::AcceptRole)
                return button;
    ADD_FAILURE() << "no Save or Open button";
    return nullptr;
}

// Presses the dialog's Save or Open button, as the user does.
void Accept(QFileDialog* dialog)
{
    QAbstractButton* button = OpenButton(dialog);
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled());
    button->click();
}

// Answers the next message box with the button of that text and keeps what it said.
void AnswerBox(const QString& button, QString* text)
{
    AnswerModal<QMessageBox>([button, text](QMessageBox* box) {
        *text = box->text();
        Click(box, button);
    });
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

struct QtFileDialogTest : ::testing::Test {
    void SetUp() override
    {
        m_previous = framework::GetFileDialogService();
        platform::InstallQtFileDialogService(platform::FileDialogChoice::QtOwn);
    }
    void TearDown() override { framework::SetFileDialogService(m_previous); }
    framework::FileDialogService* m_previous = nullptr;
    TempDir dir;
};

} // namespace

TEST_F(QtFileDialogTest, SaveAsStartsAtTheProposalAndAppendsTheDefaultExtension)
{
    QString title, folder, proposed;
    QStringList filters;
    bool saving = false;
    AnswerModal<QFileDialog>([&](QFileDialog* dialog) {
        title = dialog->windowTitle();
        folder = dialog->directory().absolutePath();
        proposed = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        for (int i = 0; types && i < types->count(); ++i)
            filters << types->itemText(i);
        saving = dialog->acceptMode() == QFileDialog::AcceptSave;
        Type(dialog, "take");
        Accept(dialog);
    });
    std::string name = dir.file("Untitled.wav");
    ASSERT_TRUE(framework::PromptSaveFileName(name));
    EXPECT_EQ(name, dir.file("take.wav"));
    EXPECT_EQ(title, "Save As");
    EXPECT_EQ(folder.toStdString(), dir.path().string());
    EXPECT_EQ(proposed, "Untitled.wav");
    EXPECT_EQ(filters, (QStringList{"Wave Files (*.wav)", "All Files (*.*)"}));
    EXPECT_TRUE(saving);

    // A typed extension is kept; Cancel keeps the name as it was.
    AnswerModal<QFileDialog>([&](QFileDialog* dialog) {
        Type(dialog, "take.raw");
        Accept(dialog);
    });
    ASSERT_TRUE(framework::PromptSaveFileName(name));
    EXPECT_EQ(name, dir.file("take.raw"));
    AnswerModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_FALSE(framework::PromptSaveFileName(name));
    EXPECT_EQ(name, dir.file("take.raw"));
}

TEST_F(QtFileDialogTest, SaveAsAsksBeforeReplacingAndRefusesAMissingFolder)
{
    Touch(dir.file("old.wav"));
    QString replaceText, missingText;
    bool openAfterNo = false, openAfterMissing = false;
    AnswerModal<QFileDialog>([&](QFileDialog* dialog) {
        Type(dialog, "old");
        AnswerBox("No", &replaceText);
        Accept(dialog);
        openAfterNo = dialog->isVisible();
        Type(dialog, "nowhere/x");
        AnswerBox("OK", &missingText);
        Accept(dialog);
        openAfterMissing = dialog->isVisible();
        // Yes to the question replaces.
        Type(dialog, "old");
        QString again;
        AnswerBox("Yes", &again);
        Accept(dialog);
    });
    std::string name = dir.file("x.wav");
    ASSERT_TRUE(framework::PromptSaveFileName(name));
    EXPECT_EQ(name, dir.file("old.wav"));
    EXPECT_TRUE(openAfterNo);
    EXPECT_TRUE(replaceText.contains("old.wav")) << replaceText.toStdString();
    EXPECT_TRUE(openAfterMissing);
    EXPECT_TRUE(missingText.contains("Path does not exist.")) << missingText.toStdString();
}

TEST_F(QtFileDialogTest, OpenTakesOnlyAnExistingFileAndFindsItWithTheDefaultExtension)
{
    Touch(dir.file("a.wav"));
    bool openRefused = false;
    bool opening = false;
    AnswerModal<QFileDialog>([&](QFileDialog* dialog) {
        opening = dialog->acceptMode() == QFileDialog::AcceptOpen && dialog->windowTitle() == "Open";
        dialog->setDirectory(QString::fromStdString(dir.path().string()));
        Type(dialog, "b");
        QAbstractButton* open = OpenButton(dialog);
        openRefused = open && !open->isEnabled();
        Type(dialog, "a");
        Accept(dialog);
    });
    std::string name;
    ASSERT_TRUE(framework::PromptOpenFileName(name));
    EXPECT_EQ(name, dir.file("a.wav"));
    EXPECT_TRUE(opening);
    EXPECT_TRUE(openRefused);
}

TEST(QtNameFilters, PatternsFollowTheTextsAndStarDotStarTakesEveryFile)
{
    EXPECT_EQ(platform::QtNameFilters({{"Wave Files (*.wav)", "*.wav"},
                                       {"All Files (*.*)", "*.*"},
                                       {"Everything", "*"},
                                       {"Sounds (*.wav;*.aif)", "*.wav;*.aif"},
                                       {"Nothing given", ""}}),
              (QStringList{"Wave Files (*.wav) (*.wav)", "All Files (*.*) (*)", "Everything (*)",
                           "Sounds (*.wav;*.aif) (*.wav *.aif)", "Nothing given (*)"}));
}

// Qt's own listing leaves out names that are not valid text; the open dialog shows them all
// the same, and takes them chosen from the list or typed as they are shown.
TEST_F(QtFileDialogTest, OpenShowsAndTakesFilesWhoseNamesAreNotText)
{
    const std::string bad = dir.file("bad\xff\xfe.wav");
    Touch(bad);
    Touch(dir.file("odd\xff.txt")); // another type: not under "Wave Files"
    Touch(dir.file("good.wav"));
    const QString shown = QStringLiteral("bad\uFFFD\uFFFD.wav");

    QStringList listedBad, listedAll;
    bool openEnabled = false;
    QString nameField;
    AnswerModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->setDirectory(QString::fromStdString(dir.path().string()));
        auto* list = dialog->findChild<QAbstractItemView*>("listView");
        ASSERT_NE(list, nullptr);
        QModelIndex badRow;
        const QAbstractItemModel* model = list->model();
        for (int row = 0; row < model->rowCount(list->rootIndex()); ++row) {
            const QModelIndex index = model->index(row, 0, list->rootIndex());
            if (index.data().toString().contains(QChar::ReplacementCharacter))
                listedBad << index.data().toString();
            if (index.data().toString() == shown)
                badRow = index;
        }
        ASSERT_TRUE(badRow.isValid());
        list->selectionModel()->select(badRow, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        nameField = dialog->findChild<QLineEdit*>("fileNameEdit")->text();
        openEnabled = OpenButton(dialog) && OpenButton(dialog)->isEnabled();
        Accept(dialog);
    });
    std::string name;
    ASSERT_TRUE(framework::PromptOpenFileName(name));
    EXPECT_EQ(name, bad);
    EXPECT_EQ(listedBad, QStringList{shown});
    EXPECT_EQ(nameField, shown);
    EXPECT_TRUE(openEnabled);

    // Typed as shown, without the extension, under "All Files".
    AnswerModal<QFileDialog>([&](QFileDialog* dialog) {
        dialog->setDirectory(QString::fromStdString(dir.path().string()));
        dialog->selectNameFilter(dialog->nameFilters().last());
        auto* list = dialog->findChild<QAbstractItemView*>("listView");
        for (int row = 0; list && row < list->model()->rowCount(list->rootIndex()); ++row) {
            const QString text = list->model()->index(row, 0, list->rootIndex()).data().toString();
            if (text.contains(QChar::ReplacementCharacter))
                listedAll << text;
        }
        Type(dialog, "bad\uFFFD\uFFFD");
        Accept(dialog);
    });
    name.clear();
    ASSERT_TRUE(framework::PromptOpenFileName(name));
    EXPECT_EQ(name, bad);
    listedAll.sort();
    EXPECT_EQ(listedAll, (QStringList{shown, QStringLiteral("odd\uFFFD.txt")}));
}
