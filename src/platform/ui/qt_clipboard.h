// The desktop's real clipboard behind the platform clipboard (platform/clipboard.h), through
// QClipboard. How the numbered formats meet the desktop's MIME types is told in
// platform/clipboard_mime.h.
//
// Ripwell's own blocks go onto the desktop clipboard as they are: they stay in memory, owned by
// the clipboard, and their bytes are made for another program only when it asks. So a copy
// costs no more than filling its block, and a paste of Ripwell's own data gets back the very
// block that was set, with its exact size. What another program offers is fetched when a format
// is asked for; the block made from it lives until the clipboard is closed.
//
// Emptying the clipboard empties the desktop's at once (its blocks are freed), as Windows does;
// what is set afterwards goes onto the desktop's clipboard when it is closed.
//
// Opening the clipboard takes a snapshot of what is on it; until it is closed the formats, and
// the blocks already handed out, stay the same even when another program takes the clipboard
// meanwhile (a save question may run the event loop in the middle of a paste).
#pragma once

#include <QMetaObject>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/clipboard.h"
#include "platform/clipboard_mime.h"

class QMimeData;

namespace platform {

// Blocks on the clipboard in the order they were set; freed with the last reference, which the
// clipboard's data and an open snapshot hold.
class ClipboardBlocks {
public:
    struct Entry {
        uint32_t format = 0;
        HGLOBAL block = nullptr;
    };
    ClipboardBlocks() = default;
    ~ClipboardBlocks();
    ClipboardBlocks(const ClipboardBlocks&) = delete;
    ClipboardBlocks& operator=(const ClipboardBlocks&) = delete;

    HGLOBAL Find(uint32_t format) const;
    // Puts block under format, freeing the block that was there. False when out of memory.
    bool Set(uint32_t format, HGLOBAL block);
    const std::vector<Entry>& Entries() const { return m_entries; }

private:
    std::vector<Entry> m_entries;
};

class QtClipboard : public ClipboardService {
public:
    QtClipboard();
    ~QtClipboard() override;
    QtClipboard(const QtClipboard&) = delete;
    QtClipboard& operator=(const QtClipboard&) = delete;

    bool Open(HWND owner) override;
    bool Close() override;
    bool Empty() override;
    HANDLE SetData(uint32_t format, HANDLE data) override;
    HANDLE GetData(uint32_t format) override;
    int CountFormats() override;
    uint32_t EnumFormats(uint32_t format) override;

private:
    std::vector<uint32_t> SnapshotFormats() const;
    void TakeSnapshot();
    void ReleaseSnapshot();
    void Publish();
    HGLOBAL Convert(const clipboard_mime::ForeignFormat& foreign);
    void WatchClipboard();

    bool m_open = false;
    HWND m_owner = nullptr;
    bool m_emptied = false;
    std::shared_ptr<ClipboardBlocks> m_pending;           // set since EmptyClipboard
    std::shared_ptr<ClipboardBlocks> m_held;              // Ripwell's own data found on opening
    std::vector<clipboard_mime::ForeignFormat> m_foreign; // another program's, found on opening
    std::map<uint32_t, HGLOBAL> m_converted;              // blocks made from another program's data
    std::optional<int> m_count;                           // formats while closed, until the clipboard changes
    QMetaObject::Connection m_changed;
};

// Makes the platform clipboard the desktop's. Needs the QGuiApplication.
void InstallQtClipboardService();

// The formats that the desktop clipboard's data gives, in its order.
std::vector<clipboard_mime::ForeignFormat> FormatsOfMimeData(const QMimeData* data);

} // namespace platform
