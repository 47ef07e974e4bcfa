// The desktop's own open and save dialogs, through the desktop portal's file chooser
// (org.freedesktop.portal.FileChooser on the session bus). Every desktop with a portal backend
// (GNOME, KDE and the others) shows it in its own look, with its own places and sizes, and
// whatever Qt's platform integration offers or lacks.
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

#include <string>

#include "platform/framework/file_dialogs.h"

class QDBusArgument;

namespace platform {

// One pattern of a portal filter: type 0 is a glob ("*.[wW][aA][vV]"), 1 a MIME type.
struct PortalFilterPattern {
    uint type = 0;
    QString pattern;
};
// A named filter, a(us) on the bus.
struct PortalFilter {
    QString name;
    QList<PortalFilterPattern> patterns;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalFilterPattern& pattern);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalFilterPattern& pattern);
QDBusArgument& operator<<(QDBusArgument& argument, const PortalFilter& filter);
const QDBusArgument& operator>>(const QDBusArgument& argument, PortalFilter& filter);

inline constexpr const char* PORTAL_SERVICE = "org.freedesktop.portal.Desktop";
inline constexpr const char* PORTAL_PATH = "/org/freedesktop/portal/desktop";
inline constexpr const char* PORTAL_FILE_CHOOSER = "org.freedesktop.portal.FileChooser";
inline constexpr const char* PORTAL_REQUEST = "org.freedesktop.portal.Request";

// Makes the filter types known to Qt's D-Bus marshalling (harmless to call again).
void RegisterPortalTypes();

// Whether a portal can be reached (running, or started on demand) on the session bus.
bool PortalFileChooserAvailable();

// The portal's filters for the request's: each pattern as a glob in which every letter
// matches either case, as the patterns of Windows' dialogs do ("*.*" takes every file).
QList<PortalFilter> PortalFilters(const std::vector<framework::FileFilter>& filters);

enum class PortalAnswer {
    Chosen,    // *fileName holds the chosen file
    Cancelled, // the user closed the dialog
    Failed,    // the portal could not be asked or gave no answer; use another dialog
};

// Shows the portal's dialog for the request, proposing proposal (a name, with or without a
// folder), over the window the user works in, and waits for it while the program's own windows
// take no input.
PortalAnswer RunPortalFileDialog(const framework::FileDialogRequest& request, const std::string& proposal,
                                 std::string* fileName);

} // namespace platform

Q_DECLARE_METATYPE(platform::PortalFilterPattern)
Q_DECLARE_METATYPE(platform::PortalFilter)
