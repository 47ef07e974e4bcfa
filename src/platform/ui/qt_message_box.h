// The real message boxes of the program: a QMessageBox captioned with the application title,
// with the icon, buttons and default button of the MB_ flags and Escape answered as Windows
// answers it. The box is modal and belongs to the window the user works in (a modal dialog
// when one is open); F1 on a box with a help number opens help topic 0x30000 + number.
#pragma once

namespace platform {

// Makes platform::MessageBox show Qt boxes. Needs the QApplication; installing twice is harmless.
void InstallQtMessageBoxService();

} // namespace platform
