// Private profile files (INI files) with the semantics of the Win32 private profile functions:
// sections and keys match without regard to case, a missing key gives the default, a write
// creates the file, the section and the key as needed and keeps every other line as it was.
//
// A file name without a folder lives in the program's settings folder,
// $XDG_CONFIG_HOME/ripwell/ (~/.config/ripwell/ when XDG_CONFIG_HOME is not set), so
// "CDPLAYER.INI" is $XDG_CONFIG_HOME/ripwell/CDPLAYER.INI. Tests point XDG_CONFIG_HOME at a
// temporary folder.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Copies the value of key in section (or defaultText when the file, the section or the key is
// missing) into buffer, cut to size - 1 characters and always terminated. Returns the number of
// characters copied, without the terminator. A null defaultText counts as "".
uint32_t GetPrivateProfileStringA(const char* section, const char* key, const char* defaultText, char* buffer,
                                  uint32_t size, const char* fileName);

// The value of key as a number: leading white space, an optional sign, then the leading decimal
// digits (0 when there are none). defaultValue when the key is missing.
uint32_t GetPrivateProfileIntA(const char* section, const char* key, int32_t defaultValue, const char* fileName);

// Sets key in section to text. A null text removes the key, a null key the whole section.
// The file is replaced atomically. Returns non-zero on success.
int WritePrivateProfileStringA(const char* section, const char* key, const char* text, const char* fileName);

// Where a profile file name lives on disk.
std::string ProfileFilePath(const char* fileName);

} // namespace platform
