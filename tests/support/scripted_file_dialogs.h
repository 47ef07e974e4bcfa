// The open and save dialogs of a test: each request is recorded, and answered from a queue
// (a file name chosen, or Cancel). With an empty queue a dialog is cancelled. Installs itself
// for its lifetime.
//
//   ScriptedFileDialogs dialogs;
//   dialogs.ChooseNext(dir.file("y.wav"));
//   doc.DoSave("");
//   EXPECT_EQ(dialogs.Requests()[0].fileName, "Untitled.wav");
#pragma once

#include "platform/framework/file_dialogs.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

class ScriptedFileDialogs : public framework::FileDialogService {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs() override;
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    void ChooseNext(const std::string& fileName) { m_answers.emplace_back(fileName); }
    void CancelNext() { m_answers.emplace_back(std::nullopt); }
    const std::vector<framework::FileDialogRequest>& Requests() const { return m_requests; }

    bool Run(const framework::FileDialogRequest& request, std::string* fileName) override;

private:
    std::deque<std::optional<std::string>> m_answers;
    std::vector<framework::FileDialogRequest> m_requests;
    framework::FileDialogService* m_previous = nullptr;
};
