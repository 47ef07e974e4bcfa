// The shell's "open" verb, ShellExecuteA, as the program uses it to start the CD player and the
// sound recorder: the result is above 32 when something was started, else an error code.
//
// The desktop's backend (DesktopShell) starts what the name stands for:
//  - a bare name is looked up on PATH, a name with a slash is used as given (blanks and all,
//    no quotes added); an executable file is started as a program of its own, detached, so
//    that it outlives this one, and a failure to start is known when the call returns;
//  - any other existing file (a document, a folder) opens with the desktop's handler for its
//    content type;
//  - the two names the program has always had as defaults start what stands for them on this
//    desktop: "CDPLAYER.EXE" the desktop's application for audio CDs (the handler of the
//    content type x-content/audio-cdda), "SNDREC32.EXE" the first sound recorder installed.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr int SW_SHOWNORMAL = 1;

// Results of a failed ShellExecuteA.
inline constexpr intptr_t SE_ERR_OOM = 0; // out of memory or resources
inline constexpr intptr_t SE_ERR_FNF = 2; // file not found
inline constexpr intptr_t SE_ERR_PNF = 3; // path not found
inline constexpr intptr_t SE_ERR_ACCESSDENIED = 5;
inline constexpr intptr_t SE_ERR_BAD_FORMAT = 11; // not a program this system can run
inline constexpr intptr_t SE_ERR_NOASSOC = 31;    // no program for this kind of file
// What a successful call returns (any value above 32 means success).
inline constexpr intptr_t SE_STARTED = 42;

class ShellService {
public:
    virtual ~ShellService() = default;
    // Carries out verb on file; parameters and directory may be empty.
    virtual intptr_t Execute(void* owner, const std::string& verb, const std::string& file,
                             const std::string& parameters, const std::string& directory, int showCommand) = 0;
};

// owner: the window the shell may show its own messages over (unused here); verb null or
// "open"; parameters, directory: may be null.
intptr_t ShellExecuteA(void* owner, const char* verb, const char* file, const char* parameters, const char* directory,
                       int showCommand);

// Installs the service that carries out ShellExecuteA; nullptr goes back to the desktop's.
// The caller keeps ownership.
void SetShellService(ShellService* service);

// The desktop's shell.
class DesktopShell : public ShellService {
public:
    intptr_t Execute(void* owner, const std::string& verb, const std::string& file, const std::string& parameters,
                     const std::string& directory, int showCommand) override;
};

// The content type whose default application plays audio CDs.
inline constexpr const char* AUDIO_CD_CONTENT_TYPE = "x-content/audio-cdda";

} // namespace platform
