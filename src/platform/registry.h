// The registry, in the Win32 shape the program uses, over two hive files:
//   HKEY_CURRENT_USER   $RIPWELL_USER_HIVE, else $XDG_CONFIG_HOME/ripwell/user.reg
//                       (default ~/.config/ripwell/user.reg)
//   HKEY_LOCAL_MACHINE  $RIPWELL_MACHINE_HIVE, else /etc/ripwell/machine.reg
// A hive is REGEDIT4-style text (platform/hive.h). Key and value names are case-insensitive.
// Every change is written back at once, atomically, and only a change: opening or creating a
// key writes nothing. A hive that cannot be written (the machine hive for an ordinary user, a
// file too large to be a hive) refuses write access with ERROR_ACCESS_DENIED. Lines that cannot
// be read are kept in the file as they are, with one message on stderr.
#pragma once

#include "platform/hive.h"

#include <cstdint>
#include <string>

namespace platform {

using LONG = int32_t;
using REGSAM = uint32_t;
struct RegistryKeyHandle;
using HKEY = RegistryKeyHandle*;

extern HKEY const HKEY_CURRENT_USER;
extern HKEY const HKEY_LOCAL_MACHINE;

inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_ACCESS_DENIED = 5;
inline constexpr LONG ERROR_INVALID_HANDLE = 6;
inline constexpr LONG ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr LONG ERROR_INVALID_PARAMETER = 87;
inline constexpr LONG ERROR_MORE_DATA = 234;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* className, DWORD options, REGSAM access,
                     void* security, HKEY* result, DWORD* disposition);
// data may be null to ask for the type and size; *size is in and out (bytes).
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueA(HKEY key, const char* valueName);
LONG RegCloseKey(HKEY key);

// Installs a hive for HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE; nullptr goes back to the hive
// file of that root. The caller keeps ownership.
void SetRegistryHive(HKEY root, Hive* hive);
// The hive behind a root (the installed one or the file).
Hive& RegistryHive(HKEY root);

// Where the hive files lie.
std::string UserHivePath();
std::string MachineHivePath();

} // namespace platform
