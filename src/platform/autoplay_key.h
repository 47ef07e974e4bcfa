// The system's AutoPlay switch for audio CDs, in the shape of the registry key the program was
// written for: the default value of HKEY_LOCAL_MACHINE\SOFTWARE\Classes\AudioCD\shell, a
// string, "play" while inserting an audio CD starts its player. The key is opened one level at
// a time from HKEY_LOCAL_MACHINE, each level with the access asked for, and its default value
// is read and written as REG_SZ, with the registry's sizes and error codes.
//
// Where the switch really lives is an AutoPlayKeyStore. On a Linux desktop it is the desktop's
// media handling (DesktopMediaHandling): GSettings org.gnome.desktop.media-handling, which
// GNOME and the desktops built on GIO read when a disc comes in. Tests install a store of
// their own.
#pragma once

#include <string>

#include "platform/registry.h"

namespace platform {

// The levels of the key below HKEY_LOCAL_MACHINE.
inline constexpr const char* AUTOPLAY_KEY_PATH = "SOFTWARE\\Classes\\AudioCD\\shell";

// Where the switch lives. Paths are below HKEY_LOCAL_MACHINE with backslashes, already known to
// lie on the way to the key (see AutoPlayKeyLevel).
class AutoPlayKeyStore {
public:
    virtual ~AutoPlayKeyStore() = default;
    // ERROR_SUCCESS when the key at path can be opened with access; ERROR_FILE_NOT_FOUND when
    // it is not there, ERROR_ACCESS_DENIED when access asks for writing and that is not allowed.
    virtual LONG OpenKey(const std::string& path, REGSAM access) = 0;
    // The default value of the AutoPlay key itself, as text without the terminating zero.
    virtual LONG QueryDefaultValue(std::string* text) = 0;
    virtual LONG SetDefaultValue(const std::string& text) = 0;
};

// Installs a store; nullptr goes back to the desktop's media handling. The caller keeps
// ownership.
void SetAutoPlayKeyStore(AutoPlayKeyStore* store);

// How far along HKEY_LOCAL_MACHINE\SOFTWARE\Classes\AudioCD\shell a path below
// HKEY_LOCAL_MACHINE goes: 0 for the root itself, 1 to 4 for "SOFTWARE" to the whole key
// (names compared without regard to case), -1 for a path that leaves the way.
int AutoPlayKeyLevel(const std::string& path);

// One open key on the way to the switch. Moving hands the key over; Close (or destruction)
// closes it.
class AutoPlayKey {
public:
    AutoPlayKey() = default;
    ~AutoPlayKey() { Close(); }
    AutoPlayKey(AutoPlayKey&& other) noexcept;
    AutoPlayKey& operator=(AutoPlayKey&& other) noexcept;
    AutoPlayKey(const AutoPlayKey&) = delete;
    AutoPlayKey& operator=(const AutoPlayKey&) = delete;

    // HKEY_LOCAL_MACHINE, open with every access.
    static AutoPlayKey LocalMachine();

    // RegOpenKeyExA: opens subKey (one or more levels) below this key into *result.
    LONG Open(const char* subKey, REGSAM access, AutoPlayKey* result) const;
    // RegQueryValueExA: valueName null or "" is the default value. *size is the buffer's size
    // in bytes on entry and the value's size (with its terminating zero) on return;
    // ERROR_MORE_DATA when the buffer is too small, data null asks for the size only.
    LONG QueryValue(const char* valueName, DWORD* type, BYTE* data, DWORD* size) const;
    // RegSetValueExA: REG_SZ only; the text ends at the first zero byte or after size bytes.
    LONG SetValue(const char* valueName, DWORD type, const BYTE* data, DWORD size) const;
    // RegCloseKey.
    void Close();

    bool IsOpen() const { return m_open; }
    const std::string& Path() const { return m_path; }

private:
    AutoPlayKey(std::string path, REGSAM access) : m_path(std::move(path)), m_access(access), m_open(true) {}

    std::string m_path;
    REGSAM m_access = 0;
    bool m_open = false;
};

// The desktop's media handling as the AutoPlay key. The key cannot be opened when the schema
// org.gnome.desktop.media-handling is not installed, and not for writing when its lists may
// not be changed. The value reads "play" while x-content/audio-cdda is in
// autorun-x-content-start-app, in neither autorun-x-content-ignore nor with autorun-never set,
// and "" otherwise. Writing "play" puts x-content/audio-cdda into the start-app list and takes
// it out of the ignore list; writing anything else does the opposite; no other entry of either
// list changes. With autorun-never set nothing is started whatever the lists say, so writing
// "play" then is refused (ERROR_ACCESS_DENIED) rather than changing every kind of medium.
class DesktopMediaHandling : public AutoPlayKeyStore {
public:
    LONG OpenKey(const std::string& path, REGSAM access) override;
    LONG QueryDefaultValue(std::string* text) override;
    LONG SetDefaultValue(const std::string& text) override;
};

} // namespace platform
