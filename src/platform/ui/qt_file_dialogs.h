// The real open and save dialogs of the framework: a QFileDialog (Qt's own, not the desktop's,
// so it behaves the same on every desktop) with the request's title, proposed name, filters,
// default extension and OFN_ options, owned by the window the user works in.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/framework/file_dialogs.h"

namespace platform {

// Makes framework::DoPromptFileName show Qt dialogs. Needs the QApplication.
void InstallQtFileDialogService();

// The Qt name filters of a request, in order. Each shows the filter's own text; the pattern
// after it is what the dialog lets through ("*.*" and "*" let every file through, also one
// without a dot; Windows' ";" between patterns becomes a blank).
QStringList QtNameFilters(const std::vector<framework::FileFilter>& filters);

} // namespace platform
