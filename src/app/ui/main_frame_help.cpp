// The frame's Help commands: the contents, help for the current context (F1), and context
// Help mode (Shift+F1), in which the next click names the object to explain.
#include "app/ui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "platform/help_topics.h"
#include "platform/ui/command_actions.h"
#include "platform/help.h"
#include "platform/ui/help_window.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

// Dialogs carry their resource number in this property; message boxes their help number.
constexpr const char* kDialogProperty = "ripwellDialogId";
constexpr const char* kMessageHelpProperty = "ripwellHelpId";

uint32_t TopicOfActiveWindow()
{
    QWidget* window = QApplication::activeModalWidget();
    if (!window)
        window = QApplication::activeWindow();
    for (QWidget* w = window; w; w = w->parentWidget()) {
        bool ok = false;
        uint32_t help = w->property(kMessageHelpProperty).toUInt(&ok);
        if (ok && help != 0)
            return platform::HELP_MESSAGE_TOPIC_BASE + help;
        int dialog = w->property(kDialogProperty).toInt(&ok);
        if (ok && dialog != 0)
            return platform::ResourceHelpTopic(dialog);
    }
    return platform::ResourceHelpTopic(res::IDR_MAINFRAME);
}

} // namespace

void CMainFrame::OnHelpFinder() { platform::ShowHelpTopic(platform::HELP_CONTENTS); }

void CMainFrame::OnHelp()
{
    // A highlighted menu item names its command; otherwise the active window is the context.
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        if (int id = framework::CommandActions::CommandOf(menu->activeAction())) {
            menu->close();
            platform::ShowHelpTopic(platform::CommandHelpTopic(id));
            return;
        }
    }
    platform::ShowHelpTopic(TopicOfActiveWindow());
}

void CMainFrame::OnContextHelp()
{
    if (m_bHelpMode)
        return;
    m_bHelpMode = true;
    QApplication::setOverrideCursor(Qt::WhatsThisCursor);
    m_messagePane->setText(QString::fromUtf8(res::LoadString(res::AFX_IDS_HELPMODEMESSAGE).data()));
}

void CMainFrame::LeaveContextHelpMode()
{
    m_bHelpMode = false;
    QApplication::restoreOverrideCursor();
    m_messagePane->setText(QString::fromUtf8(res::LoadString(res::AFX_IDS_IDLEMESSAGE).data()));
}

uint32_t CMainFrame::HelpTopicForWidget(QWidget* widget, const QPoint& globalPos) const
{
    if (auto* menu = qobject_cast<QMenu*>(widget)) {
        if (int id = framework::CommandActions::CommandOf(menu->actionAt(menu->mapFromGlobal(globalPos))))
            return platform::CommandHelpTopic(id);
        return platform::ResourceHelpTopic(res::IDR_MAINFRAME);
    }
    if (auto* button = qobject_cast<QToolButton*>(widget))
        if (int id = framework::CommandActions::CommandOf(button->defaultAction()))
            return platform::CommandHelpTopic(id);
    for (QWidget* w = widget; w; w = w->parentWidget()) {
        if (w == m_wndToolBar)
            return platform::ResourceHelpTopic(res::AFX_IDW_TOOLBAR);
        if (w == m_wndStatusBar)
            return platform::ResourceHelpTopic(res::AFX_IDW_STATUS_BAR);
        bool ok = false;
        int dialog = w->property(kDialogProperty).toInt(&ok);
        if (ok && dialog != 0)
            return platform::ResourceHelpTopic(dialog);
    }
    return platform::ResourceHelpTopic(res::IDR_MAINFRAME);
}

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        // F1 inside an open menu or a modal box: the window's own shortcut does not reach them.
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier &&
            (QApplication::activePopupWidget() || QApplication::activeModalWidget())) {
            OnHelp();
            return true;
        }
        if (m_bHelpMode && key->key() == Qt::Key_Escape) {
            LeaveContextHelpMode();
            return true;
        }
    }
    if (m_bHelpMode && event->type() == QEvent::MouseButtonPress) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!widget)
            return false;
        auto* mouse = static_cast<QMouseEvent*>(event);
        uint32_t topic = HelpTopicForWidget(widget, mouse->globalPosition().toPoint());
        LeaveContextHelpMode();
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget()))
            menu->close();
        platform::ShowHelpTopic(topic);
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}
