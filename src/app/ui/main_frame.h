// CMainFrame: the program's only top-level window, with the menu bar, the dockable toolbar
// "Standard", the status bar (message pane, CAP, NUM, SCRL) and the data view as its client.
// Apart from the Help commands and the two bar toggles it routes every command on.
#pragma once

#include <QMainWindow>
#include <QTimer>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/framework/command_routing.h"

struct AppSettings;
class CRipwellDoc;
class CRipwellView;
class QLabel;
class QMenu;
class QToolBar;

namespace framework {
class CommandActions;
}

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds bars and view for the document; the router asks the view, the frame, then
    // appCommands. The frame and the view keep the settings for their commands. False when a
    // bar cannot be made.
    bool Create(CRipwellDoc* document, AppSettings& settings, const framework::CommandMap* appCommands);
    // Destroys the view now (it writes its colours into the settings).
    void DestroyView();

    CRipwellView* View() const { return m_pView; }
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QStatusBar* StatusBar() const { return m_wndStatusBar; }
    QLabel* MessagePane() const { return m_messagePane; }
    framework::CommandActions* Actions() const { return m_actions; }
    const framework::CommandRouter& Router() const { return m_router; }
    const framework::CommandMap& Commands() const { return m_commands; }
    QMenu* Menu(const QString& objectName) const;

    // "name - Ripwell"
    void UpdateFrameTitle();
    // The recent-file entries of File, most recent first (at most four).
    void SetRecentFiles(const std::vector<std::string>& paths);
    // Called with each file dropped onto the window, in turn.
    std::function<void(const std::string&)> m_onDropFile;

    // Help commands.
    void OnHelpFinder();
    void OnHelp();
    void OnContextHelp();
    bool InContextHelpMode() const { return m_bHelpMode; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildActions();
    void BuildMenus();
    bool BuildToolBar();
    bool BuildStatusBar();
    void RegisterCommands();
    // The commands that reach other parts of the program: the reads, the options, the external
    // programs and the device status. They are registered here, where the document, the
    // settings and every subsystem's dialogs are all in view.
    void RegisterProgramCommands();
    void UpdateLockIndicators();
    void LeaveContextHelpMode();
    uint32_t HelpTopicForWidget(QWidget* widget, const QPoint& globalPos) const;

    CRipwellDoc* m_pDocument = nullptr;
    AppSettings* m_pSettings = nullptr;
    CRipwellView* m_pView = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QStatusBar* m_wndStatusBar = nullptr;
    QLabel* m_messagePane = nullptr;
    QLabel* m_indicators[3] = {};
    QMenu* m_fileMenu = nullptr;
    std::vector<QAction*> m_recentActions;
    std::map<int, QAction*> m_commandActions;
    framework::CommandActions* m_actions = nullptr;
    framework::CommandRouter m_router;
    framework::CommandMap m_commands;
    QTimer m_idleTimer;
    bool m_bHelpMode = false;
};

// The window title of a document: "name - Ripwell".
QString FrameTitle(const std::string& documentTitle);
