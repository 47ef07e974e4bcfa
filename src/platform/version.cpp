#include "platform/version.h"

#include <sys/utsname.h>

#include <atomic>
#include <cstdio>
#include <cstring>

namespace platform {
namespace {

std::atomic<VersionService*> g_service{nullptr};

// This system as Windows would describe an NT-family system: the kernel's version numbers.
class RealVersionService : public VersionService {
public:
    bool GetVersion(OSVERSIONINFOA* info) override
    {
        const uint32_t size = info->dwOSVersionInfoSize;
        std::memset(reinterpret_cast<char*>(info) + sizeof(uint32_t), 0, size - sizeof(uint32_t));
        info->dwPlatformId = VER_PLATFORM_WIN32_NT;
        utsname name{};
        if (uname(&name) == 0) {
            unsigned major = 0, minor = 0, build = 0;
            std::sscanf(name.release, "%u.%u.%u", &major, &minor, &build);
            info->dwMajorVersion = major;
            info->dwMinorVersion = minor;
            info->dwBuildNumber = build;
        }
        return true;
    }
};

} // namespace

bool GetVersionExA(OSVERSIONINFOA* info)
{
    if (!info ||
        (info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA) && info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOEXA)))
        return false;
    static RealVersionService real;
    VersionService* service = g_service;
    return (service ? *service : real).GetVersion(info);
}

void SetVersionService(VersionService* service) { g_service = service; }

} // namespace platform
