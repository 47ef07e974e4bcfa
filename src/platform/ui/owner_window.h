// The window a message box or a file dialog belongs to.
#pragma once

class QWidget;

namespace platform {

// The open modal dialog, else the active window, else the visible main window; null when there
// is none yet. Never the help window, which must stay usable while a box asks for help.
QWidget* OwnerWindow();

} // namespace platform
