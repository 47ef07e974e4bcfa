#include "platform/ui/qt_message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>

#include <cstdio>
#include <map>

#include "platform/help.h"
#include "platform/help_topics.h"
#include "platform/message_box.h"
#include "platform/wait_for_thread.h"
#include "platform/ui/owner_window.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace platform {
namespace {

QMessageBox::StandardButton QtButtonFor(int result)
{
    switch (result) {
    case IDOK: return QMessageBox::Ok;
    case IDCANCEL: return QMessageBox::Cancel;
    case IDABORT: return QMessageBox::Abort;
    case IDRETRY: return QMessageBox::Retry;
    case IDIGNORE: return QMessageBox::Ignore;
    case IDYES: return QMessageBox::Yes;
    case IDNO: return QMessageBox::No;
    default: return QMessageBox::Ok;
    }
}

QMessageBox::Icon QtIconFor(uint32_t flags)
{
    switch (flags & MB_ICONMASK) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

// A message box that answers Escape and the window's close button only where Windows does;
// left to itself QMessageBox would let No answer Escape in a Yes/No box.
class RipwellMessageBox : public QMessageBox {
public:
    RipwellMessageBox(const std::string& text, uint32_t flags, uint32_t helpId, QWidget* parent)
        : QMessageBox(parent),
          m_buttons(ButtonsOfMessageBox(flags)),
          m_helpId(helpId)
    {
        setObjectName("MessageBox");
        setWindowTitle(QString::fromUtf8(res::LoadString(res::AFX_IDS_APP_TITLE).data(),
                                         int(res::LoadString(res::AFX_IDS_APP_TITLE).size())));
        setTextFormat(Qt::PlainText); // a file name with "<" in it is shown as it is
        setText(QString::fromStdString(text));
        setIcon(QtIconFor(flags));
        for (int i = 0; i < m_buttons.count; ++i) {
            // Qt orders standard buttons by their roles (Abort last, Cancel first on some
            // desktops); buttons of one role keep the order they came in, which is Windows'.
            QPushButton* button = addButton(QtButtonFor(m_buttons.results[i]));
            removeButton(button);
            addButton(button, QMessageBox::AcceptRole);
            m_results[button] = m_buttons.results[i];
            if (i == m_buttons.defaultIndex)
                setDefaultButton(button);
            if (m_buttons.results[i] == m_buttons.escapeResult)
                m_escape = button;
        }
        if (m_escape)
            setEscapeButton(m_escape);
        else
            setWindowFlag(Qt::WindowCloseButtonHint, false);
        setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    }

    int Result() const
    {
        const auto found = m_results.find(clickedButton());
        if (found != m_results.end())
            return found->second;
        // Closed without a button (the program quit under it): what Escape would have said.
        return m_buttons.escapeResult ? m_buttons.escapeResult : m_buttons.results[m_buttons.defaultIndex];
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
            if (m_helpId != 0)
                ShowHelpTopic(HELP_MESSAGE_TOPIC_BASE + m_helpId);
            event->accept();
            return;
        }
        if (event->matches(QKeySequence::Cancel) && !m_escape) {
            event->accept();
            return;
        }
        QMessageBox::keyPressEvent(event);
    }

    void closeEvent(QCloseEvent* event) override
    {
        if (!m_escape) {
            event->ignore();
            return;
        }
        QMessageBox::closeEvent(event);
    }

private:
    MessageBoxButtons m_buttons;
    uint32_t m_helpId;
    std::map<const QAbstractButton*, int> m_results;
    QPushButton* m_escape = nullptr;
};

int ShowBoxNow(const std::string& text, uint32_t flags, uint32_t helpId)
{
    RipwellMessageBox box(text, flags, helpId, OwnerWindow());
    // Under the wait cursor of a long load the box still gets the normal pointer.
    const bool waiting = QApplication::overrideCursor() != nullptr;
    if (waiting)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    box.exec();
    if (waiting)
        QApplication::restoreOverrideCursor();
    return box.Result();
}

class QtMessageBoxService : public MessageBoxService {
public:
    int Show(const std::string& text, uint32_t flags, uint32_t helpId) override
    {
        QCoreApplication* application = QCoreApplication::instance();
        if (!qobject_cast<QApplication*>(application)) {
            std::fprintf(stderr, "Ripwell: %s\n", text.c_str());
            return DefaultButtonResult(flags);
        }
        if (QThread::currentThread() == application->thread())
            return ShowBoxNow(text, flags, helpId);
        // Widgets live on the user-interface thread only; another thread waits for the answer.
        int result = DefaultButtonResult(flags);
        RunOnThreadAndWait(application, [&] { result = ShowBoxNow(text, flags, helpId); });
        return result;
    }
};

} // namespace

void InstallQtMessageBoxService()
{
    static QtMessageBoxService service;
    SetMessageBoxService(&service);
}

} // namespace platform
