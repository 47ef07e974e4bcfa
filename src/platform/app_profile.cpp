#include "platform/app_profile.h"

#include "platform/registry.h"
#include "res/resource.h"
#include "res/string_table.h"

#include <vector>

namespace platform {
namespace {

std::string& CompanyKey()
{
    static std::string key;
    return key;
}

// Opens (creating as needed) Software\<company>\<application>\<section>; null without a
// registry key name or when the hive refuses.
HKEY OpenSectionKey(const std::string& section)
{
    if (CompanyKey().empty())
        return nullptr;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (ProfileKeyPath() + "\\" + section).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        // A hive that may be read but not written still gives its values.
        if (RegOpenKeyExA(HKEY_CURRENT_USER, (ProfileKeyPath() + "\\" + section).c_str(), 0, KEY_READ, &key) !=
            ERROR_SUCCESS)
            return nullptr;
    }
    return key;
}

} // namespace

void SetRegistryKey(const std::string& companyKey) { CompanyKey() = companyKey; }

std::string ProfileKeyPath()
{
    return "Software\\" + CompanyKey() + "\\" + std::string(res::LoadString(res::AFX_IDS_APP_TITLE));
}

uint32_t GetProfileInt(const std::string& section, const std::string& entry, uint32_t defaultValue)
{
    HKEY key = OpenSectionKey(section);
    if (!key)
        return defaultValue;
    BYTE bytes[4] = {0, 0, 0, 0};
    DWORD type = 0, size = sizeof bytes;
    const LONG result = RegQueryValueExA(key, entry.c_str(), nullptr, &type, bytes, &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return defaultValue;
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t{bytes[3]} << 24;
}

std::string GetProfileString(const std::string& section, const std::string& entry, const std::string& defaultValue)
{
    HKEY key = OpenSectionKey(section);
    if (!key)
        return defaultValue;
    DWORD type = 0, size = 0;
    LONG result = RegQueryValueExA(key, entry.c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> bytes(size + 1, 0);
    if (result == ERROR_SUCCESS)
        result = RegQueryValueExA(key, entry.c_str(), nullptr, &type, bytes.data(), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
        return defaultValue;
    return std::string(reinterpret_cast<const char*>(bytes.data())); // up to the first zero byte
}

bool WriteProfileInt(const std::string& section, const std::string& entry, uint32_t value)
{
    HKEY key = OpenSectionKey(section);
    if (!key)
        return false;
    const BYTE bytes[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                           static_cast<BYTE>(value >> 24)};
    const LONG result = RegSetValueExA(key, entry.c_str(), 0, REG_DWORD, bytes, sizeof bytes);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool WriteProfileString(const std::string& section, const std::string& entry, const std::string& value)
{
    HKEY key = OpenSectionKey(section);
    if (!key)
        return false;
    const LONG result = RegSetValueExA(key, entry.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

bool DeleteProfileValue(const std::string& section, const std::string& entry)
{
    HKEY key = OpenSectionKey(section);
    if (!key)
        return false;
    const LONG result = RegDeleteValueA(key, entry.c_str());
    RegCloseKey(key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

} // namespace platform
