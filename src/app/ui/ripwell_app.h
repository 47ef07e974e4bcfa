// CRipwellApp: the one application object. It runs start-up (operating-system check,
// settings, the single document with its frame and view, the command line), owns the
// document and the main frame, handles New, Open, the recent files, Exit and About, and runs
// shut-down (view and frame first, then the settings and the recent-file list).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "platform/framework/command_routing.h"

class CRipwellDoc;
class CMainFrame;

class CRipwellApp {
public:
    CRipwellApp();
    ~CRipwellApp();
    CRipwellApp(const CRipwellApp&) = delete;
    CRipwellApp& operator=(const CRipwellApp&) = delete;

    // Start-up; false ends the program (no window is left behind).
    bool InitInstance(const std::vector<std::string>& arguments);
    // Shut-down: destroys frame and view, then writes settings and recent files.
    void ExitInstance();

    // Opens a file as the document, as Open does; false when it could not be opened.
    bool OpenDocumentFile(const std::string& path);

    void OnFileNew();
    void OnFileOpen();
    void OnOpenRecentFile(int commandId);
    void OnAppExit();
    void OnAppAbout();

    // The settings of the run: loaded at start-up, handed to the frame, written at shut-down.
    AppSettings& GetSettings() { return m_settings; }
    CRipwellDoc* Document() const { return m_pDocument.get(); }
    CMainFrame* MainFrame() const { return m_pMainFrame.get(); }
    const framework::CommandMap& Commands() const { return m_commands; }
    const std::vector<std::string>& RecentFiles() const { return m_recentFiles; }
    // Puts path at the head of the recent-file list (four entries, no repeats).
    void AddToRecentFileList(const std::string& path);

private:
    bool CreateFirstDocument();
    void RegisterCommands();
    void RefreshRecentMenu();

    AppSettings m_settings;
    int32_t m_nSaveSettingsOnExitAtStart = 1;
    std::unique_ptr<CRipwellDoc> m_pDocument;
    std::unique_ptr<CMainFrame> m_pMainFrame;
    framework::CommandMap m_commands;
    std::vector<std::string> m_recentFiles;
    bool m_bStarted = false;
    bool m_bOpenCancelled = false; // the last open stopped at the save question
};

// The running application object (null before it exists and after it is gone).
CRipwellApp* TheApp();

// The program: QApplication, real platform backends, start-up, message loop, shut-down.
int RipwellMain(int argc, char** argv);
