#include "platform/ui/help_window.h"

#include <QFile>
#include <QTextBrowser>
#include <QUrl>

// The help pages live in the user-interface library, which is static: register them once.
static void InitHelpResources()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(ripwell);
        done = true;
    }
}

namespace platform {
namespace {
QTextBrowser* g_helpWindow = nullptr;
} // namespace

QString HelpPageForTopic(uint32_t topic)
{
    InitHelpResources();
    if (topic != 0) {
        QString hex = QString::number(topic, 16).toUpper().rightJustified(5, QLatin1Char('0'));
        QString page = QStringLiteral(":/RIPWELL.HLP/%1.html").arg(hex);
        if (QFile::exists(page))
            return page;
    }
    return QStringLiteral(":/RIPWELL.HLP/contents.html");
}

void ShowHelpPage(uint32_t topic)
{
    if (!g_helpWindow) {
        g_helpWindow = new QTextBrowser;
        g_helpWindow->setObjectName("HelpWindow");
        g_helpWindow->setWindowTitle(QStringLiteral("Ripwell Help"));
        g_helpWindow->setAttribute(Qt::WA_DeleteOnClose, false);
        g_helpWindow->resize(480, 400);
    }
    g_helpWindow->setSource(QUrl(QStringLiteral("qrc") + HelpPageForTopic(topic)));
    g_helpWindow->show();
    g_helpWindow->raise();
    g_helpWindow->activateWindow();
}

QWidget* HelpWindow() { return g_helpWindow; }

void CloseHelpWindow()
{
    delete g_helpWindow;
    g_helpWindow = nullptr;
}

} // namespace platform
