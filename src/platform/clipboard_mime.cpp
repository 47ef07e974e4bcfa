#include "platform/clipboard_mime.h"

#include "platform/clipboard.h"

#include <QStringDecoder>

#include <algorithm>

namespace platform::clipboard_mime {
namespace {

const QString kExactBytesPrefix = QStringLiteral("application/x-ripwell-clipboard-format-");
const QString kPlainText = QStringLiteral("text/plain");
const QString kPlainTextUtf8 = QStringLiteral("text/plain;charset=utf-8");
const QStringList kWaveTypes = {"audio/wav", "audio/x-wav", "audio/wave", "audio/vnd.wave"};
// X11 names of plain text that Qt passes on as they are.
const QStringList kX11TextTargets = {"UTF8_STRING", "STRING", "TEXT", "COMPOUND_TEXT"};
// X11 selection protocol targets and Qt's own image alias: no data of their own.
const QStringList kNotData = {"TARGETS", "MULTIPLE", "TIMESTAMP", "SAVE_TARGETS", "DELETE", "application/x-qt-image"};

// Windows-1252 from 0x80 to 0x9F (the bytes it leaves undefined stand for themselves); the
// rest of the code page is Latin-1.
constexpr char16_t kWindows1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Code page 437 from 0x80 to 0xFF; below 0x80 it is ASCII.
constexpr char16_t kCodePage437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

bool IsTextFormat(uint32_t format) { return format == CF_TEXT || format == CF_OEMTEXT || format == CF_UNICODETEXT; }

QString EightBitText(uint32_t format, const uint8_t* bytes, std::size_t length)
{
    const QByteArrayView view(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(length));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(view);
    if (!utf8.hasError())
        return text;
    text.resize(static_cast<qsizetype>(length));
    for (std::size_t i = 0; i < length; ++i) {
        const uint8_t byte = bytes[i];
        char16_t unit = byte;
        if (format == CF_OEMTEXT && byte >= 0x80)
            unit = kCodePage437[byte - 0x80];
        else if (format != CF_OEMTEXT && byte >= 0x80 && byte < 0xA0)
            unit = kWindows1252[byte - 0x80];
        text[static_cast<qsizetype>(i)] = QChar(unit);
    }
    return text;
}

bool IsPlainText(const QString& mimeType)
{
    if (kX11TextTargets.contains(mimeType))
        return true;
    const QString lower = mimeType.toLower();
    return lower == kPlainText || lower.startsWith(kPlainText + ';');
}

bool Listed(const std::vector<ForeignFormat>& formats, uint32_t format)
{
    return std::any_of(formats.begin(), formats.end(), [format](const ForeignFormat& f) { return f.format == format; });
}

} // namespace

std::vector<Offer> OffersFor(uint32_t format)
{
    if (format == CF_WAVE)
        return {{"audio/wav", Rendering::ExactBytes}, {"audio/x-wav", Rendering::ExactBytes}};
    if (format > CF_REGISTERED_BASE) {
        const std::string name = RegisteredFormatName(format);
        if (name.empty())
            return {};
        return {{QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())), Rendering::ExactBytes}};
    }
    std::vector<Offer> offers;
    if (IsTextFormat(format)) {
        offers.push_back({kPlainText, Rendering::Utf8Text});
        offers.push_back({kPlainTextUtf8, Rendering::Utf8Text});
    }
    offers.push_back({ExactBytesMimeType(format), Rendering::ExactBytes});
    return offers;
}

QString TextOfBlock(uint32_t format, const uint8_t* bytes, std::size_t size)
{
    if (!bytes)
        return {};
    if (format == CF_UNICODETEXT) {
        std::size_t units = 0;
        while (2 * units + 1 < size && (bytes[2 * units] != 0 || bytes[2 * units + 1] != 0))
            ++units;
        QString text(static_cast<qsizetype>(units), Qt::Uninitialized);
        for (std::size_t i = 0; i < units; ++i)
            text[static_cast<qsizetype>(i)] = QChar(static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8)));
        return text;
    }
    const auto* end = std::find(bytes, bytes + size, uint8_t{0});
    return EightBitText(format, bytes, static_cast<std::size_t>(end - bytes));
}

QString ExactBytesMimeType(uint32_t format) { return kExactBytesPrefix + QString::number(format); }

uint32_t FormatOfExactBytesMimeType(const QString& mimeType)
{
    if (!mimeType.startsWith(kExactBytesPrefix))
        return 0;
    bool ok = false;
    const uint32_t format = mimeType.mid(kExactBytesPrefix.size()).toUInt(&ok, 10);
    return ok && format > 0 && format <= CF_REGISTERED_BASE ? format : 0;
}

std::vector<ForeignFormat> FormatsFromMimeTypes(const QStringList& mimeTypes,
                                                const std::function<bool(const QString&)>& canDecodeImage)
{
    std::vector<ForeignFormat> formats;
    // Another Ripwell's exact bytes come first: they win over what is made from the same data.
    for (const QString& mimeType : mimeTypes)
        if (const uint32_t format = FormatOfExactBytesMimeType(mimeType); format && !Listed(formats, format))
            formats.push_back({format, mimeType, Source::ExactBytes});

    for (const QString& mimeType : mimeTypes) {
        if (FormatOfExactBytesMimeType(mimeType) || kNotData.contains(mimeType))
            continue;
        if (IsPlainText(mimeType)) {
            for (uint32_t format : {CF_TEXT, CF_UNICODETEXT})
                if (!Listed(formats, format))
                    formats.push_back({format, kPlainText, Source::Text});
            continue;
        }
        if (kWaveTypes.contains(mimeType.toLower())) {
            if (!Listed(formats, CF_WAVE))
                formats.push_back({CF_WAVE, mimeType, Source::ExactBytes});
            continue;
        }
        if (mimeType.startsWith("image/") && canDecodeImage && canDecodeImage(mimeType) && !Listed(formats, CF_DIB))
            formats.push_back({CF_DIB, mimeType, Source::Image});
        const QByteArray name = mimeType.toLatin1();
        const uint32_t registered = RegisterClipboardFormatA(name.constData());
        if (registered && !Listed(formats, registered))
            formats.push_back({registered, mimeType, Source::ExactBytes});
    }
    return formats;
}

QByteArray BlockOfText(uint32_t format, const QString& text)
{
    if (format == CF_UNICODETEXT) {
        QByteArray block(2 * (text.size() + 1), '\0');
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i].unicode();
            block[2 * i] = static_cast<char>(unit & 0xFF);
            block[2 * i + 1] = static_cast<char>(unit >> 8);
        }
        return block;
    }
    QByteArray block = text.toUtf8();
    block.append('\0');
    return block;
}

} // namespace platform::clipboard_mime
