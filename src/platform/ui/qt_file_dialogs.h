// The real open and save dialogs of the framework, with the request's title, proposed name,
// filters, default extension and OFN_ options, owned by the window the user works in:
//  - the desktop's own dialog where the desktop has one, through the desktop portal's file
//    chooser (platform/ui/portal_file_dialog.h); the portal checks that an opened file exists
//    and asks before a file it was given is replaced; the default extension is appended to a
//    name without one afterwards, and when that names a file that exists, the replace question
//    is asked here (No shows the dialog again);
//  - Qt's own QFileDialog where there is no portal (and in the tests), which checks and asks
//    itself before it closes.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/framework/file_dialogs.h"

namespace platform {

enum class FileDialogChoice {
    DesktopWhereAvailable, // the portal's dialog when the session has a portal, else Qt's own
    QtOwn,                 // always Qt's own dialog
};

// Makes framework::DoPromptFileName show these dialogs. Needs the QApplication.
void InstallQtFileDialogService(FileDialogChoice choice = FileDialogChoice::DesktopWhereAvailable);

// The name with "." and the default extension appended when its file name has no extension.
std::string WithDefaultExtension(const std::string& name, const std::string& defaultExtension);

// The replace question: "<name> already exists.\nDo you want to replace it?", Yes or No.
bool ConfirmReplace(const std::string& name);

// The Qt name filters of a request, in order. Each shows the filter's own text; the pattern
// after it is what the dialog lets through ("*.*" and "*" let every file through, also one
// without a dot; Windows' ";" between patterns becomes a blank).
QStringList QtNameFilters(const std::vector<framework::FileFilter>& filters);

} // namespace platform
