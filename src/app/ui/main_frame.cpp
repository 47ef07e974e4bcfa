#include "app/ui/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include "app/frame_geometry.h"
#include "app/ui/toolbar_images.h"
#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"
#include "platform/file_names.h"
#include "platform/help_topics.h"
#include "platform/ui/keyboard_locks.h"
#include "platform/ui/command_actions.h"
#include "platform/ui/help_window.h"
#include "platform/ui/program_resources.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

constexpr int kIdleUpdateMs = 250;

QString ResText(int id) { return QString::fromUtf8(res::LoadString(id).data(), int(res::LoadString(id).size())); }

struct MenuItem {
    int id; // 0: separator
    const char* text;
    const char* keys; // the accelerators, ";" between two
    bool checkable;
};

} // namespace

QString FrameTitle(const std::string& documentTitle)
{
    return QString::fromStdString(documentTitle) + QStringLiteral(" - ") + ResText(res::AFX_IDS_APP_TITLE);
}

CMainFrame::CMainFrame()
{
    setObjectName("CMainFrame");
    setWindowIcon(platform::ProgramIcon());
    setAcceptDrops(true);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QSize size = screen->size();
        FrameGeometry g = InitialFrameGeometry(size.width(), size.height());
        setGeometry(g.x, g.y, g.width, g.height);
    }
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    DestroyView();
}

bool CMainFrame::Create(CRipwellDoc* document, AppSettings& settings, const framework::CommandMap* appCommands)
{
    m_pDocument = document;
    m_pSettings = &settings;
    m_actions = new framework::CommandActions(&m_router, this);
    m_pView = new CRipwellView(document, settings, m_actions, this);
    setCentralWidget(m_pView);
    m_router.Add(&m_pView->Commands());
    m_router.Add(&m_commands);
    if (appCommands)
        m_router.Add(appCommands);
    RegisterCommands();
    RegisterProgramCommands();
    BuildActions();
    BuildMenus();
    if (!BuildToolBar() || !BuildStatusBar())
        return false;
    m_wndToolBar->setWindowTitle(QStringLiteral("Standard"));
    m_wndToolBar->setAllowedAreas(Qt::AllToolBarAreas);
    setDockOptions(dockOptions() | QMainWindow::AllowNestedDocks);

    connect(&m_idleTimer, &QTimer::timeout, this, [this] {
        UpdateFrameTitle();
        UpdateLockIndicators();
    });
    m_idleTimer.start(kIdleUpdateMs);
    qApp->installEventFilter(this);
    UpdateFrameTitle();
    m_pView->OnUpdate();
    m_actions->UpdateAll();
    return true;
}

void CMainFrame::DestroyView()
{
    if (!m_pView)
        return;
    m_router.Remove(&m_pView->Commands());
    delete m_pView;
    m_pView = nullptr;
}

void CMainFrame::RegisterCommands()
{
    m_commands.On(res::ID_HELP_FINDER, [this] { OnHelpFinder(); });
    m_commands.On(res::ID_DEFAULT_HELP, [this] { OnHelpFinder(); });
    m_commands.On(res::ID_HELP, [this] { OnHelp(); });
    m_commands.On(res::ID_CONTEXT_HELP, [this] { OnContextHelp(); });
    m_commands.On(
        res::ID_VIEW_TOOLBAR, [this] { m_wndToolBar->setVisible(!m_wndToolBar->isVisible()); },
        [this](framework::CCmdUI& ui) { ui.SetCheck(m_wndToolBar && m_wndToolBar->isVisible()); });
    m_commands.On(
        res::ID_VIEW_STATUS_BAR, [this] { m_wndStatusBar->setVisible(!m_wndStatusBar->isVisible()); },
        [this](framework::CCmdUI& ui) { ui.SetCheck(m_wndStatusBar && m_wndStatusBar->isVisible()); });
}

void CMainFrame::BuildActions()
{
    static const MenuItem kItems[] = {
        {res::ID_FILE_NEW, "&New\tCtrl+N", "Ctrl+N", false},
        {res::ID_FILE_OPEN, "&Open...\tCtrl+O", "Ctrl+O", false},
        {res::ID_FILE_SAVE, "&Save\tCtrl+S", "Ctrl+S", false},
        {res::ID_FILE_SAVE_AS, "Save &As...", "", false},
        {res::ID_PROPERTIES, "&Properties...\tAlt+Enter", "Alt+Return;Alt+Enter", false},
        {res::ID_APP_EXIT, "E&xit", "", false},
        {res::ID_EDIT_COPY, "&Copy\tCtrl+C", "Ctrl+C;Ctrl+Ins", false},
        {res::ID_EDIT_PASTE, "&Paste\tCtrl+V", "Ctrl+V;Shift+Ins", false},
        {res::ID_EMPTY_CLIPBOARD, "&Empty Clipboard", "", false},
        {res::ID_VIEW_TOOLBAR, "&Toolbar", "", true},
        {res::ID_VIEW_STATUS_BAR, "&Status Bar", "", true},
        {res::ID_VIEW_WAVEFORM, "&Waveform", "", true},
        {res::ID_DEVICE_STATUS, "CD-ROM &Device Status...\tCtrl+D", "Ctrl+D", false},
        {res::ID_READ_CDDA, "Read CD-D&A Sectors...\tCtrl+A", "Ctrl+A", false},
        {res::ID_READ_CDROM, "Read CD-ROM &Sectors...", "", false},
        {res::ID_RIP_DISC, "Rip &Disc...\tCtrl+I", "Ctrl+I", false},
        {res::ID_SECURE_MODE, "Secur&e Mode", "", true},
        {res::ID_READ_OFFSET, "Read O&ffset...", "", false},
        {res::ID_PLAY_WAVEFORM, "Pla&y Waveform\tCtrl+Y", "Ctrl+Y", false},
        {res::ID_STOP_WAVEFORM, "S&top Waveform\tCtrl+T", "Ctrl+T", false},
        {res::ID_CD_PLAYER, "CD &Player\tCtrl+P", "Ctrl+P", false},
        {res::ID_SOUND_RECORDER, "Sound &Recorder\tCtrl+R", "Ctrl+R", false},
        {res::ID_OPTIONS, "&Options...", "", false},
        {res::ID_HELP_FINDER, "&Help Topics", "", false},
        {res::ID_APP_ABOUT, "&About Ripwell...", "", false},
        // Keys without a menu item.
        {res::ID_HELP, "Help", "F1", false},
        {res::ID_CONTEXT_HELP, "Help", "Shift+F1", false},
    };
    for (const MenuItem& item : kItems) {
        QAction* action = m_actions->Create(item.id, QString::fromUtf8(item.text), this, item.checkable);
        QList<QKeySequence> keys;
        for (const QString& key : QString::fromUtf8(item.keys).split(';', Qt::SkipEmptyParts))
            keys << QKeySequence(key);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        action->setToolTip(QString::fromStdString(res::CommandTooltip(item.id)));
        action->setIcon(ToolbarImage(item.id));
        action->setIconVisibleInMenu(false);
        addAction(action); // the accelerators work while the bars are hidden
        m_commandActions[item.id] = action;
    }
}

void CMainFrame::BuildMenus()
{
    auto menu = [this](const char* title, const char* name) {
        QMenu* m = menuBar()->addMenu(QString::fromUtf8(title));
        m->setObjectName(name);
        m_actions->WatchMenu(m);
        return m;
    };
    auto add = [this](QMenu* m, int id) { m->addAction(m_commandActions.at(id)); };

    m_fileMenu = menu("&File", "File");
    for (int id : {res::ID_FILE_NEW, res::ID_FILE_OPEN, res::ID_FILE_SAVE, res::ID_FILE_SAVE_AS})
        add(m_fileMenu, id);
    m_fileMenu->addSeparator();
    add(m_fileMenu, res::ID_PROPERTIES);
    m_fileMenu->addSeparator();
    add(m_fileMenu, res::ID_APP_EXIT);
    SetRecentFiles({});

    QMenu* edit = menu("&Edit", "Edit");
    for (int id : {res::ID_EDIT_COPY, res::ID_EDIT_PASTE, res::ID_EMPTY_CLIPBOARD})
        add(edit, id);

    QMenu* view = menu("&View", "View");
    add(view, res::ID_VIEW_TOOLBAR);
    add(view, res::ID_VIEW_STATUS_BAR);
    add(view, res::ID_VIEW_WAVEFORM);
    view->addSeparator();
    add(view, res::ID_DEVICE_STATUS);

    QMenu* tools = menu("&Tools", "Tools");
    add(tools, res::ID_READ_CDDA);
    add(tools, res::ID_READ_CDROM);
    add(tools, res::ID_RIP_DISC);
    add(tools, res::ID_SECURE_MODE);
    add(tools, res::ID_READ_OFFSET);
    tools->addSeparator();
    add(tools, res::ID_PLAY_WAVEFORM);
    add(tools, res::ID_STOP_WAVEFORM);
    tools->addSeparator();
    add(tools, res::ID_CD_PLAYER);
    add(tools, res::ID_SOUND_RECORDER);
    tools->addSeparator();
    add(tools, res::ID_OPTIONS);

    QMenu* help = menu("&Help", "Help");
    add(help, res::ID_HELP_FINDER);
    add(help, res::ID_APP_ABOUT);
}

bool CMainFrame::BuildToolBar()
{
    m_wndToolBar = new (std::nothrow) QToolBar(this);
    if (!m_wndToolBar)
        return false;
    m_wndToolBar->setObjectName("Standard");
    m_wndToolBar->setIconSize(QSize(16, 15));
    m_wndToolBar->setMovable(true);
    m_wndToolBar->setFloatable(true);
    static const int kButtons[] = {
        res::ID_FILE_NEW,
        res::ID_FILE_OPEN,
        res::ID_FILE_SAVE,
        res::ID_PROPERTIES,
        0,
        res::ID_EDIT_COPY,
        res::ID_EDIT_PASTE,
        res::ID_EMPTY_CLIPBOARD,
        0,
        res::ID_READ_CDDA,
        res::ID_RIP_DISC,
        0,
        res::ID_PLAY_WAVEFORM,
        res::ID_STOP_WAVEFORM,
        0,
        res::ID_CD_PLAYER,
        res::ID_SOUND_RECORDER,
        0,
        res::ID_APP_ABOUT,
        res::ID_CONTEXT_HELP,
    };
    for (int id : kButtons) {
        if (id == 0)
            m_wndToolBar->addSeparator();
        else
            m_wndToolBar->addAction(m_commandActions.at(id));
    }
    addToolBar(Qt::TopToolBarArea, m_wndToolBar);
    return true;
}

bool CMainFrame::BuildStatusBar()
{
    m_wndStatusBar = new (std::nothrow) QStatusBar(this);
    if (!m_wndStatusBar)
        return false;
    m_wndStatusBar->setObjectName("StatusBar");
    // A normal widget, so that the command prompts (temporary messages) cover it and it shows
    // again when the prompt goes away.
    m_messagePane = new QLabel(ResText(res::AFX_IDS_IDLEMESSAGE));
    m_messagePane->setObjectName("MessagePane");
    m_wndStatusBar->addWidget(m_messagePane, 1);
    const int ids[] = {res::ID_INDICATOR_CAPS, res::ID_INDICATOR_NUM, res::ID_INDICATOR_SCRL};
    for (int i = 0; i < 3; ++i) {
        m_indicators[i] = new QLabel;
        m_indicators[i]->setObjectName(ResText(ids[i]));
        m_indicators[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        m_indicators[i]->setMinimumWidth(m_indicators[i]->fontMetrics().horizontalAdvance(ResText(ids[i])) + 8);
        m_indicators[i]->setAlignment(Qt::AlignCenter);
        m_wndStatusBar->addPermanentWidget(m_indicators[i]);
    }
    setStatusBar(m_wndStatusBar);
    return true;
}

void CMainFrame::UpdateLockIndicators()
{
    platform::KeyboardLocks locks = platform::QueryKeyboardLocks();
    const bool on[] = {locks.caps, locks.num, locks.scroll};
    const int ids[] = {res::ID_INDICATOR_CAPS, res::ID_INDICATOR_NUM, res::ID_INDICATOR_SCRL};
    for (int i = 0; i < 3; ++i)
        m_indicators[i]->setText(on[i] ? ResText(ids[i]) : QString());
}

QMenu* CMainFrame::Menu(const QString& objectName) const { return menuBar()->findChild<QMenu*>(objectName); }

void CMainFrame::UpdateFrameTitle()
{
    if (m_pDocument) {
        QString title = FrameTitle(m_pDocument->GetTitle());
        if (windowTitle() != title)
            setWindowTitle(title);
    }
}

void CMainFrame::SetRecentFiles(const std::vector<std::string>& paths)
{
    for (QAction* action : m_recentActions)
        delete action;
    m_recentActions.clear();
    QAction* before = m_commandActions.at(res::ID_APP_EXIT);
    int index = 0;
    for (const std::string& path : paths) {
        if (path.empty() || index >= 4)
            continue;
        QString name = QFileInfo(platform::FileNameToQt(path)).fileName();
        int id = res::ID_FILE_MRU_FILE1 + index;
        ++index;
        QAction* action = m_actions->Create(id, QStringLiteral("&%1 %2").arg(index).arg(name), this);
        action->setData(platform::FileNameToQt(path));
        m_fileMenu->insertAction(before, action);
        m_recentActions.push_back(action);
    }
    // While the list is empty its place shows "Recent File", grayed by the update handler of
    // the first entry's command.
    if (m_recentActions.empty()) {
        QAction* placeholder = m_actions->Create(res::ID_FILE_MRU_FILE1, QStringLiteral("Recent File"), this);
        m_fileMenu->insertAction(before, placeholder);
        m_recentActions.push_back(placeholder);
    }
    // The recent files stand between two separators.
    m_recentActions.push_back(m_fileMenu->insertSeparator(before));
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (m_pDocument && !m_pDocument->SaveModified()) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile() && m_onDropFile)
            m_onDropFile(platform::FileNameFromUrl(url));
    event->acceptProposedAction();
}
