#include "platform/shell.h"

#include <gio/gio.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

namespace platform {
namespace {

std::atomic<ShellService*> g_service{nullptr};

// The names the program has always used for the system's CD player and sound recorder.
constexpr const char* kCdPlayerName = "CDPLAYER.EXE";
constexpr const char* kSoundRecorderName = "SNDREC32.EXE";

// Sound recorders, in the order they are tried: the desktop entry's id, and the program that
// stands for it where no desktop entry is installed.
struct Recorder {
    const char* desktopId;
    const char* program;
};
constexpr Recorder kSoundRecorders[] = {
    {"org.gnome.SoundRecorder.desktop", "gnome-sound-recorder"},
    {"audacity.desktop", "audacity"},
    {"org.audacityteam.Audacity.desktop", nullptr},
    {"org.kde.kwave.desktop", "kwave"},
    {"audio-recorder.desktop", "audio-recorder"},
};

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};
struct GObjectDeleter {
    void operator()(void* p) const { g_object_unref(p); }
};
template <class T> using GOwned = std::unique_ptr<T, GObjectDeleter>;
using GChars = std::unique_ptr<char, GFreeDeleter>;

// Frees a GError when it goes.
struct ErrorHolder {
    GError* error = nullptr;
    ~ErrorHolder()
    {
        if (error)
            g_error_free(error);
    }
};

bool EqualIgnoringCase(const std::string& a, const char* b) { return g_ascii_strcasecmp(a.c_str(), b) == 0; }

intptr_t ResultOfError(const GError* error)
{
    if (!error)
        return SE_ERR_OOM;
    if (error->domain == G_SPAWN_ERROR) {
        switch (error->code) {
        case G_SPAWN_ERROR_NOENT: return SE_ERR_FNF;
        case G_SPAWN_ERROR_CHDIR: return SE_ERR_PNF;
        case G_SPAWN_ERROR_ACCES:
        case G_SPAWN_ERROR_PERM: return SE_ERR_ACCESSDENIED;
        case G_SPAWN_ERROR_NOEXEC:
        case G_SPAWN_ERROR_LIBBAD: return SE_ERR_BAD_FORMAT;
        default: return SE_ERR_OOM;
        }
    }
    if (error->domain == G_IO_ERROR) {
        switch (error->code) {
        case G_IO_ERROR_NOT_FOUND: return SE_ERR_FNF;
        case G_IO_ERROR_PERMISSION_DENIED: return SE_ERR_ACCESSDENIED;
        case G_IO_ERROR_NOT_SUPPORTED: return SE_ERR_NOASSOC;
        default: return SE_ERR_OOM;
        }
    }
    return SE_ERR_OOM;
}

// Starts program with the parameters (split as a shell splits them) in directory. GLib starts
// it through an intermediate process that ends at once, so the program is nobody's child here
// and outlives this one; a failure of the exec itself comes back before the call returns.
intptr_t StartProgram(const std::string& program, const std::string& parameters, const std::string& directory)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    char** parsed = nullptr;
    if (!parameters.empty()) {
        ErrorHolder parse;
        int count = 0;
        if (!g_shell_parse_argv(parameters.c_str(), &count, &parsed, &parse.error))
            return SE_ERR_FNF;
        for (int i = 0; i < count; ++i)
            argv.push_back(parsed[i]);
    }
    argv.push_back(nullptr);
    ErrorHolder spawn;
    const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_STDIN_FROM_DEV_NULL);
    const gboolean started = g_spawn_async(directory.empty() ? nullptr : directory.c_str(), argv.data(), nullptr, flags,
                                           nullptr, nullptr, nullptr, &spawn.error);
    g_strfreev(parsed);
    return started ? SE_STARTED : ResultOfError(spawn.error);
}

intptr_t LaunchApplication(GAppInfo* application, GList* files)
{
    ErrorHolder launch;
    if (!g_app_info_launch(application, files, nullptr, &launch.error))
        return ResultOfError(launch.error);
    return SE_STARTED;
}

// Opens an existing file or folder with the desktop's default application for its content type.
intptr_t OpenWithHandler(const std::string& path)
{
    GOwned<GFile> file(g_file_new_for_path(path.c_str()));
    ErrorHolder query;
    GOwned<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE, G_FILE_QUERY_INFO_NONE,
                                             nullptr, &query.error));
    if (!info)
        return ResultOfError(query.error);
    const char* contentType = g_file_info_get_content_type(info.get());
    if (!contentType)
        return SE_ERR_NOASSOC;
    GOwned<GAppInfo> application(g_app_info_get_default_for_type(contentType, FALSE));
    if (!application)
        return SE_ERR_NOASSOC;
    GList files{file.get(), nullptr, nullptr};
    return LaunchApplication(application.get(), &files);
}

intptr_t StartAudioCdPlayer()
{
    GOwned<GAppInfo> application(g_app_info_get_default_for_type(AUDIO_CD_CONTENT_TYPE, FALSE));
    if (!application)
        return SE_ERR_NOASSOC;
    return LaunchApplication(application.get(), nullptr);
}

// The installed application with that desktop id, or null.
GAppInfo* FindApplication(GList* applications, const char* desktopId)
{
    for (GList* item = applications; item; item = item->next) {
        auto* application = static_cast<GAppInfo*>(item->data);
        const char* id = g_app_info_get_id(application);
        if (id && std::strcmp(id, desktopId) == 0)
            return application;
    }
    return nullptr;
}

intptr_t StartSoundRecorder()
{
    GList* applications = g_app_info_get_all();
    intptr_t result = SE_ERR_FNF;
    for (const Recorder& recorder : kSoundRecorders) {
        if (GAppInfo* application = FindApplication(applications, recorder.desktopId)) {
            result = LaunchApplication(application, nullptr);
            break;
        }
        if (!recorder.program)
            continue;
        if (GChars found{g_find_program_in_path(recorder.program)}) {
            result = StartProgram(found.get(), {}, {});
            break;
        }
    }
    g_list_free_full(applications, g_object_unref);
    return result;
}

bool IsExecutableFile(const char* path)
{
    return g_file_test(path, G_FILE_TEST_IS_EXECUTABLE) && !g_file_test(path, G_FILE_TEST_IS_DIR);
}

} // namespace

void SetShellService(ShellService* service) { g_service = service; }

intptr_t ShellExecuteA(void* owner, const char* verb, const char* file, const char* parameters, const char* directory,
                       int showCommand)
{
    static DesktopShell desktop;
    ShellService* service = g_service;
    if (!service)
        service = &desktop;
    return service->Execute(owner, verb ? verb : "", file ? file : "", parameters ? parameters : "",
                            directory ? directory : "", showCommand);
}

intptr_t DesktopShell::Execute(void*, const std::string& verb, const std::string& file, const std::string& parameters,
                               const std::string& directory, int)
{
    if (!verb.empty() && verb != "open")
        return SE_ERR_NOASSOC;
    if (file.empty())
        return SE_ERR_FNF;
    if (EqualIgnoringCase(file, kCdPlayerName))
        return StartAudioCdPlayer();
    if (EqualIgnoringCase(file, kSoundRecorderName))
        return StartSoundRecorder();

    // A bare name is a program on PATH when there is one; a name with a slash is a path, taken
    // as it is (relative ones from the working folder, as the program's own start did).
    const bool isPath = file.find('/') != std::string::npos;
    if (!isPath) {
        if (GChars found{g_find_program_in_path(file.c_str())}; found && IsExecutableFile(found.get()))
            return StartProgram(found.get(), parameters, directory);
    } else if (IsExecutableFile(file.c_str())) {
        return StartProgram(file, parameters, directory);
    }
    // Anything else that exists is a document (or a folder) for the desktop's handler.
    if (g_file_test(file.c_str(), G_FILE_TEST_EXISTS))
        return OpenWithHandler(file);
    if (isPath) {
        GChars folder{g_path_get_dirname(file.c_str())};
        if (!g_file_test(folder.get(), G_FILE_TEST_IS_DIR))
            return SE_ERR_PNF;
    }
    return SE_ERR_FNF;
}

} // namespace platform
