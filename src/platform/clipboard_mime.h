// How the numbered clipboard formats meet the MIME types of the desktop's clipboard, both ways.
// No window is needed here; the clipboard backend (platform/ui/qt_clipboard.h) uses it.
//
// What Ripwell puts on the clipboard is offered to other programs as they expect it:
//   - text (1 CF_TEXT, 7 CF_OEMTEXT, 13 CF_UNICODETEXT) as "text/plain" and
//     "text/plain;charset=utf-8": the text up to its terminator, in UTF-8. Bytes of 1 and 7 that
//     are UTF-8 already (as text on Linux is) go as they are; any other bytes are read as
//     Windows-1252 (1) or code page 437 (7). 13 is read as UTF-16LE;
//   - a wave (12 CF_WAVE) as "audio/wav" and "audio/x-wav", the bytes unchanged: a wave file;
//   - a registered format under its name (which is a MIME type), the bytes unchanged;
//   - besides, every numbered format other than the wave keeps its exact bytes, terminators
//     included, under "application/x-ripwell-clipboard-format-<id>", so that another Ripwell
//     gets back what this one copied.
// What other programs offer is listed under these ids, in the order offered:
//   - Ripwell's exact bytes under their own id, first;
//   - plain text ("text/plain" with or without a charset, and X11's UTF8_STRING, STRING, TEXT,
//     COMPOUND_TEXT) as 1 (UTF-8 bytes and a zero byte) and 13 (UTF-16LE and a zero word);
//   - "audio/wav", "audio/x-wav", "audio/wave", "audio/vnd.wave" as 12, the bytes unchanged;
//   - an image that can be decoded as 8 CF_DIB (the bitmap file without its 14-byte file
//     header), and its own MIME type besides as a registered format with the file's bytes;
//   - every other MIME type as the registered format of that name (id above 0xC000).
// X11's protocol targets (TARGETS, MULTIPLE, TIMESTAMP, SAVE_TARGETS) and Qt's own
// "application/x-qt-image" are no data and are not listed.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace platform::clipboard_mime {

// How the bytes of one offered MIME type are made from a block.
enum class Rendering {
    ExactBytes, // the block's bytes
    Utf8Text,   // the block's text up to its terminator, in UTF-8
};

struct Offer {
    QString mimeType;
    Rendering rendering = Rendering::ExactBytes;
};

// The MIME types that other programs are offered for a block of format, in order.
std::vector<Offer> OffersFor(uint32_t format);

// The text of a text block (1, 7 or 13) up to its terminator, as other programs get it.
QString TextOfBlock(uint32_t format, const uint8_t* bytes, std::size_t size);

// The MIME type under which the exact bytes of a numbered format travel, and back (0 when the
// type is no such name).
QString ExactBytesMimeType(uint32_t format);
uint32_t FormatOfExactBytesMimeType(const QString& mimeType);

// How a format listed from another program's clipboard is made.
enum class Source {
    ExactBytes, // the bytes of mimeType
    Text,       // the clipboard's plain text, as a block of the format
    Image,      // the first image that decodes, as a device-independent bitmap
};

struct ForeignFormat {
    uint32_t format = 0;
    QString mimeType;
    Source source = Source::ExactBytes;
};

// The formats that another program's MIME types give, in the clipboard's order, each once.
// canDecodeImage says whether an image/* type can be decoded into a bitmap. Registered formats
// are registered on the way.
std::vector<ForeignFormat> FormatsFromMimeTypes(const QStringList& mimeTypes,
                                                const std::function<bool(const QString&)>& canDecodeImage);

// The block of a text format made from text: UTF-8 and a zero byte for 1 and 7, UTF-16LE and a
// zero word for 13.
QByteArray BlockOfText(uint32_t format, const QString& text);

} // namespace platform::clipboard_mime
