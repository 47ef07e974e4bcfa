#include "platform/registry.h"

#include "platform/drives.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace platform {

struct RegistryKeyHandle {
    HKEY root;        // the predefined key this handle lies below
    std::string path; // below the root
    REGSAM access;
};

namespace {

RegistryKeyHandle g_currentUser{nullptr, "", KEY_ALL_ACCESS};
RegistryKeyHandle g_localMachine{nullptr, "", KEY_ALL_ACCESS};
std::atomic<Hive*> g_userHive{nullptr};
std::atomic<Hive*> g_machineHive{nullptr};
std::recursive_mutex g_mutex;

std::string Join(const std::string& base, const char* sub) { return NormaliseKeyPath(base + "\\" + (sub ? sub : "")); }

bool IsRoot(HKEY key) { return key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE; }
HKEY RootOf(HKEY key) { return IsRoot(key) ? key : key->root; }

// Where a key named below an open key lies: its root, the hive behind it, its path there.
struct KeyPlace {
    HKEY root;
    Hive& hive;
    std::string path;
};

KeyPlace Locate(HKEY key, const char* subKey)
{
    const HKEY root = RootOf(key);
    return {root, RegistryHive(root), Join(IsRoot(key) ? "" : key->path, subKey)};
}

// A handle on an existing key, for the access asked for: write access only where the hive may
// be written.
LONG NewHandle(const KeyPlace& place, REGSAM access, HKEY* result)
{
    if ((access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) && !place.hive.Writable())
        return ERROR_ACCESS_DENIED;
    auto* handle = new (std::nothrow) RegistryKeyHandle{place.root, place.path, access};
    if (!handle)
        return ERROR_NOT_ENOUGH_MEMORY;
    *result = handle;
    return ERROR_SUCCESS;
}

} // namespace

HKEY const HKEY_CURRENT_USER = &g_currentUser;
HKEY const HKEY_LOCAL_MACHINE = &g_localMachine;

std::string UserHivePath()
{
    if (const char* path = std::getenv("RIPWELL_USER_HIVE"); path && *path)
        return path;
    return UserConfigFolder() + "/user.reg";
}

std::string MachineHivePath()
{
    if (const char* path = std::getenv("RIPWELL_MACHINE_HIVE"); path && *path)
        return path;
    return "/etc/ripwell/machine.reg";
}

void SetRegistryHive(HKEY root, Hive* hive) { (root == HKEY_LOCAL_MACHINE ? g_machineHive : g_userHive) = hive; }

Hive& RegistryHive(HKEY root)
{
    const bool machine = root == HKEY_LOCAL_MACHINE;
    if (Hive* installed = machine ? g_machineHive.load() : g_userHive.load())
        return *installed;
    // One hive object per file, so that a changed path (tests) gets its own.
    static std::map<std::string, std::unique_ptr<Hive>> files;
    const std::string path = machine ? MachineHivePath() : UserHivePath();
    std::unique_ptr<Hive>& hive = files[(machine ? "M" : "U") + path];
    if (!hive)
        hive = std::make_unique<Hive>(machine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER", path);
    return *hive;
}

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD, REGSAM access, HKEY* result)
{
    std::lock_guard lock(g_mutex);
    if (!key || !result)
        return ERROR_INVALID_PARAMETER;
    const KeyPlace place = Locate(key, subKey);
    if (!place.hive.HasKey(place.path))
        return ERROR_FILE_NOT_FOUND;
    return NewHandle(place, access, result);
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD, char*, DWORD, REGSAM access, void*, HKEY* result,
                     DWORD* disposition)
{
    std::lock_guard lock(g_mutex);
    if (!key || !result)
        return ERROR_INVALID_PARAMETER;
    const KeyPlace place = Locate(key, subKey);
    bool created = false;
    if (((access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) && !place.hive.Writable()) ||
        !place.hive.CreateKey(place.path, &created))
        return ERROR_ACCESS_DENIED;
    const LONG error = NewHandle(place, access, result);
    if (error == ERROR_SUCCESS && disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return error;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* size)
{
    std::lock_guard lock(g_mutex);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    const Hive::Value* value =
        RegistryHive(RootOf(key)).FindValue(IsRoot(key) ? "" : key->path, valueName ? valueName : "");
    if (!value)
        return ERROR_FILE_NOT_FOUND;
    if (type)
        *type = value->type;
    const DWORD needed = static_cast<DWORD>(value->data.size());
    if (!size)
        return ERROR_SUCCESS;
    if (data && *size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (data)
        std::copy(value->data.begin(), value->data.end(), data);
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD, DWORD type, const BYTE* data, DWORD size)
{
    std::lock_guard lock(g_mutex);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!IsRoot(key) && !(key->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    if (size && !data)
        return ERROR_INVALID_PARAMETER;
    std::vector<BYTE> bytes(data, data + size);
    if (!RegistryHive(RootOf(key))
             .SetValue(IsRoot(key) ? "" : key->path, valueName ? valueName : "", type, std::move(bytes)))
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

LONG RegDeleteValueA(HKEY key, const char* valueName)
{
    std::lock_guard lock(g_mutex);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!IsRoot(key) && !(key->access & KEY_SET_VALUE))
        return ERROR_ACCESS_DENIED;
    Hive& hive = RegistryHive(RootOf(key));
    const std::string path = IsRoot(key) ? "" : key->path;
    const std::string name = valueName ? valueName : "";
    if (!hive.FindValue(path, name))
        return ERROR_FILE_NOT_FOUND;
    return hive.DeleteValue(path, name) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

LONG RegCloseKey(HKEY key)
{
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (!IsRoot(key))
        delete key;
    return ERROR_SUCCESS;
}

} // namespace platform
