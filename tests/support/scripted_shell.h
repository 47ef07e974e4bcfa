// The shell of a test: every ShellExecuteA is recorded and answered with a scripted result
// (SE_STARTED unless told otherwise); nothing is started. Installs itself for its lifetime.
//
//   ScriptedShell shell;
//   shell.Answer(platform::SE_ERR_FNF);
//   OnCdPlayer(nullptr, "CDPLAYER.EXE");
//   EXPECT_EQ(shell.Calls()[0].file, "CDPLAYER.EXE");
#pragma once

#include "platform/shell.h"

#include <string>
#include <vector>

class ScriptedShell : public platform::ShellService {
public:
    struct Call {
        void* owner = nullptr;
        std::string verb;
        std::string file;
        std::string parameters;
        std::string directory;
        int showCommand = 0;
    };

    ScriptedShell() { platform::SetShellService(this); }
    ~ScriptedShell() override { platform::SetShellService(nullptr); }
    ScriptedShell(const ScriptedShell&) = delete;
    ScriptedShell& operator=(const ScriptedShell&) = delete;

    void Answer(intptr_t result) { m_result = result; }
    const std::vector<Call>& Calls() const { return m_calls; }

    intptr_t Execute(void* owner, const std::string& verb, const std::string& file, const std::string& parameters,
                     const std::string& directory, int showCommand) override
    {
        m_calls.push_back({owner, verb, file, parameters, directory, showCommand});
        return m_result;
    }

private:
    intptr_t m_result = platform::SE_STARTED;
    std::vector<Call> m_calls;
};
