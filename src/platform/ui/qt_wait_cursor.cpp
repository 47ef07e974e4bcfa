#include "platform/ui/qt_wait_cursor.h"

#include <QApplication>
#include <QCursor>

#include "platform/framework/document.h"

namespace platform {

void InstallQtWaitCursor()
{
    // Override cursors stack, so nested waits restore what was there before each of them.
    framework::SetWaitCursorHooks([] { QApplication::setOverrideCursor(Qt::WaitCursor); },
                                  [] { QApplication::restoreOverrideCursor(); });
}

} // namespace platform
