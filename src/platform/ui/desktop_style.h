// The program's widget style: the style Qt chose for this desktop, with the few answers changed
// in which it differs from the desktops' own dialogs.
#pragma once

class QStyle;

namespace platform {

// The program's style over base (which it takes over). Standard dialog buttons (OK, Cancel,
// Yes, No, Open, Save) show their words only, without the stock pictures some styles put on
// them (a green tick on OK, a red cross on Cancel), in message boxes and in every other dialog
// with a button box.
QStyle* CreateDesktopStyle(QStyle* base);

// Puts the program's style over a fresh copy of the application's style (needs the
// QApplication); installing twice is harmless.
void InstallDesktopStyle();

} // namespace platform
