// The wait cursor of the framework (framework::CWaitCursor) on Qt: the hourglass over every
// window of the program while a long load or save runs.
#pragma once

namespace platform {

// Installs the Qt cursor behind framework::SetWaitCursorHooks. Needs the QApplication.
void InstallQtWaitCursor();

} // namespace platform
