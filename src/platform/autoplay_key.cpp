#include "platform/autoplay_key.h"

#include <gio/gio.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace platform {
namespace {

std::atomic<AutoPlayKeyStore*> g_store{nullptr};

constexpr const char* kKeyLevels[] = {"SOFTWARE", "Classes", "AudioCD", "shell"};
constexpr int kFullKeyLevel = 4;

constexpr const char* kMediaHandlingSchema = "org.gnome.desktop.media-handling";
constexpr const char* kStartAppList = "autorun-x-content-start-app";
constexpr const char* kIgnoreList = "autorun-x-content-ignore";
constexpr const char* kNeverKey = "autorun-never";
constexpr const char* kAudioCdContentType = "x-content/audio-cdda";
constexpr const char* kPlayValue = "play";

AutoPlayKeyStore& Store()
{
    static DesktopMediaHandling desktop;
    AutoPlayKeyStore* store = g_store;
    return store ? *store : desktop;
}

std::vector<std::string> SplitPath(const std::string& path)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find('\\', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

struct GObjectDeleter {
    void operator()(void* object) const { g_object_unref(object); }
};
using SettingsPointer = std::unique_ptr<GSettings, GObjectDeleter>;

// The media-handling settings, or null when the schema (with the three keys used here) is not
// installed. Looked up first: GSettings ends the program when asked for a missing schema.
SettingsPointer OpenMediaHandling()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return nullptr;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, kMediaHandlingSchema, TRUE);
    if (!schema)
        return nullptr;
    SettingsPointer settings;
    if (g_settings_schema_has_key(schema, kStartAppList) && g_settings_schema_has_key(schema, kIgnoreList) &&
        g_settings_schema_has_key(schema, kNeverKey))
        settings.reset(g_settings_new_full(schema, nullptr, nullptr));
    g_settings_schema_unref(schema);
    return settings;
}

std::vector<std::string> ReadList(GSettings* settings, const char* key)
{
    std::vector<std::string> list;
    gchar** values = g_settings_get_strv(settings, key);
    for (gchar** value = values; value && *value; ++value)
        list.emplace_back(*value);
    g_strfreev(values);
    return list;
}

bool WriteList(GSettings* settings, const char* key, const std::vector<std::string>& list)
{
    std::vector<const gchar*> values;
    for (const std::string& value : list)
        values.push_back(value.c_str());
    values.push_back(nullptr);
    return g_settings_set_strv(settings, key, values.data());
}

bool Contains(const std::vector<std::string>& list, const char* value)
{
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The list with value in it (appended when missing) or without it; the other entries stay
// in their order.
std::vector<std::string> WithEntry(std::vector<std::string> list, const char* value, bool present)
{
    if (present && Contains(list, value))
        return list;
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
    if (present)
        list.emplace_back(value);
    return list;
}

} // namespace

void SetAutoPlayKeyStore(AutoPlayKeyStore* store) { g_store = store; }

int AutoPlayKeyLevel(const std::string& path)
{
    const std::vector<std::string> parts = SplitPath(path);
    if (parts.size() > std::size(kKeyLevels))
        return -1;
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (g_ascii_strcasecmp(parts[i].c_str(), kKeyLevels[i]) != 0)
            return -1;
    return static_cast<int>(parts.size());
}

AutoPlayKey::AutoPlayKey(AutoPlayKey&& other) noexcept
    : m_path(std::move(other.m_path)),
      m_access(other.m_access),
      m_open(other.m_open)
{
    other.m_open = false;
}

AutoPlayKey& AutoPlayKey::operator=(AutoPlayKey&& other) noexcept
{
    if (this != &other) {
        Close();
        m_path = std::move(other.m_path);
        m_access = other.m_access;
        m_open = other.m_open;
        other.m_open = false;
    }
    return *this;
}

AutoPlayKey AutoPlayKey::LocalMachine() { return AutoPlayKey(std::string(), KEY_ALL_ACCESS); }

LONG AutoPlayKey::Open(const char* subKey, REGSAM access, AutoPlayKey* result) const
{
    if (!m_open)
        return ERROR_INVALID_HANDLE;
    if (!result)
        return ERROR_INVALID_PARAMETER;
    std::string path = m_path;
    if (subKey && *subKey)
        path = path.empty() ? std::string(subKey) : path + "\\" + subKey;
    const int level = AutoPlayKeyLevel(path);
    if (level < 0)
        return ERROR_FILE_NOT_FOUND;
    if (level > 0)
        if (const LONG opened = Store().OpenKey(path, access); opened != ERROR_SUCCESS)
            return opened;
    *result = AutoPlayKey(path, access);
    return ERROR_SUCCESS;
}

LONG AutoPlayKey::QueryValue(const char* valueName, DWORD* type, BYTE* data, DWORD* size) const
{
    if (!m_open)
        return ERROR_INVALID_HANDLE;
    if ((valueName && *valueName) || AutoPlayKeyLevel(m_path) != kFullKeyLevel)
        return ERROR_FILE_NOT_FOUND;
    if ((m_access & KEY_QUERY_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    if (data && !size)
        return ERROR_INVALID_PARAMETER;
    std::string text;
    if (const LONG read = Store().QueryDefaultValue(&text); read != ERROR_SUCCESS)
        return read;
    if (type)
        *type = REG_SZ;
    const auto needed = static_cast<DWORD>(text.size() + 1);
    if (!size)
        return ERROR_SUCCESS;
    const DWORD available = *size;
    *size = needed;
    if (!data)
        return ERROR_SUCCESS;
    if (available < needed)
        return ERROR_MORE_DATA;
    std::memcpy(data, text.c_str(), needed);
    return ERROR_SUCCESS;
}

LONG AutoPlayKey::SetValue(const char* valueName, DWORD type, const BYTE* data, DWORD size) const
{
    if (!m_open)
        return ERROR_INVALID_HANDLE;
    if ((m_access & KEY_SET_VALUE) == 0)
        return ERROR_ACCESS_DENIED;
    // The switch has its default value and nothing else to hold.
    if ((valueName && *valueName) || type != REG_SZ || (size > 0 && !data))
        return ERROR_INVALID_PARAMETER;
    if (AutoPlayKeyLevel(m_path) != kFullKeyLevel)
        return ERROR_ACCESS_DENIED;
    const auto* bytes = reinterpret_cast<const char*>(data);
    const std::size_t length = size > 0 ? strnlen(bytes, size) : 0;
    return Store().SetDefaultValue(std::string(bytes ? bytes : "", length));
}

void AutoPlayKey::Close()
{
    m_open = false;
    m_path.clear();
    m_access = 0;
}

LONG DesktopMediaHandling::OpenKey(const std::string&, REGSAM access)
{
    const SettingsPointer settings = OpenMediaHandling();
    if (!settings)
        return ERROR_FILE_NOT_FOUND;
    if ((access & KEY_SET_VALUE) != 0 &&
        !(g_settings_is_writable(settings.get(), kStartAppList) && g_settings_is_writable(settings.get(), kIgnoreList)))
        return ERROR_ACCESS_DENIED;
    return ERROR_SUCCESS;
}

LONG DesktopMediaHandling::QueryDefaultValue(std::string* text)
{
    const SettingsPointer settings = OpenMediaHandling();
    if (!settings)
        return ERROR_FILE_NOT_FOUND;
    const bool starts = !g_settings_get_boolean(settings.get(), kNeverKey) &&
        Contains(ReadList(settings.get(), kStartAppList), kAudioCdContentType) &&
        !Contains(ReadList(settings.get(), kIgnoreList), kAudioCdContentType);
    *text = starts ? kPlayValue : "";
    return ERROR_SUCCESS;
}

LONG DesktopMediaHandling::SetDefaultValue(const std::string& text)
{
    const SettingsPointer settings = OpenMediaHandling();
    if (!settings)
        return ERROR_FILE_NOT_FOUND;
    const bool start = text == kPlayValue;
    if (start && g_settings_get_boolean(settings.get(), kNeverKey))
        return ERROR_ACCESS_DENIED;
    const std::vector<std::string> startList = ReadList(settings.get(), kStartAppList);
    const std::vector<std::string> ignoreList = ReadList(settings.get(), kIgnoreList);
    const std::vector<std::string> newStartList = WithEntry(startList, kAudioCdContentType, start);
    const std::vector<std::string> newIgnoreList = WithEntry(ignoreList, kAudioCdContentType, !start);
    if (newStartList == startList && newIgnoreList == ignoreList)
        return ERROR_SUCCESS;
    // Both lists change together or not at all.
    g_settings_delay(settings.get());
    const bool written = (newStartList == startList || WriteList(settings.get(), kStartAppList, newStartList)) &&
        (newIgnoreList == ignoreList || WriteList(settings.get(), kIgnoreList, newIgnoreList));
    if (!written) {
        g_settings_revert(settings.get());
        return ERROR_ACCESS_DENIED;
    }
    g_settings_apply(settings.get());
    g_settings_sync();
    return ERROR_SUCCESS;
}

} // namespace platform
