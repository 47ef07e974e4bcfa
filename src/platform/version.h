// GetVersionExA: which system the program runs on. The real backend reports the NT family
// (platform 2) with the running kernel's version; a test installs a VersionService that can
// pretend to be any system, or refuse either record.
#pragma once

#include <cstdint>

namespace platform {

inline constexpr uint32_t VER_PLATFORM_WIN32s = 0;
inline constexpr uint32_t VER_PLATFORM_WIN32_WINDOWS = 1;
inline constexpr uint32_t VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
    uint32_t dwOSVersionInfoSize; // 148
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformId;
    char szCSDVersion[128];
};

struct OSVERSIONINFOEXA {
    uint32_t dwOSVersionInfoSize; // 156
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformId;
    char szCSDVersion[128];
    uint16_t wServicePackMajor;
    uint16_t wServicePackMinor;
    uint16_t wSuiteMask;
    uint8_t wProductType;
    uint8_t wReserved;
};
static_assert(sizeof(OSVERSIONINFOA) == 148);
static_assert(sizeof(OSVERSIONINFOEXA) == 156);

class VersionService {
public:
    virtual ~VersionService() = default;
    // info points to a record whose first field says its size (148 or 156); false = refused.
    virtual bool GetVersion(OSVERSIONINFOA* info) = 0;
};

// Fills the record its size field names; false for any other size or when refused.
bool GetVersionExA(OSVERSIONINFOA* info);

// Installs a version service; nullptr goes back to the real one. The caller keeps ownership.
void SetVersionService(VersionService* service);

} // namespace platform
