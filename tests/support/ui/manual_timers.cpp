#include "support/ui/manual_timers.h"

#include <algorithm>

ManualTimers::ManualTimers() { platform::SetTimerService(this); }

ManualTimers::~ManualTimers() { platform::SetTimerService(nullptr); }

void ManualTimers::Tick()
{
    // A tick may set or kill timers; each timer running now ticks once.
    const std::vector<Timer> running = m_timers;
    for (const Timer& timer : running) {
        const bool stillRunning = std::any_of(m_timers.begin(), m_timers.end(), [&](const Timer& t) {
            return t.window == timer.window && t.id == timer.id;
        });
        if (stillRunning)
            timer.tick();
    }
}

uintptr_t ManualTimers::SetTimer(QObject* window, uintptr_t id, uint32_t periodMs, std::function<void()> tick)
{
    if (m_failNextSet) {
        m_failNextSet = false;
        return 0;
    }
    KillTimer(window, id);
    m_timers.push_back({window, id, std::move(tick)});
    m_lastPeriod = periodMs;
    return id;
}

bool ManualTimers::KillTimer(QObject* window, uintptr_t id)
{
    const auto found = std::find_if(m_timers.begin(), m_timers.end(),
                                    [&](const Timer& t) { return t.window == window && t.id == id; });
    if (found == m_timers.end())
        return false;
    m_timers.erase(found); // a failing kill still ends the timer with its window
    return !m_failKills;
}
