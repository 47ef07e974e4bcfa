// A version service for tests: reports the platform, version and service-pack string given,
// and can refuse the extended record, the basic one, or both. Installed for its lifetime.
#pragma once

#include "platform/version.h"

#include <cstring>
#include <string>
#include <vector>

class ScriptedVersion : public platform::VersionService {
public:
    ScriptedVersion(uint32_t platformId, uint32_t major, uint32_t minor, std::string servicePack = {})
        : m_platform(platformId),
          m_major(major),
          m_minor(minor),
          m_servicePack(std::move(servicePack))
    {
        platform::SetVersionService(this);
    }
    ~ScriptedVersion() override { platform::SetVersionService(nullptr); }

    bool refuseExtended = false;
    bool refuseBasic = false;
    std::vector<uint32_t> askedSizes; // the size field of every request, in order

    bool GetVersion(platform::OSVERSIONINFOA* info) override
    {
        askedSizes.push_back(info->dwOSVersionInfoSize);
        const bool extended = info->dwOSVersionInfoSize == sizeof(platform::OSVERSIONINFOEXA);
        if (extended ? refuseExtended : refuseBasic)
            return false;
        info->dwPlatformId = m_platform;
        info->dwMajorVersion = m_major;
        info->dwMinorVersion = m_minor;
        std::strncpy(info->szCSDVersion, m_servicePack.c_str(), sizeof info->szCSDVersion - 1);
        info->szCSDVersion[sizeof info->szCSDVersion - 1] = 0;
        return true;
    }

private:
    uint32_t m_platform, m_major, m_minor;
    std::string m_servicePack;
};
