#include "platform/ui/window_timer.h"

#include <QObject>
#include <QTimer>
#include <QVariant>

#include <new>
#include <string>

namespace platform {
namespace {

// A window's timers are QTimer children of the window, found again by their identifier.
QTimer* FindTimer(QObject* window, uintptr_t id)
{
    const std::string name = "window timer " + std::to_string(id);
    return window->findChild<QTimer*>(QString::fromStdString(name), Qt::FindDirectChildrenOnly);
}

class QtTimers final : public TimerService {
public:
    uintptr_t SetTimer(QObject* window, uintptr_t id, uint32_t periodMs, std::function<void()> tick) override
    {
        if (!window || id == 0)
            return 0;
        if (QTimer* old = FindTimer(window, id))
            delete old;
        auto* timer = new (std::nothrow) QTimer(window);
        if (!timer)
            return 0;
        timer->setObjectName(QString::fromStdString("window timer " + std::to_string(id)));
        timer->setInterval(static_cast<int>(periodMs));
        QObject::connect(timer, &QTimer::timeout, window, std::move(tick));
        timer->start();
        if (!timer->isActive()) {
            delete timer;
            return 0;
        }
        return id;
    }

    bool KillTimer(QObject* window, uintptr_t id) override
    {
        QTimer* timer = window ? FindTimer(window, id) : nullptr;
        if (!timer)
            return false;
        delete timer;
        return true;
    }
};

QtTimers g_qtTimers;
TimerService* g_service = nullptr;

TimerService& Service() { return g_service ? *g_service : g_qtTimers; }

} // namespace

uintptr_t SetTimer(QObject* window, uintptr_t id, uint32_t periodMs, std::function<void()> tick)
{
    return Service().SetTimer(window, id, periodMs, std::move(tick));
}

bool KillTimer(QObject* window, uintptr_t id) { return Service().KillTimer(window, id); }

void SetTimerService(TimerService* service) { g_service = service; }

} // namespace platform
