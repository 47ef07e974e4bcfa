// Window timers that tick only when the test says so: installed for its lifetime in place of
// Qt's timers, so a test advances a dialog's timer tick by tick instead of waiting for it.
//
//   ManualTimers timers;
//   ... show the dialog ...
//   timers.Tick();   // one tick of every running timer
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/ui/window_timer.h"

class ManualTimers : public platform::TimerService {
public:
    ManualTimers();
    ~ManualTimers() override;
    ManualTimers(const ManualTimers&) = delete;
    ManualTimers& operator=(const ManualTimers&) = delete;

    // Runs one tick of every running timer, in the order they were set.
    void Tick();
    // How many timers run, and the period of the last one set.
    int Running() const { return static_cast<int>(m_timers.size()); }
    uint32_t LastPeriod() const { return m_lastPeriod; }

    // The next SetTimer fails (gives 0), or every KillTimer fails.
    void FailNextSet() { m_failNextSet = true; }
    void FailKills(bool fail) { m_failKills = fail; }

    uintptr_t SetTimer(QObject* window, uintptr_t id, uint32_t periodMs, std::function<void()> tick) override;
    bool KillTimer(QObject* window, uintptr_t id) override;

private:
    struct Timer {
        QObject* window;
        uintptr_t id;
        std::function<void()> tick;
    };
    std::vector<Timer> m_timers;
    uint32_t m_lastPeriod = 0;
    bool m_failNextSet = false;
    bool m_failKills = false;
};
