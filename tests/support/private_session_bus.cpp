#include "support/private_session_bus.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <string>

PrivateSessionBus::PrivateSessionBus()
{
    const std::string config = m_folder.file("bus.conf");
    std::ofstream(config) << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig><type>session</type><listen>unix:dir="
                          << m_folder.path().string()
                          << "</listen><policy context=\"default\"><allow send_destination=\"*\"/>"
                             "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n";
    // The daemon prints its address and its process id, then goes to the background.
    const std::string command = "dbus-daemon --config-file='" + config + "' --fork --print-address=1 --print-pid=1";
    FILE* output = ::popen(command.c_str(), "r");
    if (!output) {
        m_reason = "cannot run dbus-daemon";
        return;
    }
    char line[512];
    if (std::fgets(line, sizeof line, output)) {
        m_address = line;
        m_address.erase(m_address.find_last_not_of("\r\n") + 1);
    }
    if (std::fgets(line, sizeof line, output))
        m_pid = static_cast<pid_t>(std::stol(line));
    const int status = ::pclose(output);
    if (status != 0 || !Ready())
        m_reason = "dbus-daemon did not start (is the dbus-daemon package installed?)";
}

PrivateSessionBus::~PrivateSessionBus()
{
    if (m_pid > 0)
        ::kill(m_pid, SIGTERM);
}
