// Runs the extraction worker on a thread of its own, as the progress dialog does, and records
// the messages it sends. A test can act on a message as it arrives (raise the cancel flag after
// the n-th one, for example), because the worker waits while a message is handled.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "document/ripwell_doc.h"
#include "extract/read_sectors_thread.h"

struct ReadMessage {
    uint32_t message;
    uintptr_t wParam;
    bool operator==(const ReadMessage&) const = default;
};

class RecordingProgressWindow : public ReadProgressWindow {
public:
    void SendMessage(uint32_t message, uintptr_t wParam) override;

    // Called with each message's index (0-based) after it has been recorded.
    std::function<void(size_t index, const ReadMessage&)> onMessage;
    std::vector<ReadMessage> messages;

    std::vector<uintptr_t> ValuesOf(uint32_t message) const;
    // wParam of WM_READ_DONE; -1 when it never came.
    int64_t FinalStatus() const;
};

struct ReadRun {
    CRipwellDoc document;
    RecordingProgressWindow window;
    std::atomic<int32_t> cancelFlag{0};
    uint32_t exitCode = 0xFFFFFFFF;

    // Starts the worker on first..last with the options and waits for its end.
    void Run(uint32_t first, uint32_t last, ReadMode mode, const ReadOptions& options);
    bool DocumentIsEmpty() const;
    std::vector<uint8_t> Data() const;
};

// The worker's clock and heap, under the test's control.
class ScriptedWorkerEnvironment : public ReadWorkerEnvironment {
public:
    ScriptedWorkerEnvironment();
    ~ScriptedWorkerEnvironment() override;

    uint64_t Now() override;
    bool MayAllocate(size_t bytes) override;

    std::atomic<uint64_t> clock{1000};
    std::atomic<uint64_t> secondsPerCall{0}; // the clock moves on by this at every reading
    std::atomic<size_t> refusedSize{0};      // an allocation of exactly this size fails
};
