#include "document/clipboard_transfer.h"

#include "base/sounds.h"
#include "document/ripwell_doc.h"
#include "document/wave_header.h"
#include "platform/block_memory.h"
#include "platform/global_memory.h"
#include "platform/huge_pages.h"
#include "platform/last_error.h"
#include "platform/message_box.h"
#include "res/resource.h"
#include "res/string_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

using namespace platform;

namespace {

// The texts of Copy, Paste, Empty Clipboard and the format dialog.
constexpr const char* kCouldNotOpen = "Could not open the Clipboard.";
constexpr const char* kCouldNotClear = "Could not clear the Clipboard before copying.";
constexpr const char* kCouldNotSet = "Could not set Clipboard data.";
constexpr const char* kCouldNotEmpty = "Could not empty the Clipboard.";
constexpr const char* kCouldNotGet = "Could not get Clipboard data.";
constexpr const char* kUnsupportedFormat = "Unsupported format.";
constexpr const char* kInvalidObject = "Invalid Clipboard object.\nCannot paste.";
constexpr const char* kInternalObject =
    "This Clipboard object is used internally by\nWindows and not intended for direct\n"
    "pasting operations. Go for another format.";
constexpr const char* kNoMemoryToPaste =
    "Not enough memory! The data you want\nto paste may be too large or your hard\n"
    "disk doesn't have enough swap space.";
constexpr const char* kNoMemoryForHandle = "Unsufficient memory.";
constexpr const char* kInvalidWaveData = "Invalid clipboard data.";
constexpr const char* kPasteError = "Error pasting Clipboard contents.";
constexpr const char* kBadClipboardWave =
    "Cannot handle this wave format or\nclipboard wave file may be corrupt.\nPress F1 to see Help.";
constexpr const char* kTextTruncation =
    "Copying as text will truncate the document at\nfirst byte 00 (data offest %08X) since this\n"
    "byte indicates the end of text on the Clipboard.\nCopy as text anyway?";
constexpr const char* kUnicodeTruncation =
    "Copying as unicode text will truncate the document at\nfirst word 00 00 (data offest %08X) since this word\n"
    "indicates the end of unicode text on the Clipboard.\nCopy as text anyway?";

// The name of a registered format is read into a buffer of this many characters.
constexpr int kFormatNameBuffer = 100;
// The document counts its data bytes in 32 bits; a bigger clipboard object cannot be pasted.
constexpr size_t kMaxPasteLength = std::numeric_limits<uint32_t>::max() - WAVE_HEADER_SIZE;
// Handle formats are pasted as the handle's value: 4 bytes behind the header slot.
constexpr size_t kHandleValueLength = 4;
// A pasted text locale identifier is 4 bytes long at most.
constexpr size_t kLocaleLength = 4;

constexpr uint32_t kErrorBox = MB_OK | MB_ICONEXCLAMATION;

// How the clipboard block of a copy ends.
enum class TextMode { Exact, OneZero, TwoZeros };

struct CopySource {
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    TextMode mode = TextMode::Exact;
};

std::string FormatText(const char* pattern, uint32_t value)
{
    char text[512];
    std::snprintf(text, sizeof text, pattern, static_cast<unsigned>(value));
    return text;
}

bool AskTruncation(const char* pattern, size_t offset)
{
    return MessageBox(FormatText(pattern, static_cast<uint32_t>(offset)), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// Copy step 3: the bytes that go to the clipboard for the format; false when nothing is copied
// (the user said No, or the format is not one Copy offers).
bool ChooseCopySource(const CRipwellDoc& doc, uint32_t format, CopySource& source)
{
    const uint8_t* data = doc.m_pData;
    const size_t n = doc.m_nDataLength;
    switch (format) {
    case CF_TEXT:
    case CF_OEMTEXT:
        if (const size_t z = FirstZeroByte(data, n); z < n) {
            if (!AskTruncation(kTextTruncation, z))
                return false;
            source = {data, z + 1, TextMode::Exact};
        } else {
            source = {data, n, TextMode::OneZero};
        }
        return true;
    case CF_UNICODETEXT:
        if (const size_t i = FirstZeroPair(data, n); i < n) {
            if (!AskTruncation(kUnicodeTruncation, i + 1))
                return false;
            source = {data, i + 2, TextMode::Exact};
        } else {
            source = {data, n, TextMode::TwoZeros};
        }
        return true;
    case CF_WAVE: source = {doc.m_pHeader, WAVE_HEADER_SIZE + n, TextMode::Exact}; return true;
    default: MessageBox(kUnsupportedFormat, kErrorBox); return false;
    }
}

// A movable shareable block holding the bytes and the zero bytes of the mode; null when it
// cannot be had.
HGLOBAL MakeCopyBlock(const CopySource& source)
{
    const size_t zeros = source.mode == TextMode::OneZero ? 1 : source.mode == TextMode::TwoZeros ? 2 : 0;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, source.length + zeros);
    if (!block)
        return nullptr;
    auto* destination = static_cast<uint8_t*>(GlobalLock(block));
    if (!destination) {
        GlobalFree(block);
        return nullptr;
    }
    if (source.length > 0)
        std::memcpy(destination, source.bytes, source.length);
    std::memset(destination + source.length, 0, zeros);
    GlobalUnlock(block);
    return block;
}

std::string UntitledTitle() { return std::string(res::LoadString(res::AFX_IDS_UNTITLED)); }

// A paste that ends before the document is touched.
void FailBeforeDocument(const char* text)
{
    CloseClipboard();
    PlayErrorSound();
    MessageBox(text, kErrorBox);
}

// A paste that ends after the document was emptied: it stays empty.
void FailAfterEmptied(CRipwellDoc& doc, bool errorSound, const char* text, uint32_t helpId = 0)
{
    CloseClipboard();
    doc.UpdateAllViews();
    if (errorSound)
        PlayErrorSound();
    MessageBox(text, kErrorBox, helpId);
}

// SaveModified, then the document emptied and titled "Untitled". False (clipboard closed, the
// document untouched) when the user cancelled or the save failed.
bool EmptyDocumentForPaste(CRipwellDoc& doc)
{
    if (!doc.SaveModified()) {
        CloseClipboard();
        return false;
    }
    doc.OnNewDocument();
    doc.SetTitle(UntitledTitle());
    return true;
}

// A new block for the s bytes of the clipboard object behind slot bytes (the 44-byte header
// slot, or none for a wave image, which brings its own header); null (after the no-memory
// report) when there is no memory for it.
uint8_t* AllocatePasteBlock(CRipwellDoc& doc, size_t s, size_t slot)
{
    uint8_t* block = s <= kMaxPasteLength ? AllocateDataBlock(slot + s) : nullptr;
    if (!block) {
        FailAfterEmptied(doc, true, kNoMemoryToPaste);
        return nullptr;
    }
    AdviseHugePages(block, slot + s);
    return block;
}

// Copies the clipboard block's size bytes to destination; false when it cannot be locked.
bool CopyClipboardBlock(HGLOBAL data, uint8_t* destination, size_t size)
{
    const void* source = GlobalLock(data);
    if (!source)
        return false;
    std::memcpy(destination, source, size);
    GlobalUnlock(data);
    return true;
}

bool PasteWave(CRipwellDoc& doc, HGLOBAL data)
{
    const size_t s = GlobalSize(data);
    if (s <= WAVE_HEADER_SIZE) {
        FailBeforeDocument(kInvalidObject);
        return false;
    }
    if (!EmptyDocumentForPaste(doc))
        return false;
    uint8_t* block = AllocatePasteBlock(doc, s, 0);
    if (!block)
        return false;
    if (!CopyClipboardBlock(data, block, s)) {
        ReleaseDataBlock(block);
        FailAfterEmptied(doc, true, kInvalidWaveData);
        return false;
    }
    uint32_t dataStart = 0;
    uint32_t dataLength = 0;
    WaveFormatCode code = 0;
    if (!ParseWaveHeader(block, static_cast<uint32_t>(s), &dataStart, &dataLength, &code) ||
        uint64_t(dataStart) + dataLength > s) {
        ReleaseDataBlock(block);
        FailAfterEmptied(doc, true, kBadClipboardWave, res::HELP_WAVE_FORMAT);
        return false;
    }
    // dataStart is at least 44 (RIFF header, fmt chunk, data chunk header), so the slot fits.
    doc.AdoptBlock(block, block + dataStart - WAVE_HEADER_SIZE, dataLength, true, code);
    return true;
}

bool PasteText(CRipwellDoc& doc, uint32_t format, HGLOBAL data)
{
    const size_t s = GlobalSize(data);
    if (s == 0) {
        FailBeforeDocument(kInvalidObject);
        return false;
    }
    if (!EmptyDocumentForPaste(doc))
        return false;
    uint8_t* block = AllocatePasteBlock(doc, s, WAVE_HEADER_SIZE);
    if (!block)
        return false;
    if (!CopyClipboardBlock(data, block + WAVE_HEADER_SIZE, s)) {
        ReleaseDataBlock(block);
        FailAfterEmptied(doc, true, kPasteError);
        return false;
    }
    const uint8_t* text = block + WAVE_HEADER_SIZE;
    size_t length = s;
    if (format == CF_UNICODETEXT) {
        // The first zero pair at offset i gives i + 1 bytes.
        if (const size_t i = FirstZeroPair(text, s); i < s)
            length = i + 1;
    } else {
        length = FirstZeroByte(text, s);
    }
    doc.AdoptBlock(block, block, static_cast<uint32_t>(length), false, WAVE_FORMAT_22050_8_MONO);
    return true;
}

bool PasteHandle(CRipwellDoc& doc, HANDLE data)
{
    if (!EmptyDocumentForPaste(doc))
        return false;
    uint8_t* block = AllocateDataBlock(WAVE_HEADER_SIZE + kHandleValueLength);
    if (!block) {
        FailAfterEmptied(doc, false, kNoMemoryForHandle);
        return false;
    }
    const auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data));
    for (size_t i = 0; i < kHandleValueLength; ++i)
        block[WAVE_HEADER_SIZE + i] = static_cast<uint8_t>(value >> (8 * i));
    doc.AdoptBlock(block, block, kHandleValueLength, false, WAVE_FORMAT_22050_8_MONO);
    return true;
}

bool PasteOther(CRipwellDoc& doc, uint32_t format, HGLOBAL data)
{
    size_t s = GlobalSize(data);
    if (s == 0) {
        const uint32_t error = GetLastError();
        FailBeforeDocument(error == ERROR_INVALID_PARAMETER ? kInternalObject : kInvalidObject);
        return false;
    }
    if (format == CF_LOCALE)
        s = std::min(s, kLocaleLength);
    if (!EmptyDocumentForPaste(doc))
        return false;
    uint8_t* block = AllocatePasteBlock(doc, s, WAVE_HEADER_SIZE);
    if (!block)
        return false;
    if (!CopyClipboardBlock(data, block + WAVE_HEADER_SIZE, s)) {
        ReleaseDataBlock(block);
        FailAfterEmptied(doc, false, kPasteError);
        return false;
    }
    doc.AdoptBlock(block, block, static_cast<uint32_t>(s), false, WAVE_FORMAT_22050_8_MONO);
    return true;
}

bool IsHandleFormat(uint32_t format)
{
    return format == CF_BITMAP || format == CF_METAFILEPICT || format == CF_PALETTE || format == CF_ENHMETAFILE;
}

} // namespace

std::string DescribeClipboardFormat(uint32_t format)
{
    switch (format) {
    case CF_TEXT: return "*Text";
    case CF_BITMAP: return "*Handle of a bitmap";
    case CF_METAFILEPICT: return "*Handle of a metafile picture";
    case CF_SYLK: return "*Microsoft symbolic link SYLK";
    case CF_DIF: return "*Software Arts' data interchange format";
    case CF_TIFF: return "*Tagged-image file TIFF";
    case CF_OEMTEXT: return "*OEM text";
    case CF_DIB: return "*Device-independent bitmap DIB";
    case CF_PALETTE: return "*Handle of a color palette";
    case CF_PENDATA: return "*Data for the Pen Extensions";
    case CF_RIFF: return "*RIFF audio data";
    case CF_WAVE: return "*WAV audio data";
    case CF_UNICODETEXT: return "*Unicode text";
    case CF_ENHMETAFILE: return "*Handle of an enhanced metafile";
    case CF_HDROP: return "*Drop file list";
    case CF_LOCALE: return "*Text locale identifier";
    case CF_MAX: return FormatText("*Maximal predifined Clipboard format value (%d)", format);
    case CF_OWNERDISPLAY: return "*Owner-display format";
    case CF_DSPTEXT: return "*Handle of a text associated with a private format";
    case CF_DSPBITMAP: return "*Handle of a bitmap associated with a private format";
    case CF_DSPMETAFILEPICT: return "*Handle of a metafile-picture associated with a private format";
    case CF_DSPENHMETAFILE: return "*Handle of an enhanced metafile associated with a private format";
    default: break;
    }
    if (format >= CF_PRIVATEFIRST && format <= CF_PRIVATELAST)
        return FormatText("*Private clipboard format (%d)", format);
    if (format >= CF_GDIOBJFIRST && format <= CF_GDIOBJLAST)
        return FormatText("*Application-defined GDI object format (%d)", format);
    return FormatText("*Unknown predifined Clipboard format (%d)", format);
}

std::vector<ClipFormatEntry> ListClipFormats(bool copyMode, HWND owner)
{
    std::vector<ClipFormatEntry> entries;
    if (!OpenClipboard(owner)) {
        MessageBox(kCouldNotOpen, kErrorBox);
        return entries;
    }
    if (copyMode) {
        for (uint32_t format : {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT, CF_WAVE})
            entries.push_back({DescribeClipboardFormat(format), format});
    } else {
        for (uint32_t format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format)) {
            char name[kFormatNameBuffer];
            if (GetClipboardFormatNameA(format, name, kFormatNameBuffer) > 0)
                entries.push_back({std::string(name) + FormatText(" (%d)", format), format});
            else
                entries.push_back({DescribeClipboardFormat(format), format});
        }
    }
    CloseClipboard();
    return entries;
}

int PreselectedClipFormat(const std::vector<ClipFormatEntry>& entries, uint32_t format)
{
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].format == format)
            return static_cast<int>(i);
    return 0;
}

uint32_t ProposedCopyFormat(const CRipwellDoc& doc) { return doc.m_bIsSound ? CF_WAVE : CF_TEXT; }

void CopyToClipboard(const CRipwellDoc& doc, uint32_t format, HWND owner)
{
    CopySource source;
    if (!ChooseCopySource(doc, format, source))
        return;
    if (!OpenClipboard(owner)) {
        MessageBox(kCouldNotOpen, kErrorBox);
        return;
    }
    if (!EmptyClipboard()) {
        MessageBox(kCouldNotClear, kErrorBox);
        CloseClipboard();
        return;
    }
    // A block that cannot be had is reported as data that could not be set: the clipboard,
    // already emptied, stays empty.
    HGLOBAL block = MakeCopyBlock(source);
    if (!block || !SetClipboardData(format, block)) {
        if (block)
            GlobalFree(block); // refused: still ours
        MessageBox(kCouldNotSet, kErrorBox);
    }
    CloseClipboard();
}

void PasteFromClipboard(CRipwellDoc& doc, uint32_t format, HWND owner)
{
    if (!OpenClipboard(owner)) {
        PlayErrorSound();
        MessageBox(kCouldNotOpen, kErrorBox);
        return;
    }
    HANDLE data = GetClipboardData(format);
    if (!data) {
        FailBeforeDocument(kCouldNotGet);
        return;
    }
    bool pasted = false;
    if (format == CF_WAVE)
        pasted = PasteWave(doc, data);
    else if (format == CF_TEXT || format == CF_OEMTEXT || format == CF_UNICODETEXT)
        pasted = PasteText(doc, format, data);
    else if (IsHandleFormat(format))
        pasted = PasteHandle(doc, data);
    else
        pasted = PasteOther(doc, format, data);
    if (!pasted)
        return; // reported, and the clipboard closed
    CloseClipboard();
    doc.SetModifiedFlag();
    doc.UpdateAllViews();
}

void EmptyTheClipboard(HWND owner)
{
    if (!OpenClipboard(owner)) {
        MessageBox(kCouldNotOpen, kErrorBox);
        return;
    }
    if (!EmptyClipboard())
        MessageBox(kCouldNotEmpty, kErrorBox);
    CloseClipboard();
}

size_t FirstZeroByte(const uint8_t* bytes, size_t length)
{
    if (!bytes)
        return length;
    const void* zero = std::memchr(bytes, 0, length);
    return zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes) : length;
}

size_t FirstZeroPair(const uint8_t* bytes, size_t length)
{
    if (!bytes)
        return length;
    // Each zero byte found by memchr is checked against the byte after it.
    size_t from = 0;
    while (from + 1 < length) {
        const void* zero = std::memchr(bytes + from, 0, length - 1 - from);
        if (!zero)
            break;
        const auto i = static_cast<size_t>(static_cast<const uint8_t*>(zero) - bytes);
        if (bytes[i + 1] == 0)
            return i;
        from = i + 1;
    }
    return length;
}
