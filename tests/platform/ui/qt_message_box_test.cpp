#include "platform/ui/qt_message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QProxyStyle>
#include <QPushButton>
#include <QStyleFactory>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "platform/framework/document.h"
#include "platform/help.h"
#include "platform/message_box.h"
#include "platform/ui/desktop_style.h"
#include "platform/ui/qt_wait_cursor.h"
#include "support/ui/modal_answer.h"

using namespace platform;

namespace {

// What a box showed while it was open.
struct Seen {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons; // their texts, left to right
    QString defaultButton;
    QWidget* parent = nullptr;
    bool stillOpenAfterEscape = false;
    Qt::CursorShape cursor = Qt::BitmapCursor;
};

Seen Look(QMessageBox* box)
{
    Seen seen;
    seen.caption = box->windowTitle();
    seen.text = box->text();
    seen.icon = box->icon();
    // Left to right as the user sees them.
    QList<QAbstractButton*> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [box](QAbstractButton* a, QAbstractButton* b) {
        return a->mapTo(box, QPoint(0, 0)).x() < b->mapTo(box, QPoint(0, 0)).x();
    });
    for (QAbstractButton* button : buttons)
        seen.buttons << PlainText(button->text());
    if (box->defaultButton())
        seen.defaultButton = PlainText(box->defaultButton()->text());
    seen.parent = box->parentWidget();
    if (const QCursor* cursor = QApplication::overrideCursor())
        seen.cursor = cursor->shape();
    return seen;
}

// A key as the user presses it: it goes to the focused button first, as on the screen.
void Press(QMessageBox* box, int key)
{
    QWidget* target = box->focusWidget() ? box->focusWidget() : box;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

struct QtMessageBoxTest : ::testing::Test {
    void SetUp() override
    {
        m_previous = GetMessageBoxService();
        InstallQtMessageBoxService();
    }
    void TearDown() override { SetMessageBoxService(m_previous); }
    MessageBoxService* m_previous = nullptr;
};

} // namespace

TEST_F(QtMessageBoxTest, ButtonsDefaultIconAndCaptionFollowTheFlagsAndTheClickIsTheAnswer)
{
    struct Case {
        uint32_t flags;
        QStringList buttons;
        QString defaultButton;
        QMessageBox::Icon icon;
        QString click;
        int answer;
    };
    const Case cases[] = {
        {MB_OK, {"OK"}, "OK", QMessageBox::NoIcon, "OK", IDOK},
        {MB_OKCANCEL | MB_ICONEXCLAMATION | MB_DEFBUTTON2,
         {"OK", "Cancel"},
         "Cancel",
         QMessageBox::Warning,
         "OK",
         IDOK},
        {MB_ABORTRETRYIGNORE | MB_ICONHAND | MB_DEFBUTTON3,
         {"Abort", "Retry", "Ignore"},
         "Ignore",
         QMessageBox::Critical,
         "Retry",
         IDRETRY},
        {MB_YESNOCANCEL | MB_ICONEXCLAMATION, {"Yes", "No", "Cancel"}, "Yes", QMessageBox::Warning, "Cancel", IDCANCEL},
        {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, {"Yes", "No"}, "No", QMessageBox::Question, "Yes", IDYES},
        {MB_RETRYCANCEL | MB_ICONASTERISK, {"Retry", "Cancel"}, "Retry", QMessageBox::Information, "Cancel", IDCANCEL},
        // A default button past the last one is the first, as on Windows.
        {MB_YESNO | MB_DEFBUTTON3, {"Yes", "No"}, "Yes", QMessageBox::NoIcon, "No", IDNO},
    };
    for (const Case& c : cases) {
        Seen seen;
        AnswerModal<QMessageBox>([&](QMessageBox* box) {
            seen = Look(box);
            Click(box, c.click);
        });
        const int answer = MessageBox("Line one\nfile <a&b>.wav", c.flags);
        EXPECT_EQ(answer, c.answer) << std::hex << c.flags;
        EXPECT_EQ(seen.caption, "Ripwell");
        EXPECT_EQ(seen.text, "Line one\nfile <a&b>.wav");
        EXPECT_EQ(seen.buttons, c.buttons) << std::hex << c.flags;
        EXPECT_EQ(seen.defaultButton, c.defaultButton) << std::hex << c.flags;
        EXPECT_EQ(seen.icon, c.icon) << std::hex << c.flags;
    }
}

TEST_F(QtMessageBoxTest, EscapeAnswersCancelOrOkAndNothingInYesNoBoxes)
{
    struct Case {
        uint32_t flags;
        int escapeAnswer; // 0: Escape leaves the box open
    };
    const Case cases[] = {
        {MB_OK, IDOK},
        {MB_OKCANCEL, IDCANCEL},
        {MB_YESNOCANCEL | MB_DEFBUTTON1, IDCANCEL},
        {MB_RETRYCANCEL, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON2, 0},
        {MB_ABORTRETRYIGNORE, 0},
    };
    for (const Case& c : cases) {
        bool stillOpen = false;
        bool closeRefused = false;
        AnswerModal<QMessageBox>([&](QMessageBox* box) {
            Press(box, Qt::Key_Escape);
            stillOpen = box->isVisible();
            if (stillOpen) {
                box->close(); // the window's close button is Escape too
                closeRefused = box->isVisible();
                Click(box, (c.flags & MB_TYPEMASK) == MB_YESNO ? "No" : "Ignore");
            }
        });
        const int answer = MessageBox("Escape?", c.flags);
        if (c.escapeAnswer != 0) {
            EXPECT_FALSE(stillOpen) << std::hex << c.flags;
            EXPECT_EQ(answer, c.escapeAnswer) << std::hex << c.flags;
        } else {
            EXPECT_TRUE(stillOpen) << std::hex << c.flags;
            EXPECT_TRUE(closeRefused) << std::hex << c.flags;
            EXPECT_EQ(answer, (c.flags & MB_TYPEMASK) == MB_YESNO ? IDNO : IDIGNORE);
        }
    }
}

TEST_F(QtMessageBoxTest, F1OpensTheTopicOfTheHelpNumberOnly)
{
    std::vector<uint32_t> topics;
    SetHelpHandler([&](uint32_t topic) { topics.push_back(topic); });
    for (uint32_t helpId : {16u, 0u, 61208u}) {
        bool stayedOpen = false;
        AnswerModal<QMessageBox>([&](QMessageBox* box) {
            Press(box, Qt::Key_F1);
            stayedOpen = box->isVisible();
            Click(box, "OK");
        });
        EXPECT_EQ(MessageBox("Press F1 to see Help.", MB_OK | MB_ICONEXCLAMATION, helpId), IDOK);
        EXPECT_TRUE(stayedOpen) << helpId;
    }
    SetHelpHandler({});
    EXPECT_EQ(topics, (std::vector<uint32_t>{0x30010, 0x30000 + 61208}));
}

TEST_F(QtMessageBoxTest, ABoxOverAModalDialogBelongsToItAndAnswersIt)
{
    QDialog dialog;
    dialog.setObjectName("Working");
    Seen seen;
    int answer = 0;
    AnswerModal<QDialog>([&](QDialog* open) {
        ASSERT_EQ(open, &dialog);
        AnswerModal<QMessageBox>([&](QMessageBox* box) {
            seen = Look(box);
            Click(box, "No");
        });
        answer = MessageBox("Save changes to a.wav?", MB_YESNOCANCEL | MB_ICONEXCLAMATION);
        open->accept();
    });
    dialog.exec();
    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(seen.parent, &dialog);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(QtMessageBoxTest, UnderTheWaitCursorTheBoxShowsTheArrowAndTheWaitComesBack)
{
    InstallQtWaitCursor();
    Seen seen;
    {
        framework::CWaitCursor wait;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        AnswerModal<QMessageBox>([&](QMessageBox* box) {
            seen = Look(box);
            Click(box, "OK");
        });
        MessageBox("Wave file is too short. Skipped.");
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(seen.cursor, Qt::ArrowCursor);
    framework::SetWaitCursorHooks({}, {});
}

TEST_F(QtMessageBoxTest, ABoxAskedFromAnotherThreadIsShownOnTheUserInterfaceThread)
{
    bool onUserInterfaceThread = false;
    AnswerModal<QMessageBox>([&](QMessageBox* box) {
        onUserInterfaceThread = box->thread() == QApplication::instance()->thread();
        Click(box, "Retry");
    });
    // The user-interface thread runs its event loop, as it does under the progress dialog.
    QEventLoop loop;
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    int answer = 0;
    std::thread worker([&] {
        answer = MessageBox("Read fault.", MB_RETRYCANCEL | MB_ICONHAND);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    EXPECT_EQ(answer, IDRETRY);
    EXPECT_TRUE(onUserInterfaceThread);
}

namespace {

// A style that puts stock pictures on standard buttons, as Qt's styles do on some desktops.
class PicturesOnButtonsStyle : public QProxyStyle {
public:
    PicturesOnButtonsStyle() : QProxyStyle(QStyleFactory::create("fusion")) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Whether any button of the next box shown has a picture.
bool NextBoxHasButtonPictures()
{
    bool pictures = false;
    AnswerModal<QMessageBox>([&](QMessageBox* box) {
        for (QAbstractButton* button : box->buttons())
            pictures = pictures || !button->icon().isNull();
        Click(box, "Cancel");
    });
    MessageBox("Save changes to a.wav?", MB_YESNOCANCEL | MB_ICONEXCLAMATION);
    return pictures;
}

} // namespace

TEST_F(QtMessageBoxTest, ButtonsShowWordsWithoutStockPictures)
{
    const QString before = QApplication::style()->name();
    QApplication::setStyle(new PicturesOnButtonsStyle);
    EXPECT_TRUE(NextBoxHasButtonPictures());
    QApplication::setStyle(CreateDesktopStyle(new PicturesOnButtonsStyle));
    EXPECT_FALSE(NextBoxHasButtonPictures());
    QApplication::setStyle(before);
}
