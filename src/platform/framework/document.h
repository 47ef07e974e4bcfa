// The document half of the program's small application framework: title, path name,
// modified flag, the views that show the document, the save question, and the framework's
// reports of file errors.
//
// The application installs two hooks at start-up: where SetPathName adds a path to the
// recent-file list (SetRecentFileListHook), and how the wait cursor is shown
// (SetWaitCursorHooks; the Qt one is InstallQtWaitCursor in platform/ui/qt_wait_cursor.h).
// Without them nothing happens at those points.
#pragma once

#include "platform/file.h"

#include <functional>
#include <string>
#include <vector>

namespace framework {

class CDocument;

// Something that shows a document and is told when it changed.
class DocumentView {
public:
    virtual ~DocumentView() = default;
    virtual void OnUpdate() = 0;
};

class CDocument {
public:
    virtual ~CDocument() = default;

    const std::string& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const std::string& title);
    const std::string& GetPathName() const { return m_strPathName; }
    // Sets the path name (made absolute) and the title (the file name of the path); with
    // addToRecent the path also goes to the recent-file list.
    virtual void SetPathName(const std::string& path, bool addToRecent = true);
    void ClearPathName() { m_strPathName.clear(); }
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }
    // The name the save question uses: the file name of the path, or the title without a path
    // ("Untitled" when there is neither).
    std::string GetDocumentName() const;

    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    // Tells every view that the document changed.
    void UpdateAllViews();

    // The document operations the framework calls. The base versions do what any document
    // does; a real document overrides them.
    virtual void DeleteContents() {}
    // DeleteContents, clear the path name and the modified flag.
    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const std::string& path);
    virtual bool OnSaveDocument(const std::string& path);
    // Save (path = the document's) or Save As (empty path: ask for a name). replace: the
    // document takes the new name.
    virtual bool DoSave(const std::string& path, bool replace = true);
    // Asks "Save changes to %1?" (Yes, No, Cancel) when modified; Yes saves with DoFileSave.
    // False when the user cancelled or the save failed.
    virtual bool SaveModified();
    // File Save: Save As when the document has no path yet or its file is read-only, else Save.
    bool DoFileSave();

protected:
    std::string m_strTitle;
    std::string m_strPathName;
    bool m_bModified = false;
    std::vector<DocumentView*> m_views;
};

// Reports a failed load or store of path: the file-error text for the kind of error with the
// path as %1, or the text of string defaultPromptId ("Failed to open document.", "Failed to
// save document.") when the kind has no text of its own. Exclamation icon; the string number
// is the help number.
void ReportSaveLoadException(const std::string& path, platform::FileError error, int defaultPromptId);

// Whether the user may open the existing file at path for writing: FileError::None when he may
// or when there is no such file yet (it will be created), else the kind of the refusal (a
// read-only file, a folder, a read-only file system). Nothing is opened or changed.
platform::FileError CheckFileWritable(const std::string& path);

// Where SetPathName puts a path for the recent-file list; an empty function removes the hook.
void SetRecentFileListHook(std::function<void(const std::string& path)> addToRecentFileList);

// The wait cursor: begin shows it, end restores the cursor before it.
void SetWaitCursorHooks(std::function<void()> begin, std::function<void()> end);

// Shows the wait cursor while the object lives.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

} // namespace framework
