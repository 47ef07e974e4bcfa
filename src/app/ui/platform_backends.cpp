#include "app/ui/platform_backends.h"

void InstallPlatformBackends()
{
}
