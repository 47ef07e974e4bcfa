// A private X server (Xvfb) for tests that need a real X display: it picks a free display
// number itself and reports it; the object stops the server when it goes.
//
//   XvfbServer server;
//   if (!server.Start()) skip with server.Reason();
//   setenv("DISPLAY", server.Display().c_str(), 1);
#pragma once

#include <sys/types.h>

#include <string>

class XvfbServer {
public:
    XvfbServer() = default;
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // Starts Xvfb with one 1024x768x24 screen and waits (up to 20 s) until it takes clients.
    // False, with Reason(), when it is not installed or does not come up.
    bool Start();
    void Stop();
    // ":N"
    const std::string& Display() const { return m_display; }
    const std::string& Reason() const { return m_reason; }

private:
    pid_t m_pid = -1;
    std::string m_display;
    std::string m_reason;
};
