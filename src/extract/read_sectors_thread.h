// ReadSectorsThread: the extraction worker. It reads a range of CD sectors in blocks into one
// buffer (with jitter correction by overlapping blocks when the setting is on, or as a secure
// read in passes that prove every sector) and, on success, gives that buffer to the document as
// a wave sound. It talks to the progress window only through the WM_READ_ messages, each sent
// synchronously.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include "cdrom/device_reads.h"
#include "extract/secure_read.h"

class CRipwellDoc;

// The window that receives the worker's messages. SendMessage returns only once the message
// has been handled (on the window's own thread).
class ReadProgressWindow {
public:
    virtual ~ReadProgressWindow() = default;
    virtual void SendMessage(uint32_t message, uintptr_t wParam) = 0;
    // Runs work on the window's thread while the worker waits. The worker hands its result to
    // the document this way, so that a view repainting meanwhile never sees it half set.
    virtual void RunOnWindowThread(const std::function<void()>& work) { work(); }
};

// The settings a read is made with. The worker takes them from its request and reads nothing
// else of its surroundings, so reads with different options can run side by side.
struct ReadOptions {
    char drive = 0;                  // the drive letter, 'A'..'Z'
    bool jitterCorrection = false;   // overlapping blocks placed where their first bytes match
    uint32_t overlappingSectors = 0; // the overlap of jitter correction, in sectors
    // Raw reads only: every sector proven by two reads that agree (secure_read.h), with the
    // drive's read offset corrected; jitter correction does not take part then.
    bool secureMode = false;
    SecureReadOptions secure;
};

// Built on the heap by the progress dialog; the worker owns it from its start and frees it on
// every way out.
struct ReadRequest {
    uint32_t firstSector = 0;
    uint32_t lastSector = 0;          // inclusive
    ReadMode mode = READ_MODE_COOKED; // 1 raw, any other value cooked
    ReadOptions options;
    CRipwellDoc* document = nullptr;
    ReadProgressWindow* progressWindow = nullptr;
    std::atomic<int32_t>* cancelFlag = nullptr; // owned by the dialog; non-zero asks to stop
};

// Exit codes of the worker (nobody reads them; the status sent with WM_READ_DONE counts).
inline constexpr uint32_t READ_EXIT_OK = 0;
inline constexpr uint32_t READ_EXIT_NO_MEMORY = 1;
inline constexpr uint32_t READ_EXIT_CANCELLED = 2;
inline constexpr uint32_t READ_EXIT_DRIVE_ERROR = 3;
inline constexpr uint32_t READ_EXIT_BUFFER_TOO_LARGE = 4;

inline constexpr uint32_t RAW_BLOCK_SECTORS = 27;    // 63504 bytes
inline constexpr uint32_t COOKED_BLOCK_SECTORS = 32; // 65536 bytes

// The thread procedure: runs one read to its end, sends WM_READ_DONE last and returns the
// exit code. Takes ownership of request (allocated with new).
uint32_t ReadSectorsThread(ReadRequest* request);

// What the worker takes from its surroundings besides the drive and the settings: the clock
// and the heap. The real one uses the system clock and lets every allocation through; tests
// install one that refuses chosen allocations or moves the clock.
class ReadWorkerEnvironment {
public:
    virtual ~ReadWorkerEnvironment() = default;
    // Seconds of the system clock.
    virtual uint64_t Now() = 0;
    // false makes the allocation of a buffer of that many bytes fail as if the heap were full.
    virtual bool MayAllocate(size_t bytes) = 0;
};

// Installs an environment; nullptr goes back to the real one. The caller keeps ownership.
void SetReadWorkerEnvironment(ReadWorkerEnvironment* environment);
