#include "support/scripted_file_dialogs.h"

ScriptedFileDialogs::ScriptedFileDialogs() : m_previous(framework::GetFileDialogService())
{
    framework::SetFileDialogService(this);
}

ScriptedFileDialogs::~ScriptedFileDialogs() { framework::SetFileDialogService(m_previous); }

bool ScriptedFileDialogs::Run(const framework::FileDialogRequest& request, std::string* fileName)
{
    m_requests.push_back(request);
    if (m_answers.empty())
        return false;
    std::optional<std::string> answer = m_answers.front();
    m_answers.pop_front();
    if (!answer)
        return false;
    *fileName = *answer;
    return true;
}
