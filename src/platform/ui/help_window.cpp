#include "platform/ui/help_window.h"

#include <QDir>
#include <QFile>
#include <QTextBrowser>
#include <QUrl>

#include "platform/data_folder.h"

namespace platform {
namespace {

QTextBrowser* g_helpWindow = nullptr;

const QString kHelpTitle = QStringLiteral("Ripwell Help");

QString ProgramHelpFolder()
{
    const std::string data = ProgramDataFolder();
    return data.empty() ? QString() : QString::fromStdString(data) + QStringLiteral("/help");
}

void ShowTitle()
{
    const QString page = g_helpWindow->documentTitle();
    g_helpWindow->setWindowTitle(page.isEmpty() || page == kHelpTitle ? kHelpTitle : kHelpTitle + " - " + page);
}

} // namespace

QString HelpPageInFolder(const QString& helpFolder, uint32_t topic)
{
    if (helpFolder.isEmpty())
        return {};
    const QDir folder(helpFolder);
    if (topic != 0) {
        const QString hex = QString::number(topic, 16).toUpper().rightJustified(5, QLatin1Char('0'));
        const QString page = folder.filePath(hex + QStringLiteral(".html"));
        if (QFile::exists(page))
            return page;
    }
    const QString contents = folder.filePath(QStringLiteral("contents.html"));
    return QFile::exists(contents) ? contents : QString();
}

QString HelpPageForTopic(uint32_t topic) { return HelpPageInFolder(ProgramHelpFolder(), topic); }

void ShowHelpPage(uint32_t topic)
{
    if (!g_helpWindow) {
        g_helpWindow = new QTextBrowser;
        g_helpWindow->setObjectName("HelpWindow");
        g_helpWindow->setWindowTitle(kHelpTitle);
        g_helpWindow->setAttribute(Qt::WA_DeleteOnClose, false);
        g_helpWindow->resize(480, 400);
        // Links between pages change the page, and with it the title.
        QObject::connect(g_helpWindow, &QTextBrowser::sourceChanged, g_helpWindow, [] { ShowTitle(); });
    }
    const QString page = HelpPageForTopic(topic);
    if (page.isEmpty()) {
        g_helpWindow->setHtml(QStringLiteral("<p>The help pages of Ripwell are not installed.</p>"));
        g_helpWindow->setWindowTitle(kHelpTitle);
    } else {
        g_helpWindow->setSource(QUrl::fromLocalFile(page));
        ShowTitle();
    }
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
