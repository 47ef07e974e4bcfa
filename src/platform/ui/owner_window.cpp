#include "platform/ui/owner_window.h"

#include <QApplication>
#include <QMainWindow>

#include "platform/ui/help_window.h"

namespace platform {

QWidget* OwnerWindow()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    QWidget* active = QApplication::activeWindow();
    if (active && active != HelpWindow())
        return active;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) && widget->isVisible())
            return widget;
    return nullptr;
}

} // namespace platform
