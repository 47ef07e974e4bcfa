// The clipboard of a test: holds blocks (and handles that are no blocks) under any format id,
// in the order they were put, answers as the desktop's clipboard does, and fails any step on
// demand. Installs itself as the clipboard and as the fault source of the global memory blocks
// for its lifetime.
//
//   ScriptedClipboard clipboard;
//   clipboard.Put(platform::CF_TEXT, "hello");          // as another program would
//   clipboard.Fail(ScriptedClipboard::Step::Lock);      // every GlobalLock fails from now on
//   ... code under test ...
//   EXPECT_EQ(clipboard.Bytes(platform::CF_TEXT), Bytes("hello"));
#pragma once

#include "platform/clipboard.h"
#include "platform/global_memory.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class ScriptedClipboard : public platform::ClipboardService, public platform::GlobalMemoryFaults {
public:
    enum class Step { Open, Empty, Set, Get, Alloc, Lock };

    ScriptedClipboard();
    ~ScriptedClipboard() override;
    ScriptedClipboard(const ScriptedClipboard&) = delete;
    ScriptedClipboard& operator=(const ScriptedClipboard&) = delete;

    // Contents, as another program leaves them (the clipboard need not be open).
    void Put(uint32_t format, const std::vector<uint8_t>& bytes);
    void Put(uint32_t format, const std::string& bytes);
    // A handle that is no memory block (a bitmap, say); value should be odd, so that it is
    // never the address of a block.
    void PutHandle(uint32_t format, uintptr_t value);
    // A block made by the test, which the clipboard now owns.
    void PutBlock(uint32_t format, platform::HGLOBAL block) { Store(format, block); }
    void Clear();

    // What the clipboard holds now.
    std::vector<uint32_t> Formats() const;
    bool Has(uint32_t format) const { return Find(format) != nullptr; }
    // The bytes of the block under format (empty when there is none or it is no block).
    std::vector<uint8_t> Bytes(uint32_t format) const;

    // Failures: the nth call of step from now on fails (1 the next one); 0 makes every call fail.
    void Fail(Step step, int nth = 0);
    void Heal();

    // Who opened the clipboard, in order; whether it is open now.
    const std::vector<platform::HWND>& Openers() const { return m_openers; }
    bool IsOpen() const { return m_open; }

    bool Open(platform::HWND owner) override;
    bool Close() override;
    bool Empty() override;
    platform::HANDLE SetData(uint32_t format, platform::HANDLE data) override;
    platform::HANDLE GetData(uint32_t format) override;
    int CountFormats() override;
    uint32_t EnumFormats(uint32_t format) override;

    bool AllocFails(size_t bytes) override;
    bool LockFails(platform::HGLOBAL block) override;

private:
    struct Entry {
        uint32_t format = 0;
        platform::HANDLE data = nullptr;
    };
    struct Failure {
        int calls = 0; // calls of the step since Fail
        int nth = -1;  // -1: never fails
    };

    const Entry* Find(uint32_t format) const;
    bool Failing(Step step);
    void Store(uint32_t format, platform::HANDLE data);

    std::vector<Entry> m_entries;
    std::map<Step, Failure> m_failures;
    std::vector<platform::HWND> m_openers;
    bool m_open = false;
    bool m_emptied = false;
    platform::HWND m_owner = nullptr;
    mutable bool m_ownUse = false;
    platform::ClipboardService* m_previous = nullptr;
};
