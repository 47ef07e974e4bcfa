#include "platform/terminal.h"

#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<int32_t>* g_cancelFlag = nullptr;

void OnInterrupt(int signalNumber)
{
    if (g_cancelFlag && g_cancelFlag->load() == 0) {
        g_cancelFlag->store(1);
        return;
    }
    signal(signalNumber, SIG_DFL);
    raise(signalNumber);
}

} // namespace

bool IsTerminal(int stream) { return isatty(stream) == 1; }

int TerminalColumns(int stream)
{
    winsize size{};
    if (ioctl(stream, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return 80;
}

void CancelOnInterrupt(std::atomic<int32_t>* flag)
{
    g_cancelFlag = flag;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace platform
