// The clipboard in the Win32 shape: opened by a window, emptied, given memory blocks
// (platform/global_memory.h) under numbered formats, read by format, its formats counted and
// enumerated in the clipboard's own order, and registered formats known by name.
//
// The program calls the functions below; what answers is the installed ClipboardService: the
// desktop's real clipboard in the program (platform/ui/qt_clipboard.h), a scripted double in the
// tests. Without a service the clipboard cannot be opened and holds nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/global_memory.h"

namespace platform {

// The window that opens the clipboard; any pointer that stands for one.
using HWND = const void*;

// Standard formats.
inline constexpr uint32_t CF_TEXT = 1;
inline constexpr uint32_t CF_BITMAP = 2;
inline constexpr uint32_t CF_METAFILEPICT = 3;
inline constexpr uint32_t CF_SYLK = 4;
inline constexpr uint32_t CF_DIF = 5;
inline constexpr uint32_t CF_TIFF = 6;
inline constexpr uint32_t CF_OEMTEXT = 7;
inline constexpr uint32_t CF_DIB = 8;
inline constexpr uint32_t CF_PALETTE = 9;
inline constexpr uint32_t CF_PENDATA = 10;
inline constexpr uint32_t CF_RIFF = 11;
inline constexpr uint32_t CF_WAVE = 12;
inline constexpr uint32_t CF_UNICODETEXT = 13;
inline constexpr uint32_t CF_ENHMETAFILE = 14;
inline constexpr uint32_t CF_HDROP = 15;
inline constexpr uint32_t CF_LOCALE = 16;
inline constexpr uint32_t CF_MAX = 18;
// Display formats, private and GDI object ranges.
inline constexpr uint32_t CF_OWNERDISPLAY = 0x80;
inline constexpr uint32_t CF_DSPTEXT = 0x81;
inline constexpr uint32_t CF_DSPBITMAP = 0x82;
inline constexpr uint32_t CF_DSPMETAFILEPICT = 0x83;
inline constexpr uint32_t CF_DSPENHMETAFILE = 0x8E;
inline constexpr uint32_t CF_PRIVATEFIRST = 0x200;
inline constexpr uint32_t CF_PRIVATELAST = 0x2FF;
inline constexpr uint32_t CF_GDIOBJFIRST = 0x300;
inline constexpr uint32_t CF_GDIOBJLAST = 0x3FF;
// Registered formats get ids above this one, up to 0xFFFF.
inline constexpr uint32_t CF_REGISTERED_BASE = 0xC000;

class ClipboardService {
public:
    virtual ~ClipboardService() = default;
    // False when the clipboard is open for another window.
    virtual bool Open(HWND owner) = 0;
    virtual bool Close() = 0;
    // Takes everything off the clipboard and makes the opener its owner; needs it open.
    virtual bool Empty() = 0;
    // Puts data under format; needs it open and emptied by this opener. On success the clipboard
    // owns the data and the result is data; null on failure (the caller keeps the data).
    virtual HANDLE SetData(uint32_t format, HANDLE data) = 0;
    // The data of format, owned by the clipboard and valid until it is closed or emptied;
    // needs it open. Null when the format is not there or cannot be had.
    virtual HANDLE GetData(uint32_t format) = 0;
    virtual int CountFormats() = 0;
    // The format after format in the clipboard's own order (0 gives the first); 0 at the end
    // and when the clipboard is not open.
    virtual uint32_t EnumFormats(uint32_t format) = 0;
    // The registered name of format; the base looks it up among the registered formats.
    virtual int GetFormatName(uint32_t format, char* name, int maxCount);
};

bool OpenClipboard(HWND newOwner);
bool CloseClipboard();
bool EmptyClipboard();
HANDLE SetClipboardData(uint32_t format, HANDLE data);
HANDLE GetClipboardData(uint32_t format);
int CountClipboardFormats();
uint32_t EnumClipboardFormats(uint32_t format);
// Copies the registered name of format into name (at most maxCount - 1 characters and a zero
// byte) and returns the number of characters copied; 0 for a format without a registered name.
int GetClipboardFormatNameA(uint32_t format, char* name, int maxCount);
// The id of the registered format of this name (compared ignoring case), registered on first
// use; 0 when the name is empty or no id is left. Ids are kept for the life of the process.
uint32_t RegisterClipboardFormatA(const char* name);
// The registered name of format, empty when it has none.
std::string RegisteredFormatName(uint32_t format);

// Installs the service; nullptr removes it. The caller keeps ownership.
void SetClipboardService(ClipboardService* service);
ClipboardService* GetClipboardService();

} // namespace platform
