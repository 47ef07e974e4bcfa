// Installs the real backends of the platform services that need the user interface.
#pragma once

void InstallPlatformBackends();
