// A D-Bus session bus of a test's own: a dbus-daemon with a configuration that starts no
// services, listening in the temporary folder, stopped when the object goes.
//
//   PrivateSessionBus bus;
//   if (!bus.Ready()) GTEST_SKIP() << bus.Reason();
//   ScopedEnvironment address("DBUS_SESSION_BUS_ADDRESS", bus.Address().c_str());
#pragma once

#include <sys/types.h>

#include <string>

#include "support/temp_dir.h"

class PrivateSessionBus {
public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool Ready() const { return m_pid > 0 && !m_address.empty(); }
    const std::string& Reason() const { return m_reason; }
    const std::string& Address() const { return m_address; }

private:
    TempDir m_folder;
    std::string m_address;
    std::string m_reason;
    pid_t m_pid = -1;
};
