// The registry, in the Win32 shape the program uses, over two hive files:
//   HKEY_CURRENT_USER   $RIPWELL_USER_HIVE, else $XDG_CONFIG_HOME/ripwell/user.reg
//                       (default ~/.config/ripwell/user.reg)
//   HKEY_LOCAL_MACHINE  $RIPWELL_MACHINE_HIVE, else /etc/ripwell/machine.reg
// A hive is REGEDIT4-style text:
//   [HKEY_CURRENT_USER\Software\Brightmoor\Ripwell\Settings]
//   "DefaultCDROMDrive"=dword:00000044
//   "CDPlayer"="CDPLAYER.EXE"          (\\ and \" escaped; \n, \r, \t too)
//   @="play"                           (the key's default value)
//   "Other"=hex(7):61,00               (any other type, as bytes)
// Key and value names are case-insensitive. Every change is written back at once, atomically.
// A hive that cannot be written (the machine hive for an ordinary user) refuses write access
// with ERROR_ACCESS_DENIED. Lines that cannot be read are skipped with a message on stderr.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace platform {

using DWORD = uint32_t;
using LONG = int32_t;
using BYTE = uint8_t;
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

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

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
LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* className, DWORD options,
                     REGSAM access, void* security, HKEY* result, DWORD* disposition);
// data may be null to ask for the type and size; *size is in and out (bytes).
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueA(HKEY key, const char* valueName);
LONG RegCloseKey(HKEY key);

// One hive: a tree of keys with typed values. With a file it loads from it and writes every
// change back; without one it lives in memory only (the test double).
class Hive {
public:
    struct Value {
        std::string name;
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
    };
    struct Key {
        std::string path;              // as first written, below the root
        std::vector<Value> values;     // in the order they were first set
    };

    // rootName: "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"; filePath empty: memory only.
    Hive(std::string rootName, std::string filePath);

    const std::string& RootName() const { return m_rootName; }
    const std::string& FilePath() const { return m_filePath; }

    // Paths are below the root, with backslashes ("Software\\Brightmoor"); case-insensitive.
    bool HasKey(const std::string& path);
    // Creates the key and every key above it; false when the change cannot be saved.
    bool CreateKey(const std::string& path, bool* created = nullptr);
    const Value* FindValue(const std::string& path, const std::string& name);
    bool SetValue(const std::string& path, const std::string& name, DWORD type, std::vector<BYTE> data);
    // False when there is no such value or the change cannot be saved.
    bool DeleteValue(const std::string& path, const std::string& name);
    // Whether changes can be made (and saved).
    bool Writable() const;

    // Memory only: refuse every change, as a hive the user may not write.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Every value write, as "key path\name", in order.
    const std::vector<std::string>& WriteLog() const { return m_writeLog; }

    // The hive as text, and reading text into it (bad lines are skipped and counted).
    std::string ToText();
    int LoadText(const std::string& text);

private:
    void Refresh();
    bool Save();
    Key* Find(const std::string& path);

    std::string m_rootName;
    std::string m_filePath;
    bool m_readOnly = false;
    std::map<std::string, Key> m_keys;   // by lower-case path
    std::vector<std::string> m_writeLog;
    std::string m_loadedStamp;           // file state when last loaded or saved
    bool m_loaded = false;
};

// Installs a hive for HKEY_CURRENT_USER or HKEY_LOCAL_MACHINE; nullptr goes back to the hive
// file of that root. The caller keeps ownership.
void SetRegistryHive(HKEY root, Hive* hive);
// The hive behind a root (the installed one or the file).
Hive& RegistryHive(HKEY root);

// Where the hive files lie.
std::string UserHivePath();
std::string MachineHivePath();

} // namespace platform
