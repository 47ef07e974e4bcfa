#include "support/xvfb_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {
constexpr int kStartTimeoutMs = 20000;
}

XvfbServer::~XvfbServer() { Stop(); }

bool XvfbServer::Start()
{
    if (m_pid > 0)
        return true;
    int report[2];
    if (::pipe(report) != 0) {
        m_reason = "no pipe for Xvfb's display number";
        return false;
    }
    // Xvfb writes the display number it chose to this descriptor once it takes clients.
    const std::string fd = std::to_string(report[1]);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(report[0]);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                 static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(report[1]);
    if (pid < 0) {
        ::close(report[0]);
        m_reason = "could not start Xvfb";
        return false;
    }
    m_pid = pid;

    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStartTimeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd wait{report[0], POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            break;
        char c = 0;
        if (::read(report[0], &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    ::close(report[0]);
    if (number.empty()) {
        int status = 0;
        const bool ended = ::waitpid(m_pid, &status, WNOHANG) == m_pid;
        if (ended)
            m_pid = -1; // reaped already: nothing left to stop
        m_reason =
            ended && WIFEXITED(status) && WEXITSTATUS(status) == 127 ? "Xvfb is not installed" : "Xvfb did not come up";
        Stop();
        return false;
    }
    m_display = ":" + number;
    return true;
}

void XvfbServer::Stop()
{
    if (m_pid <= 0)
        return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
}
