// The periodic timer of a window, as Win32's SetTimer and KillTimer give it: a window sets a
// timer with its own identifier and a period, receives a tick every period on the
// user-interface thread while the timer runs, and kills it again. A timer that cannot be set
// gives 0, a kill that fails false, and the caller reports it.
//
// What runs the timers is the installed TimerService: Qt's timers in the program, a double in
// the tests that ticks when the test says so.
#pragma once

#include <cstdint>
#include <functional>

class QObject;

namespace platform {

class TimerService {
public:
    virtual ~TimerService() = default;
    virtual uintptr_t SetTimer(QObject* window, uintptr_t id, uint32_t periodMs, std::function<void()> tick) = 0;
    virtual bool KillTimer(QObject* window, uintptr_t id) = 0;
};

// Starts (or restarts) timer id of the window; id on success, 0 when it cannot be set. The
// timer also ends when the window is destroyed.
uintptr_t SetTimer(QObject* window, uintptr_t id, uint32_t periodMs, std::function<void()> tick);
// False when the window has no such timer.
bool KillTimer(QObject* window, uintptr_t id);

// Installs the service; nullptr goes back to Qt's timers. The caller keeps ownership.
void SetTimerService(TimerService* service);

} // namespace platform
