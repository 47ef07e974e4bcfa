// The document half of the program's small application framework: title, path name,
// modified flag, the views that show the document, and the save question.
#pragma once

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
    // Sets the path name; with addToRecent the title becomes the file name and the path
    // goes to the recent-file list.
    virtual void SetPathName(const std::string& path, bool addToRecent = true);
    void ClearPathName() { m_strPathName.clear(); }
    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    // Tells every view that the document changed.
    void UpdateAllViews();

protected:
    std::string m_strTitle;
    std::string m_strPathName;
    bool m_bModified = false;
    std::vector<DocumentView*> m_views;
};

} // namespace framework
