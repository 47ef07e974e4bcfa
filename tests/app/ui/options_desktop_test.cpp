// GLib's headers come before Qt's: Qt's "signals" keyword is a field name in GIO's.
#include <gio/gio.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QStringList>

#include <gtest/gtest.h>

#include "app/ui/options_command.h"
#include "base/app_settings.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/scripted_drive_table.h"
#include "support/ui/dialog_script.h"

namespace {

bool Checked(QWidget* dialog, int id) { return GetDlgControl<QCheckBox>(dialog, id)->isChecked(); }
void Click(QWidget* dialog, int id) { GetDlgControl<QAbstractButton>(dialog, id)->click(); }

} // namespace

TEST(OptionsOnTheDesktop, DisableAutoPlayMovesOnlyTheAudioCdEntryOfTheMediaHandling)
{
    // The memory backend of the test's GSettings, never the user's.
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.desktop.media-handling", TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "org.gnome.desktop.media-handling is not installed (gsettings-desktop-schemas)";
    g_settings_schema_unref(schema);
    GSettings* media = g_settings_new("org.gnome.desktop.media-handling");
    const gchar* start[] = {"x-content/unix-software", "x-content/audio-cdda", "x-content/image-dcf", nullptr};
    const gchar* ignore[] = {"x-content/video-dvd", nullptr};
    g_settings_set_strv(media, "autorun-x-content-start-app", start);
    g_settings_set_strv(media, "autorun-x-content-ignore", ignore);
    auto list = [media](const char* key) {
        gchar** values = g_settings_get_strv(media, key);
        QStringList texts;
        for (gchar** value = values; *value; ++value)
            texts << QString::fromUtf8(*value);
        g_strfreev(values);
        return texts;
    };
    ScriptedDriveTable drives{ScriptedDriveTable::WithCdroms("D")};
    AppSettings settings;
    bool startedUnchecked = false;
    DialogScript check({[&](QWidget* dialog) {
        startedUnchecked = !Checked(dialog, res::IDC_1013);
        Click(dialog, res::IDC_1013);
        PressButton(dialog, res::IDOK);
    }});
    OnOptions(settings, nullptr, nullptr);
    EXPECT_TRUE(startedUnchecked);
    EXPECT_EQ(list("autorun-x-content-start-app"), (QStringList{"x-content/unix-software", "x-content/image-dcf"}));
    EXPECT_EQ(list("autorun-x-content-ignore"), (QStringList{"x-content/video-dvd", "x-content/audio-cdda"}));

    DialogScript reset({[](QWidget* dialog) {
        Click(dialog, res::IDC_1008);
        PressButton(dialog, res::IDOK);
    }});
    OnOptions(settings, nullptr, nullptr);
    EXPECT_EQ(list("autorun-x-content-start-app"),
              (QStringList{"x-content/unix-software", "x-content/image-dcf", "x-content/audio-cdda"}));
    EXPECT_EQ(list("autorun-x-content-ignore"), QStringList{"x-content/video-dvd"});
    for (const char* key : {"autorun-x-content-start-app", "autorun-x-content-ignore"})
        g_settings_reset(media, key);
    g_object_unref(media);
}
