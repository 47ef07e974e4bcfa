#include "platform/framework/document.h"

#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace framework {
namespace {

std::function<void(const std::string&)>& RecentFileListHook()
{
    static std::function<void(const std::string&)> hook;
    return hook;
}

struct WaitCursorHooks {
    std::function<void()> begin;
    std::function<void()> end;
};

WaitCursorHooks& WaitCursor()
{
    static WaitCursorHooks hooks;
    return hooks;
}

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

// The string number of the file-error text for error, or 0 when the kind has none.
int FileErrorPromptId(platform::FileError error)
{
    switch (error) {
    case platform::FileError::NotFound: return res::AFX_IDP_FILE_NOT_FOUND;
    case platform::FileError::AccessDenied: return res::AFX_IDP_FILE_ACCESS_DENIED;
    case platform::FileError::DiskFull: return res::AFX_IDP_FILE_DISKFULL;
    case platform::FileError::TooManyOpen: return res::AFX_IDP_FILE_TOO_MANY_OPEN;
    case platform::FileError::HardIo: return res::AFX_IDP_FILE_HARD_IO;
    case platform::FileError::None:
    case platform::FileError::Generic: return 0;
    }
    return 0;
}

} // namespace

void CDocument::SetTitle(const std::string& title) { m_strTitle = title; }

void CDocument::SetPathName(const std::string& path, bool addToRecent)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    m_strPathName = error ? path : absolute.lexically_normal().string();
    SetTitle(FileNameOf(m_strPathName));
    if (addToRecent && RecentFileListHook())
        RecentFileListHook()(m_strPathName);
}

std::string CDocument::GetDocumentName() const
{
    if (!m_strPathName.empty())
        return FileNameOf(m_strPathName);
    if (!m_strTitle.empty())
        return m_strTitle;
    return std::string(res::LoadString(res::AFX_IDS_UNTITLED));
}

void CDocument::AddView(DocumentView* view)
{
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CDocument::RemoveView(DocumentView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CDocument::UpdateAllViews()
{
    // A view may remove itself while it is told, so walk a copy.
    const std::vector<DocumentView*> views = m_views;
    for (DocumentView* view : views)
        view->OnUpdate();
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnOpenDocument(const std::string&) { return false; }

bool CDocument::OnSaveDocument(const std::string&) { return false; }

bool CDocument::DoSave(const std::string& path, bool replace)
{
    if (path.empty() || !OnSaveDocument(path))
        return false;
    if (replace)
        SetPathName(path);
    return true;
}

bool CDocument::SaveModified()
{
    if (!IsModified())
        return true;
    const std::string prompt = res::FormatMessageText(res::LoadString(res::AFX_IDP_ASK_TO_SAVE), GetDocumentName());
    switch (platform::MessageBox(prompt, platform::MB_YESNOCANCEL | platform::MB_ICONEXCLAMATION,
                                 res::AFX_IDP_ASK_TO_SAVE)) {
    case platform::IDCANCEL: return false;
    case platform::IDYES: return DoFileSave();
    default: return true;
    }
}

bool CDocument::DoFileSave()
{
    // A file that may not be written gets a new name, as a document without a path does.
    const bool readOnly = !m_strPathName.empty() && CheckFileWritable(m_strPathName) != platform::FileError::None;
    if (m_strPathName.empty() || readOnly)
        return DoSave(std::string());
    return DoSave(m_strPathName);
}

platform::FileError CheckFileWritable(const std::string& path)
{
    // Asked for the effective user, as opening the file would be.
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) == 0) {
        struct stat status {};
        if (::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
            return platform::FileError::AccessDenied;
        return platform::FileError::None;
    }
    if (errno == ENOENT)
        return platform::FileError::None;
    return platform::FileErrorFromErrno(errno);
}

void ReportSaveLoadException(const std::string& path, platform::FileError error, int defaultPromptId)
{
    int promptId = FileErrorPromptId(error);
    if (promptId == 0)
        promptId = defaultPromptId;
    const std::string prompt = res::FormatMessageText(res::LoadString(promptId), path);
    platform::MessageBox(prompt, platform::MB_OK | platform::MB_ICONEXCLAMATION, static_cast<uint32_t>(promptId));
}

void SetRecentFileListHook(std::function<void(const std::string& path)> addToRecentFileList)
{
    RecentFileListHook() = std::move(addToRecentFileList);
}

void SetWaitCursorHooks(std::function<void()> begin, std::function<void()> end)
{
    WaitCursor() = {std::move(begin), std::move(end)};
}

CWaitCursor::CWaitCursor()
{
    if (WaitCursor().begin)
        WaitCursor().begin();
}

CWaitCursor::~CWaitCursor()
{
    if (WaitCursor().end)
        WaitCursor().end();
}

} // namespace framework
