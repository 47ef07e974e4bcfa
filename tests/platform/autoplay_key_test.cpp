#include "platform/autoplay_key.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/external_apps.h"
#include "support/fresh_process.h"
#include "support/scoped_environment.h"
#include "support/scripted_autoplay_key.h"
#include "support/temp_dir.h"

using namespace platform;

namespace {

using List = std::vector<std::string>;
const char* const kStart = "autorun-x-content-start-app";
const char* const kIgnore = "autorun-x-content-ignore";

bool SchemaInstalled()
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.media-handling", TRUE) : nullptr;
    if (schema)
        g_settings_schema_unref(schema);
    return schema != nullptr;
}

// The desktop's media handling as another program sees it; every key back at its default
// before and after the test.
class MediaHandling {
public:
    MediaHandling() : m_settings(g_settings_new("org.gnome.desktop.media-handling")) { Reset(); }
    ~MediaHandling()
    {
        Reset();
        g_object_unref(m_settings);
    }
    List Get(const char* key) const
    {
        List list;
        gchar** values = g_settings_get_strv(m_settings, key);
        for (gchar** value = values; *value; ++value)
            list.emplace_back(*value);
        g_strfreev(values);
        return list;
    }
    void Set(const char* key, const List& list)
    {
        std::vector<const gchar*> values;
        for (const std::string& value : list)
            values.push_back(value.c_str());
        values.push_back(nullptr);
        g_settings_set_strv(m_settings, key, values.data());
    }
    void SetNever(bool never) { g_settings_set_boolean(m_settings, "autorun-never", never); }

private:
    void Reset()
    {
        for (const char* key : {kStart, kIgnore, "autorun-never"})
            g_settings_reset(m_settings, key);
    }
    GSettings* m_settings;
};

std::string ValueOf(const AutoPlayKey& key)
{
    BYTE text[80] = {};
    DWORD size = sizeof text;
    DWORD type = REG_NONE;
    const LONG result = key.QueryValue("", &type, text, &size);
    if (result != ERROR_SUCCESS)
        return "error " + std::to_string(result);
    return std::string(reinterpret_cast<const char*>(text));
}

LONG Write(const AutoPlayKey& key, const std::string& text)
{
    return key.SetValue(nullptr, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), DWORD(text.size() + 1));
}

AutoPlayKey OpenShellKey(REGSAM access = KEY_READ | KEY_WRITE)
{
    AutoPlayKey key;
    EXPECT_EQ(AutoPlayKey::LocalMachine().Open(AUTOPLAY_KEY_PATH, access, &key), ERROR_SUCCESS);
    return key;
}

} // namespace

TEST(DesktopMediaHandling, PlayMeansAudioCdsStartTheirApplicationAndWritesTouchOnlyThatEntry)
{
    if (!SchemaInstalled())
        GTEST_SKIP() << "org.gnome.desktop.media-handling is not installed (gsettings-desktop-schemas)";
    MediaHandling desktop;
    const List defaultStart = desktop.Get(kStart);
    desktop.Set(kIgnore, {"x-content/video-dvd", "x-content/audio-cdda"});
    AutoPlayKey key = OpenShellKey();
    EXPECT_EQ(ValueOf(key), "");

    // "play" moves audio CDs from the ignore list to the start list, behind what was there.
    EXPECT_EQ(Write(key, "play"), ERROR_SUCCESS);
    List withAudioCd = defaultStart;
    withAudioCd.push_back("x-content/audio-cdda");
    EXPECT_EQ(desktop.Get(kStart), withAudioCd);
    EXPECT_EQ(desktop.Get(kIgnore), List{"x-content/video-dvd"});
    EXPECT_EQ(ValueOf(key), "play");

    // Anything else moves it back; "Play" is not "play".
    EXPECT_EQ(Write(key, "Play"), ERROR_SUCCESS);
    EXPECT_EQ(desktop.Get(kStart), defaultStart);
    EXPECT_EQ(desktop.Get(kIgnore), (List{"x-content/video-dvd", "x-content/audio-cdda"}));
    EXPECT_EQ(ValueOf(key), "");

    // In both lists, ignoring wins; with autorun-never nothing starts, and "play" is refused
    // rather than switching on every kind of medium.
    desktop.Set(kStart, {"x-content/audio-cdda"});
    EXPECT_EQ(ValueOf(key), "");
    desktop.Set(kIgnore, {});
    EXPECT_EQ(ValueOf(key), "play");
    desktop.SetNever(true);
    EXPECT_EQ(ValueOf(key), "");
    EXPECT_EQ(Write(key, "play"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(desktop.Get(kStart), List{"x-content/audio-cdda"});
    EXPECT_EQ(Write(key, ""), ERROR_SUCCESS);
    EXPECT_EQ(desktop.Get(kStart), List{});
    EXPECT_EQ(desktop.Get(kIgnore), List{"x-content/audio-cdda"});
}

TEST(DesktopMediaHandling, WithoutTheSchemaTheKeyCannotBeOpened)
{
    TempDir empty;
    ScopedEnvironment dataDirs("XDG_DATA_DIRS", empty.path().c_str());
    ScopedEnvironment dataHome("XDG_DATA_HOME", empty.path().c_str());
    ScopedEnvironment schemaDir("GSETTINGS_SCHEMA_DIR", nullptr);
    RunInFreshProcess([] {
        DesktopMediaHandling desktop;
        EXPECT_EQ(desktop.OpenKey("SOFTWARE", KEY_READ), ERROR_FILE_NOT_FOUND);
        std::string text = "unchanged";
        EXPECT_EQ(desktop.QueryDefaultValue(&text), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(desktop.SetDefaultValue("play"), ERROR_FILE_NOT_FOUND);
        AutoPlayKey key;
        bool disabled = true;
        EXPECT_FALSE(ReadAutoPlayState(&key, &disabled));
        EXPECT_FALSE(disabled);
    });
}

TEST(DesktopMediaHandling, AKeyfileBackendKeepsTheSwitchInItsFile)
{
    if (!SchemaInstalled())
        GTEST_SKIP() << "org.gnome.desktop.media-handling is not installed (gsettings-desktop-schemas)";
    TempDir config;
    ScopedEnvironment backend("GSETTINGS_BACKEND", "keyfile");
    ScopedEnvironment configHome("XDG_CONFIG_HOME", config.path().c_str());
    const std::string file = config.file("glib-2.0/settings/keyfile");
    RunInFreshProcess([&] {
        std::string expected = "autorun-x-content-start-app=[";
        for (const std::string& entry : MediaHandling().Get(kStart))
            expected += "'" + entry + "', ";
        expected += "'x-content/audio-cdda']";
        AutoPlayKey key = OpenShellKey();
        ASSERT_EQ(Write(key, "play"), ERROR_SUCCESS);
        std::stringstream text;
        text << std::ifstream(file).rdbuf();
        EXPECT_NE(text.str().find("[org/gnome/desktop/media-handling]"), std::string::npos) << text.str();
        EXPECT_NE(text.str().find(expected), std::string::npos) << text.str();
    });
}

TEST(AutoPlayKey, OpensValuesAndSizesFollowTheRegistry)
{
    ScriptedAutoPlayKey store;
    store.value = "play";
    AutoPlayKey root = AutoPlayKey::LocalMachine();
    AutoPlayKey key;
    // Names are compared without regard to case; a path off the way is not there.
    EXPECT_EQ(root.Open("software\\CLASSES\\audiocd\\Shell", KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(key.Path(), "software\\CLASSES\\audiocd\\Shell");
    AutoPlayKey other;
    EXPECT_EQ(root.Open("SOFTWARE\\Classes\\WaveFile", KEY_READ, &other), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(root.Open("SOFTWARE\\Classes\\AudioCD\\shell\\play", KEY_READ, &other), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(other.IsOpen());

    // The size with the terminating zero; a small buffer gets ERROR_MORE_DATA and the size.
    DWORD type = REG_NONE;
    DWORD size = 0;
    EXPECT_EQ(key.QueryValue("", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(type, REG_SZ);
    BYTE small[4] = {};
    size = sizeof small;
    EXPECT_EQ(key.QueryValue(nullptr, nullptr, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(key.QueryValue("Other", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    AutoPlayKey classes;
    ASSERT_EQ(root.Open("SOFTWARE\\Classes", KEY_READ, &classes), ERROR_SUCCESS);
    EXPECT_EQ(classes.QueryValue("", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);

    // Writing needs write access and a string.
    EXPECT_EQ(Write(key, "play"), ERROR_ACCESS_DENIED);
    AutoPlayKey writable;
    ASSERT_EQ(classes.Open("AudioCD\\shell", KEY_READ | KEY_WRITE, &writable), ERROR_SUCCESS);
    const DWORD number = 1;
    EXPECT_EQ(writable.SetValue("", REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Write(writable, ""), ERROR_SUCCESS);
    EXPECT_EQ(store.writes, std::vector<std::string>{""});
}
