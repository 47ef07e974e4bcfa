// Installs the real backends of the platform services that need the user interface: the
// widget style, help pages, message boxes, open and save dialogs, the wait cursor, the desktop's
// clipboard. Called once the QApplication exists and before anything can show a box.
#pragma once

void InstallPlatformBackends();
