#include "app/ui/ripwell_app.h"

#include <QApplication>

#include "app/app_startup.h"
#include "app/ui/about_dlg.h"
#include "app/ui/main_frame.h"
#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"
#include "platform/framework/document.h"
#include "platform/framework/file_dialogs.h"
#include "platform/framework/recent_file_list.h"
#include "platform/message_box.h"
#include "platform/user_notices.h"
#include "res/resource.h"
#include "res/string_table.h"

namespace {

CRipwellApp* g_theApp = nullptr;

} // namespace

CRipwellApp* TheApp() { return g_theApp; }

CRipwellApp::CRipwellApp()
{
    g_theApp = this;
    RegisterCommands();
}

CRipwellApp::~CRipwellApp()
{
    if (m_bStarted)
        ExitInstance();
    g_theApp = nullptr;
}

void CRipwellApp::RegisterCommands()
{
    m_commands.On(res::ID_FILE_NEW, [this] { OnFileNew(); });
    m_commands.On(res::ID_FILE_OPEN, [this] { OnFileOpen(); });
    // An entry's command is grayed while the list has no file in its place (the empty list's
    // "Recent File" item).
    for (int id = res::ID_FILE_MRU_FILE1; id <= res::ID_FILE_MRU_FILE4; ++id)
        m_commands.On(
            id, [this, id] { OnOpenRecentFile(id); },
            [this, id](framework::CCmdUI& ui) {
                ui.Enable(static_cast<std::size_t>(id - res::ID_FILE_MRU_FILE1) < m_recentFiles.size());
            });
    m_commands.On(res::ID_APP_EXIT, [this] { OnAppExit(); });
    m_commands.On(res::ID_APP_ABOUT, [this] { OnAppAbout(); });
}

bool CRipwellApp::InitInstance(const std::vector<std::string>& arguments)
{
    if (!CheckOperatingSystem())
        return false;
    SetRegistryKey("Brightmoor");
    m_recentFiles = framework::LoadRecentFileList();
    LoadSettings(m_settings);
    m_nSaveSettingsOnExitAtStart = m_settings.SaveSettingsOnExit;
    SetDialogSoundsEnabled(m_settings.PlayDialogSounds != 0);
    m_bStarted = true;
    // Every path the document takes (open, Save As) goes to the head of the list.
    framework::SetRecentFileListHook([this](const std::string& path) { AddToRecentFileList(path); });

    // The single document template: one document, one frame, one view for the whole run.
    if (!CreateFirstDocument())
        return false;
    bool ok = true;
    if (arguments.size() > 1)
        ok = OpenDocumentFile(arguments[1]);
    if (!ok)
        return false;
    m_pMainFrame->m_onDropFile = [this](const std::string& path) { OpenDocumentFile(path); };
    m_pMainFrame->show();
    m_pMainFrame->View()->setFocus();
    // What the layers below had to tell the user before there was a window to say it in (a
    // skipped entry of the drive list, for one).
    if (const std::string notices = platform::TakeUserNotices(); !notices.empty())
        platform::MessageBox(notices, platform::MB_OK | platform::MB_ICONEXCLAMATION);
    return true;
}

bool CRipwellApp::CreateFirstDocument()
{
    m_pDocument.reset(new (std::nothrow) CRipwellDoc);
    if (!m_pDocument)
        return false;
    m_pMainFrame.reset(new (std::nothrow) CMainFrame);
    if (!m_pMainFrame || !m_pMainFrame->Create(m_pDocument.get(), m_settings, &m_commands))
        return false;
    RefreshRecentMenu();
    if (!m_pDocument->OnNewDocument())
        return false;
    m_pDocument->SetTitle(std::string(res::LoadString(res::AFX_IDS_UNTITLED)));
    m_pDocument->UpdateAllViews();
    m_pMainFrame->UpdateFrameTitle();
    return true;
}

void CRipwellApp::ExitInstance()
{
    if (!m_bStarted)
        return;
    m_bStarted = false;
    framework::SetRecentFileListHook({});
    // The view writes its colours into the settings as it goes, so it goes first.
    if (m_pMainFrame)
        m_pMainFrame->DestroyView();
    m_pMainFrame.reset();
    m_pDocument.reset();
    SaveSettings(m_settings, m_nSaveSettingsOnExitAtStart);
    framework::SaveRecentFileList(m_recentFiles);
}

void CRipwellApp::AddToRecentFileList(const std::string& path)
{
    framework::AddToRecentFiles(m_recentFiles, path);
    RefreshRecentMenu();
}

void CRipwellApp::RefreshRecentMenu()
{
    if (m_pMainFrame)
        m_pMainFrame->SetRecentFiles(m_recentFiles);
}

bool CRipwellApp::OpenDocumentFile(const std::string& path)
{
    m_bOpenCancelled = false;
    if (!m_pDocument)
        return false;
    if (!m_pDocument->SaveModified()) {
        m_bOpenCancelled = true;
        return false;
    }
    bool opened = false;
    {
        framework::CWaitCursor wait;
        opened = m_pDocument->OnOpenDocument(path);
    }
    if (!opened) {
        // A file that could not be opened has left the document as it was; one that opened and
        // then failed to load has emptied it and named it "Untitled" (the document did that and
        // said why). Either way the frame shows what the document is now.
        m_pMainFrame->UpdateFrameTitle();
        return false;
    }
    m_pDocument->SetPathName(path); // and the recent-file list, through the hook
    m_pDocument->SetModifiedFlag(false);
    m_pDocument->UpdateAllViews();
    m_pMainFrame->UpdateFrameTitle();
    return true;
}

void CRipwellApp::OnFileNew()
{
    if (!m_pDocument->SaveModified())
        return;
    if (!m_pDocument->OnNewDocument())
        return;
    m_pDocument->SetTitle(std::string(res::LoadString(res::AFX_IDS_UNTITLED)));
    m_pDocument->UpdateAllViews();
    m_pMainFrame->UpdateFrameTitle();
}

void CRipwellApp::OnFileOpen()
{
    std::string path;
    if (!framework::PromptOpenFileName(path))
        return;
    OpenDocumentFile(path);
}

void CRipwellApp::OnOpenRecentFile(int commandId)
{
    std::size_t index = static_cast<std::size_t>(commandId - res::ID_FILE_MRU_FILE1);
    if (index >= m_recentFiles.size())
        return;
    std::string path = m_recentFiles[index];
    // Only a file that could not be opened leaves the list; declining the save question
    // keeps the entry.
    if (!OpenDocumentFile(path) && !m_bOpenCancelled) {
        // The entry may have moved in the meantime; remove the one that failed by name.
        auto it = std::find(m_recentFiles.begin(), m_recentFiles.end(), path);
        if (it != m_recentFiles.end())
            framework::RemoveFromRecentFiles(m_recentFiles, std::size_t(it - m_recentFiles.begin()));
        RefreshRecentMenu();
    }
}

void CRipwellApp::OnAppExit()
{
    if (m_pMainFrame)
        m_pMainFrame->close();
}

void CRipwellApp::OnAppAbout()
{
    PlayAboutSound();
    CAboutDlg dialog(m_pMainFrame.get());
    dialog.exec();
}
