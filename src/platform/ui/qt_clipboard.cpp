#include "platform/ui/qt_clipboard.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QThread>

#include <algorithm>
#include <cstring>
#include <new>

namespace platform {
namespace {

using clipboard_mime::ForeignFormat;
using clipboard_mime::Rendering;
using clipboard_mime::Source;

// A device-independent bitmap is a bitmap file without its 14-byte file header.
constexpr qsizetype kBitmapFileHeaderSize = 14;

// Ripwell's blocks as the desktop's clipboard data: the MIME types of clipboard_mime, with the
// bytes made when a program asks for them.
class BlockMimeData : public QMimeData {
public:
    explicit BlockMimeData(std::shared_ptr<ClipboardBlocks> blocks) : m_blocks(std::move(blocks)) {}

    const std::shared_ptr<ClipboardBlocks>& Blocks() const { return m_blocks; }

    QStringList formats() const override
    {
        QStringList types;
        for (const ClipboardBlocks::Entry& entry : m_blocks->Entries())
            for (const clipboard_mime::Offer& offer : clipboard_mime::OffersFor(entry.format))
                if (!types.contains(offer.mimeType))
                    types.append(offer.mimeType);
        return types;
    }

    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override
    {
        // The first block that offers the type answers, as formats() lists it.
        for (const ClipboardBlocks::Entry& entry : m_blocks->Entries())
            for (const clipboard_mime::Offer& offer : clipboard_mime::OffersFor(entry.format))
                if (offer.mimeType == mimeType)
                    return Render(entry, offer.rendering, type);
        return {};
    }

private:
    static QVariant Render(const ClipboardBlocks::Entry& entry, Rendering rendering, QMetaType type)
    {
        const size_t size = GlobalSize(entry.block);
        const auto* bytes = static_cast<const uint8_t*>(GlobalLock(entry.block));
        if (!bytes)
            return {};
        QVariant result;
        try {
            if (rendering == Rendering::Utf8Text) {
                const QString text = clipboard_mime::TextOfBlock(entry.format, bytes, size);
                result = type.id() == QMetaType::QString ? QVariant(text) : QVariant(text.toUtf8());
            } else {
                // A copy of its own for the program that asked: the transfer may outlive the block.
                result = QByteArray(reinterpret_cast<const char*>(bytes), static_cast<qsizetype>(size));
            }
        } catch (const std::bad_alloc&) {
            result = QVariant();
        }
        GlobalUnlock(entry.block);
        return result;
    }

    std::shared_ptr<ClipboardBlocks> m_blocks;
};

bool CanDecodeImage(const QString& mimeType)
{
    return QImageReader::supportedMimeTypes().contains(mimeType.toLatin1());
}

QClipboard* DesktopClipboard()
{
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!application || QThread::currentThread() != application->thread())
        return nullptr;
    return QGuiApplication::clipboard();
}

HGLOBAL BlockOfBytes(const QByteArray& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, static_cast<size_t>(bytes.size()));
    if (!block)
        return nullptr;
    void* destination = GlobalLock(block);
    if (!destination) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(destination, bytes.constData(), static_cast<size_t>(bytes.size()));
    GlobalUnlock(block);
    return block;
}

QByteArray DeviceIndependentBitmap(const QByteArray& encoded)
{
    const QImage image = QImage::fromData(encoded);
    if (image.isNull())
        return {};
    QByteArray file;
    QBuffer buffer(&file);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "BMP") || file.size() <= kBitmapFileHeaderSize)
        return {};
    return file.mid(kBitmapFileHeaderSize);
}

} // namespace

ClipboardBlocks::~ClipboardBlocks()
{
    for (const Entry& entry : m_entries)
        GlobalFree(entry.block);
}

HGLOBAL ClipboardBlocks::Find(uint32_t format) const
{
    for (const Entry& entry : m_entries)
        if (entry.format == format)
            return entry.block;
    return nullptr;
}

bool ClipboardBlocks::Set(uint32_t format, HGLOBAL block)
{
    for (Entry& entry : m_entries)
        if (entry.format == format) {
            if (entry.block != block)
                GlobalFree(entry.block);
            entry.block = block;
            return true;
        }
    try {
        m_entries.push_back({format, block});
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

std::vector<ForeignFormat> FormatsOfMimeData(const QMimeData* data)
{
    if (!data)
        return {};
    return clipboard_mime::FormatsFromMimeTypes(data->formats(), CanDecodeImage);
}

QtClipboard::QtClipboard() = default;

QtClipboard::~QtClipboard()
{
    QObject::disconnect(m_changed);
    ReleaseSnapshot();
}

void QtClipboard::WatchClipboard()
{
    if (m_changed)
        return;
    if (QClipboard* clipboard = DesktopClipboard())
        m_changed = QObject::connect(clipboard, &QClipboard::dataChanged, clipboard, [this] { m_count.reset(); });
}

bool QtClipboard::Open(HWND owner)
{
    if (m_open)
        return owner == m_owner; // the window that has it open may open it again
    if (!DesktopClipboard())
        return false;
    m_open = true;
    m_owner = owner;
    m_emptied = false;
    TakeSnapshot();
    return true;
}

bool QtClipboard::Close()
{
    if (!m_open)
        return false;
    if (m_emptied)
        Publish();
    ReleaseSnapshot();
    m_open = false;
    m_owner = nullptr;
    m_emptied = false;
    return true;
}

bool QtClipboard::Empty()
{
    QClipboard* clipboard = DesktopClipboard();
    if (!m_open || !clipboard)
        return false;
    auto pending = std::shared_ptr<ClipboardBlocks>(new (std::nothrow) ClipboardBlocks);
    if (!pending)
        return false;
    // What was on the clipboard goes now, as it does on Windows: a copy of a large document
    // then finds the memory of the one before it free again.
    ReleaseSnapshot();
    clipboard->clear();
    m_count.reset();
    m_pending = std::move(pending);
    m_emptied = true;
    return true;
}

HANDLE QtClipboard::SetData(uint32_t format, HANDLE data)
{
    // Only memory blocks can be offered to other programs; rendering on request (a null
    // handle) is not supported.
    if (!m_open || !m_emptied || format == 0 || !IsGlobalBlock(data))
        return nullptr;
    return m_pending->Set(format, data) ? data : nullptr;
}

HANDLE QtClipboard::GetData(uint32_t format)
{
    if (!m_open || format == 0)
        return nullptr;
    if (m_emptied)
        return m_pending->Find(format);
    if (m_held)
        return m_held->Find(format);
    if (auto converted = m_converted.find(format); converted != m_converted.end())
        return converted->second;
    for (const ForeignFormat& foreign : m_foreign)
        if (foreign.format == format) {
            HGLOBAL block = Convert(foreign);
            if (!block)
                return nullptr;
            try {
                m_converted.emplace(format, block);
            } catch (const std::bad_alloc&) {
                GlobalFree(block);
                return nullptr;
            }
            return block;
        }
    return nullptr;
}

int QtClipboard::CountFormats()
{
    if (m_open)
        return static_cast<int>(SnapshotFormats().size());
    WatchClipboard();
    if (!m_count) {
        QClipboard* clipboard = DesktopClipboard();
        if (!clipboard)
            return 0;
        const QMimeData* data = clipboard->mimeData();
        if (auto* own = dynamic_cast<const BlockMimeData*>(data))
            m_count = static_cast<int>(own->Blocks()->Entries().size());
        else
            m_count = static_cast<int>(FormatsOfMimeData(data).size());
    }
    return *m_count;
}

uint32_t QtClipboard::EnumFormats(uint32_t format)
{
    if (!m_open)
        return 0;
    const std::vector<uint32_t> formats = SnapshotFormats();
    if (format == 0)
        return formats.empty() ? 0 : formats.front();
    auto at = std::find(formats.begin(), formats.end(), format);
    if (at == formats.end() || ++at == formats.end())
        return 0;
    return *at;
}

std::vector<uint32_t> QtClipboard::SnapshotFormats() const
{
    std::vector<uint32_t> formats;
    if (const ClipboardBlocks* blocks = m_emptied ? m_pending.get() : m_held.get()) {
        for (const ClipboardBlocks::Entry& entry : blocks->Entries())
            formats.push_back(entry.format);
        return formats;
    }
    for (const ForeignFormat& foreign : m_foreign)
        formats.push_back(foreign.format);
    return formats;
}

void QtClipboard::TakeSnapshot()
{
    ReleaseSnapshot();
    QClipboard* clipboard = DesktopClipboard();
    if (!clipboard)
        return;
    const QMimeData* data = clipboard->mimeData();
    if (auto* own = dynamic_cast<const BlockMimeData*>(data))
        m_held = own->Blocks();
    else
        m_foreign = FormatsOfMimeData(data);
}

void QtClipboard::ReleaseSnapshot()
{
    m_held.reset();
    m_pending.reset();
    m_foreign.clear();
    for (const auto& [format, block] : m_converted)
        GlobalFree(block);
    m_converted.clear();
}

void QtClipboard::Publish()
{
    QClipboard* clipboard = DesktopClipboard();
    if (!clipboard)
        return;
    m_count.reset();
    if (!m_pending || m_pending->Entries().empty())
        return; // emptied already
    if (auto* data = new (std::nothrow) BlockMimeData(m_pending))
        clipboard->setMimeData(data);
}

HGLOBAL QtClipboard::Convert(const ForeignFormat& foreign)
{
    QClipboard* clipboard = DesktopClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (!data)
        return nullptr;
    try {
        QByteArray bytes;
        switch (foreign.source) {
        case Source::ExactBytes: bytes = data->data(foreign.mimeType); break;
        case Source::Text: {
            const QString text = data->text();
            if (!text.isEmpty())
                bytes = clipboard_mime::BlockOfText(foreign.format, text);
            break;
        }
        case Source::Image: bytes = DeviceIndependentBitmap(data->data(foreign.mimeType)); break;
        }
        // Nothing came: the program that offered the type did not deliver it.
        if (bytes.isEmpty())
            return nullptr;
        return BlockOfBytes(bytes);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void InstallQtClipboardService()
{
    static QtClipboard service;
    SetClipboardService(&service);
}

} // namespace platform
