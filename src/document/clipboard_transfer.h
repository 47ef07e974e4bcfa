// Clipboard transfer of the document: Copy puts the document's data on the clipboard as text,
// OEM text, Unicode text or a wave; Paste replaces the whole document with one format of the
// clipboard, whatever it is; Empty Clipboard clears it. The format is chosen beforehand in the
// format dialog (document/ui/clip_format_dlg.h), whose list is built here.
//
// Every failure is reported here, in a message box (with the error sound where Paste has one);
// a failed copy leaves the document untouched, a paste that fails after the document was
// emptied leaves it empty and titled "Untitled".
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clipboard.h"

class CRipwellDoc;

// The entry text of a format that has no registered name, such as "*Text" for 1.
std::string DescribeClipboardFormat(uint32_t format);

// One entry of the format dialog: its text and, as item data, its format id.
struct ClipFormatEntry {
    std::string text;
    uint32_t format = 0;
};

// The entries of the format dialog, with the clipboard opened by owner (the dialog) meanwhile:
// the four copy formats, or every format on the clipboard in its own order, by registered name
// and id or by description. When the clipboard cannot be opened, shows "Could not open the
// Clipboard." and gives no entries.
std::vector<ClipFormatEntry> ListClipFormats(bool copyMode, platform::HWND owner);

// The entry selected when the dialog opens: the first that carries format, else 0.
int PreselectedClipFormat(const std::vector<ClipFormatEntry>& entries, uint32_t format);

// The format Copy proposes: the wave for a sound, text for any other data.
uint32_t ProposedCopyFormat(const CRipwellDoc& doc);

// Copy of the document's data in the chosen format, asking first when text would be cut at
// its terminator. The clipboard is opened by owner.
void CopyToClipboard(const CRipwellDoc& doc, uint32_t format, platform::HWND owner);

// Paste of the clipboard's format into the document, which is emptied, titled "Untitled" and
// rebuilt from it, after SaveModified agreed. The clipboard is opened by owner.
void PasteFromClipboard(CRipwellDoc& doc, uint32_t format, platform::HWND owner);

// Empty Clipboard.
void EmptyTheClipboard(platform::HWND owner);

// Where text ends. The offset of the first zero byte among the length bytes, or length.
std::size_t FirstZeroByte(const uint8_t* bytes, std::size_t length);
// The first offset i, looked for byte by byte at every offset, at which byte i and byte i + 1
// are both zero, or length when there is none.
std::size_t FirstZeroPair(const uint8_t* bytes, std::size_t length);
