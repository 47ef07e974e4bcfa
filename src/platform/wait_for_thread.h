// Running a piece of work on the thread that owns a Qt object, and waiting for it.
#pragma once

#include <functional>

class QObject;

namespace platform {

// Runs work on the thread of context and returns when it has run there, or when Qt dropped it
// because context was destroyed first. From context's own thread it runs at once. This takes
// the place of Qt's blocking queued connection: its hand-back is a standard mutex and
// condition variable, which ThreadSanitizer sees, where Qt's own semaphore is hidden inside a
// library the sanitizer cannot look into.
void RunOnThreadAndWait(QObject* context, const std::function<void()>& work);

} // namespace platform
