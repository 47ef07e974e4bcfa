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

// Held only by the queued call. The call lets the waiting thread go as soon as the work has run,
// from the thread that ran it; when Qt drops the call without running it, its destruction does.
class Completion {
public:
    explicit Completion(std::shared_ptr<HandBack> handBack) : m_handBack(std::move(handBack)) {}
    Completion(const Completion&) = delete;
    Completion& operator=(const Completion&) = delete;
    ~Completion() { Finish(); }

    void Finish()
    {
        std::lock_guard lock(m_handBack->mutex);
        m_handBack->finished = true;
        m_handBack->done.notify_all();
    }

private:
    std::shared_ptr<HandBack> m_handBack;
};

// Taken by the posting thread while it makes and posts the call, and by the receiving thread
// before the call touches anything: what the posting thread wrote before is then seen to come
// before the call by ThreadSanitizer too, which cannot see inside Qt's event queue.
std::mutex& PostingLock()
{
    static std::mutex lock;
    return lock;
}

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
        std::lock_guard posting(PostingLock());
        QMetaObject::invokeMethod(
            context,
            [&work, completion] {
                {
                    std::lock_guard received(PostingLock());
                }
                work();
                completion->Finish();
            },
            Qt::QueuedConnection);
    }
    std::unique_lock lock(handBack->mutex);
    handBack->done.wait(lock, [&] { return handBack->finished; });
}

} // namespace platform
