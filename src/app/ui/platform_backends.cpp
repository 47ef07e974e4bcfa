#include "app/ui/platform_backends.h"

#include "platform/help.h"
#include "platform/ui/help_window.h"

void InstallPlatformBackends()
{
    platform::SetHelpHandler(platform::ShowHelpPage);
}
