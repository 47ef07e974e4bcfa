#include "app/ui/platform_backends.h"

#include "platform/help.h"
#include "platform/ui/desktop_style.h"
#include "platform/ui/help_window.h"
#include "platform/ui/qt_clipboard.h"
#include "platform/ui/qt_file_dialogs.h"
#include "platform/ui/qt_message_box.h"
#include "platform/ui/qt_wait_cursor.h"

void InstallPlatformBackends()
{
    platform::InstallDesktopStyle();
    platform::SetHelpHandler(platform::ShowHelpPage);
    platform::InstallQtMessageBoxService();
    platform::InstallQtFileDialogService();
    platform::InstallQtWaitCursor();
    platform::InstallQtClipboardService();
}
