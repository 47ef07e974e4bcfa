#include "platform/registry.h"

#include "platform/atomic_file.h"
#include "platform/drives.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <new>
#include <sstream>

namespace platform {

struct RegistryKeyHandle {
    HKEY root;             // the predefined key this handle lies below
    std::string path;      // below the root
    REGSAM access;
};

namespace {

RegistryKeyHandle g_currentUser{nullptr, "", KEY_ALL_ACCESS};
RegistryKeyHandle g_localMachine{nullptr, "", KEY_ALL_ACCESS};
std::atomic<Hive*> g_userHive{nullptr};
std::atomic<Hive*> g_machineHive{nullptr};
std::recursive_mutex g_mutex;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool SameName(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

// "a\\b\\" -> "a\\b"; empty parts are dropped.
std::string NormalisePath(const std::string& path)
{
    std::string result, part;
    std::stringstream stream(path);
    while (std::getline(stream, part, '\\'))
        if (!part.empty())
            result += (result.empty() ? "" : "\\") + part;
    return result;
}

std::string Join(const std::string& base, const char* sub)
{
    return NormalisePath(base + "\\" + (sub ? sub : ""));
}

bool IsRoot(HKEY key) { return key == HKEY_CURRENT_USER || key == HKEY_LOCAL_MACHINE; }
HKEY RootOf(HKEY key) { return IsRoot(key) ? key : key->root; }

std::string FileStamp(const std::string& path)
{
    struct stat info {};
    if (stat(path.c_str(), &info) != 0)
        return "missing";
    return std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec) + "/" +
           std::to_string(info.st_size) + "/" + std::to_string(info.st_ino);
}

bool CanWritePath(const std::string& path)
{
    std::filesystem::path probe(path);
    std::error_code error;
    if (std::filesystem::exists(probe, error))
        return access(probe.c_str(), W_OK) == 0;
    // A file that does not exist yet can be made when its nearest existing folder is writable.
    for (probe = probe.parent_path(); !probe.empty(); probe = probe.parent_path())
        if (std::filesystem::exists(probe, error))
            return std::filesystem::is_directory(probe, error) && access(probe.c_str(), W_OK) == 0;
    return false;
}

std::string EscapeString(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c;
        }
    }
    return out;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(const std::string& text, size_t& pos, std::string& out)
{
    if (pos >= text.size() || text[pos] != '"')
        return false;
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\') {
            if (++pos >= text.size())
                return false;
            c = text[pos];
            c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
        }
        out += c;
    }
    return false;
}

bool ParseHexBytes(const std::string& text, std::vector<BYTE>& bytes)
{
    bytes.clear();
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) {
        const auto first = item.find_first_not_of(" \t");
        if (first == std::string::npos)
            continue;
        item = item.substr(first, item.find_last_not_of(" \t") - first + 1);
        if (item.empty() || item.size() > 2 || !std::all_of(item.begin(), item.end(), ::isxdigit))
            return false;
        bytes.push_back(static_cast<BYTE>(std::strtoul(item.c_str(), nullptr, 16)));
    }
    return true;
}

// The data part of a value line: "text", dword:XXXXXXXX, hex:.., hex(N):..
bool ParseData(const std::string& text, DWORD& type, std::vector<BYTE>& data)
{
    if (!text.empty() && text[0] == '"') {
        size_t pos = 0;
        std::string value;
        if (!ParseQuoted(text, pos, value) || text.find_first_not_of(" \t", pos) != std::string::npos)
            return false;
        type = REG_SZ;
        data.assign(value.begin(), value.end());
        data.push_back(0);
        return true;
    }
    if (text.rfind("dword:", 0) == 0) {
        const std::string digits = text.substr(6);
        if (digits.empty() || digits.size() > 8 || !std::all_of(digits.begin(), digits.end(), ::isxdigit))
            return false;
        const uint32_t value = static_cast<uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
        type = REG_DWORD;
        data = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                static_cast<BYTE>(value >> 24)};
        return true;
    }
    if (text.rfind("hex:", 0) == 0) {
        type = REG_BINARY;
        return ParseHexBytes(text.substr(4), data);
    }
    if (text.rfind("hex(", 0) == 0) {
        const auto close = text.find("):");
        if (close == std::string::npos || close == 4)
            return false;
        const std::string number = text.substr(4, close - 4);
        if (!std::all_of(number.begin(), number.end(), ::isxdigit) || number.size() > 8)
            return false;
        type = static_cast<DWORD>(std::strtoul(number.c_str(), nullptr, 16));
        return ParseHexBytes(text.substr(close + 2), data);
    }
    return false;
}

std::string FormatData(const Hive::Value& value)
{
    char buffer[16];
    if (value.type == REG_DWORD && value.data.size() == 4) {
        const uint32_t v = value.data[0] | value.data[1] << 8 | value.data[2] << 16 | uint32_t{value.data[3]} << 24;
        std::snprintf(buffer, sizeof buffer, "dword:%08x", static_cast<unsigned>(v));
        return buffer;
    }
    const bool terminated = !value.data.empty() && value.data.back() == 0;
    const bool inner0 = terminated && std::find(value.data.begin(), value.data.end() - 1, 0) != value.data.end() - 1;
    if (value.type == REG_SZ && terminated && !inner0)
        return "\"" + EscapeString(std::string(value.data.begin(), value.data.end() - 1)) + "\"";
    std::string out;
    if (value.type == REG_BINARY) {
        out = "hex:";
    } else {
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
        out = buffer;
    }
    for (size_t i = 0; i < value.data.size(); ++i) {
        std::snprintf(buffer, sizeof buffer, "%s%02x", i ? "," : "", value.data[i]);
        out += buffer;
    }
    return out;
}

} // namespace

HKEY const HKEY_CURRENT_USER = &g_currentUser;
HKEY const HKEY_LOCAL_MACHINE = &g_localMachine;

Hive::Hive(std::string rootName, std::string filePath)
    : m_rootName(std::move(rootName)), m_filePath(std::move(filePath))
{
}

void Hive::Refresh()
{
    if (m_filePath.empty())
        return;
    const std::string stamp = FileStamp(m_filePath);
    if (m_loaded && stamp == m_loadedStamp)
        return;
    m_keys.clear();
    m_loaded = true;
    m_loadedStamp = stamp;
    std::ifstream in(m_filePath, std::ios::binary);
    if (!in)
        return;
    std::stringstream text;
    text << in.rdbuf();
    if (const int bad = LoadText(text.str()))
        std::fprintf(stderr, "Ripwell: %s: skipped %d line(s) that could not be read\n", m_filePath.c_str(), bad);
}

int Hive::LoadText(const std::string& text)
{
    std::stringstream stream(text);
    std::string line;
    Key* current = nullptr;
    int bad = 0;
    bool first = true;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const bool header = first && (line == "REGEDIT4" || line.rfind("Windows Registry Editor", 0) == 0);
        first = false;
        if (header || line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            current = nullptr;
            const std::string prefix = m_rootName;
            if (line.back() != ']' || line.size() < prefix.size() + 2 ||
                !SameName(line.substr(1, prefix.size()), prefix) ||
                (line.size() > prefix.size() + 2 && line[prefix.size() + 1] != '\\')) {
                ++bad;
                continue;
            }
            const std::string path = NormalisePath(line.substr(prefix.size() + 1, line.size() - prefix.size() - 2));
            Key& key = m_keys[Lower(path)];
            if (key.path.empty())
                key.path = path;
            current = &key;
            continue;
        }
        std::string name;
        size_t pos = 0;
        if (line[0] == '@') {
            pos = 1;
        } else if (!ParseQuoted(line, pos, name)) {
            ++bad;
            continue;
        }
        DWORD type = REG_NONE;
        std::vector<BYTE> data;
        if (!current || pos >= line.size() || line[pos] != '=' || !ParseData(line.substr(pos + 1), type, data)) {
            ++bad;
            continue;
        }
        auto found = std::find_if(current->values.begin(), current->values.end(),
                                  [&](const Value& v) { return SameName(v.name, name); });
        if (found != current->values.end())
            *found = {found->name, type, std::move(data)};
        else
            current->values.push_back({name, type, std::move(data)});
    }
    return bad;
}

std::string Hive::ToText()
{
    std::string text = "REGEDIT4\n";
    for (const auto& [lower, key] : m_keys) {
        text += "\n[" + m_rootName + (key.path.empty() ? "" : "\\" + key.path) + "]\n";
        for (const Value& value : key.values)
            text += (value.name.empty() ? "@" : "\"" + EscapeString(value.name) + "\"") + "=" + FormatData(value) + "\n";
    }
    return text;
}

bool Hive::Writable() const
{
    if (m_readOnly)
        return false;
    return m_filePath.empty() || CanWritePath(m_filePath);
}

bool Hive::Save()
{
    if (m_filePath.empty())
        return !m_readOnly;
    std::error_code error;
    const auto folder = std::filesystem::path(m_filePath).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, error);
    if (!WriteFileAtomically(m_filePath, ToText()))
        return false;
    m_loadedStamp = FileStamp(m_filePath);
    return true;
}

Hive::Key* Hive::Find(const std::string& path)
{
    Refresh();
    auto found = m_keys.find(Lower(NormalisePath(path)));
    return found == m_keys.end() ? nullptr : &found->second;
}

bool Hive::HasKey(const std::string& path) { return NormalisePath(path).empty() || Find(path) != nullptr; }

bool Hive::CreateKey(const std::string& path, bool* created)
{
    const std::string normal = NormalisePath(path);
    if (created)
        *created = false;
    if (HasKey(normal))
        return true;
    if (!Writable())
        return false;
    // Every key above it comes into being too.
    std::string partial;
    std::stringstream stream(normal);
    std::string part;
    while (std::getline(stream, part, '\\')) {
        partial += (partial.empty() ? "" : "\\") + part;
        Key& key = m_keys[Lower(partial)];
        if (key.path.empty())
            key.path = partial;
    }
    if (created)
        *created = true;
    return Save();
}

const Hive::Value* Hive::FindValue(const std::string& path, const std::string& name)
{
    Key* key = Find(path);
    if (!key)
        return nullptr;
    for (const Value& value : key->values)
        if (SameName(value.name, name))
            return &value;
    return nullptr;
}

bool Hive::SetValue(const std::string& path, const std::string& name, DWORD type, std::vector<BYTE> data)
{
    if (!Writable())
        return false;
    Key* key = Find(path);
    if (!key)
        return false;
    m_writeLog.push_back(key->path + "\\" + name);
    auto found = std::find_if(key->values.begin(), key->values.end(), [&](const Value& v) { return SameName(v.name, name); });
    if (found != key->values.end()) {
        found->type = type;
        found->data = std::move(data);
    } else {
        key->values.push_back({name, type, std::move(data)});
    }
    return Save();
}

bool Hive::DeleteValue(const std::string& path, const std::string& name)
{
    Key* key = Find(path);
    if (!key || !Writable())
        return false;
    const auto found = std::find_if(key->values.begin(), key->values.end(), [&](const Value& v) { return SameName(v.name, name); });
    if (found == key->values.end())
        return false;
    key->values.erase(found);
    return Save();
}

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

void SetRegistryHive(HKEY root, Hive* hive)
{
    (root == HKEY_LOCAL_MACHINE ? g_machineHive : g_userHive) = hive;
}

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
    const HKEY root = RootOf(key);
    Hive& hive = RegistryHive(root);
    const std::string path = Join(IsRoot(key) ? "" : key->path, subKey);
    if (!hive.HasKey(path))
        return ERROR_FILE_NOT_FOUND;
    if ((access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) && !hive.Writable())
        return ERROR_ACCESS_DENIED;
    auto* handle = new (std::nothrow) RegistryKeyHandle{root, path, access};
    if (!handle)
        return ERROR_NOT_ENOUGH_MEMORY;
    *result = handle;
    return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD, char*, DWORD, REGSAM access, void*, HKEY* result,
                     DWORD* disposition)
{
    std::lock_guard lock(g_mutex);
    if (!key || !result)
        return ERROR_INVALID_PARAMETER;
    const HKEY root = RootOf(key);
    Hive& hive = RegistryHive(root);
    const std::string path = Join(IsRoot(key) ? "" : key->path, subKey);
    if ((access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) && !hive.Writable())
        return ERROR_ACCESS_DENIED;
    bool created = false;
    if (!hive.CreateKey(path, &created))
        return ERROR_ACCESS_DENIED;
    auto* handle = new (std::nothrow) RegistryKeyHandle{root, path, access};
    if (!handle)
        return ERROR_NOT_ENOUGH_MEMORY;
    *result = handle;
    if (disposition)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD*, DWORD* type, BYTE* data, DWORD* size)
{
    std::lock_guard lock(g_mutex);
    if (!key)
        return ERROR_INVALID_HANDLE;
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    const Hive::Value* value = RegistryHive(RootOf(key)).FindValue(IsRoot(key) ? "" : key->path, valueName ? valueName : "");
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
    if (!RegistryHive(RootOf(key)).SetValue(IsRoot(key) ? "" : key->path, valueName ? valueName : "", type, std::move(bytes)))
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
