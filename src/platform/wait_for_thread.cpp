#include "platform/wait_for_thread.h"

#include <QMetaObject>
#include <QObject>
#include <QThread>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace platform {

namespace {

struct HandBack {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
};

// Held only by the queued call: when Qt destroys the call, after running it or instead of it,
// the waiting thread is let go.
class Completion {
public:
    explicit Completion(std::shared_ptr<HandBack> handBack) : m_handBack(std::move(handBack)) {}
    Completion(const Completion&) = delete;
    Completion& operator=(const Completion&) = delete;
    ~Completion()
    {
        std::lock_guard lock(m_handBack->mutex);
        m_handBack->finished = true;
        m_handBack->done.notify_all();
    }

private:
    std::shared_ptr<HandBack> m_handBack;
};

} // namespace

void RunOnThreadAndWait(QObject* context, const std::function<void()>& work)
{
    if (QThread::currentThread() == context->thread()) {
        work();
        return;
    }
    auto handBack = std::make_shared<HandBack>();
    {
        auto completion = std::make_shared<Completion>(handBack);
        QMetaObject::invokeMethod(context, [&work, completion] { work(); }, Qt::QueuedConnection);
    }
    std::unique_lock lock(handBack->mutex);
    handBack->done.wait(lock, [&] { return handBack->finished; });
}

} // namespace platform
