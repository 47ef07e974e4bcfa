#include "extract/read_sectors_thread.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <new>

#include "cdrom/address.h"
#include "cdrom/cdrom_drive.h"
#include "document/ripwell_doc.h"
#include "document/wave_header.h"
#include "extract/secure_read.h"
#include "extract/shift_search.h"
#include "platform/block_memory.h"
#include "platform/large_memory.h"
#include "res/resource.h"

namespace {

// Used internally to mean "go on"; never sent.
constexpr uint16_t READ_CONTINUE = 0;
// A final block read early is followed by reads of the end of the range until the end is
// read; after this many the rest stays zero, as it was before these reads.
constexpr int MAX_TAIL_READS = 8;
// A block whose first bytes match nowhere is read again this many times at most, as a drive
// that lost its place may find it on the next read. Once this many blocks of a read matched
// nowhere after all their reads, the drive is off by more than the window every time, and a
// block is placed after its first read, as it always was.
constexpr int MAX_SYNC_REREADS = 15;
constexpr int MAX_HOPELESS_BLOCKS = 3;

class SystemEnvironment : public ReadWorkerEnvironment {
public:
    uint64_t Now() override
    {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::seconds>(now).count());
    }
    bool MayAllocate(size_t) override { return true; }
};

SystemEnvironment g_systemEnvironment;
// Set by the user-interface thread before a worker starts; the thread start orders the write
// before the worker's reads.
ReadWorkerEnvironment* g_environment = &g_systemEnvironment;

uint8_t* AllocateBuffer(size_t bytes)
{
    if (!g_environment->MayAllocate(bytes))
        return nullptr;
    return new (std::nothrow) uint8_t[bytes];
}

// The result becomes the document's block, so it comes from the document's block memory.
uint8_t* AllocateResult(size_t bytes)
{
    if (!g_environment->MayAllocate(bytes))
        return nullptr;
    return platform::AllocateDataBlock(bytes);
}

uint32_t ExitCodeOf(uint16_t status)
{
    switch (status) {
    case 0: return READ_EXIT_OK;
    case res::READ_CANCELLED: return READ_EXIT_CANCELLED;
    case res::READ_NO_DOCUMENT_MEMORY:
    case res::READ_NO_BUFFER_MEMORY: return READ_EXIT_NO_MEMORY;
    case DRIVE_ERROR_BUFFER_TOO_LARGE: return READ_EXIT_BUFFER_TOO_LARGE;
    default: return READ_EXIT_DRIVE_ERROR;
    }
}

// One run of the worker; the letters of the comments (N, S, B, OV, W, K, F ...) are the
// quantities the block arithmetic is usually explained with.
class SectorReader {
public:
    explicit SectorReader(ReadRequest* request) : m_request(request) {}
    ~SectorReader()
    {
        platform::ReleaseDataBlock(m_pResult);
        delete[] m_pReadBuffer;
    }
    SectorReader(const SectorReader&) = delete;
    SectorReader& operator=(const SectorReader&) = delete;

    uint32_t Run();

private:
    void TakeOptions();
    uint16_t SetUpBlocks();
    uint16_t ReadAllAtOnce();
    uint16_t ReadFullBlocks();
    uint16_t ReadFinalBlock(uint32_t sectorOffset, size_t byteOffset);
    uint16_t PlaceFullBlock(size_t byteOffset, uint32_t sector);
    uint16_t PlaceFinalBlock(size_t byteOffset, size_t finalBytes, uint32_t sector);
    uint16_t ReadMissingEnd();
    uint32_t ReadSecurely();
    int32_t SynchroniseAt(size_t byteOffset, uint32_t sector, uint32_t count, uint16_t* status);
    void ReportProgress(uint32_t sector);
    bool Cancelled() const;
    void Send(uint32_t message, uintptr_t wParam);
    uint32_t Complete();
    uint32_t Exit(uint16_t status);

    std::unique_ptr<ReadRequest> m_request;
    ReadProgressWindow* m_pWindow = nullptr;

    char m_cDrive = 0;
    bool m_bJitter = false;
    uint32_t m_nOverlap = 0;      // OV, sectors
    uint32_t m_nSectors = 0;      // N
    uint32_t m_nSectorSize = 0;   // S
    uint32_t m_nBlockSectors = 0; // B
    size_t m_nBlockBytes = 0;     // BB
    size_t m_nOverlapBytes = 0;   // OVB
    uint32_t m_nWindow = 0;       // W
    size_t m_nDataBytes = 0;      // T
    int64_t m_nRemaining = 0;     // R = N - B
    uint32_t m_nFullBlocks = 0;   // K
    uint32_t m_nFinalSectors = 0; // F
    uint64_t m_nStartTime = 0;    // t0
    bool m_bMayRetry = true;      // a shortage of transfer memory still shrinks the block
    int m_nHopelessBlocks = 0;    // blocks that matched nowhere after all their reads

    uint8_t* m_pResult = nullptr; // 44 header bytes, then the data area
    uint8_t* m_pData = nullptr;
    uint8_t* m_pReadBuffer = nullptr;
    size_t m_nWrittenEnd = 0; // the data area holds read bytes up to here
};

uint32_t SectorReader::Run()
{
    m_pWindow = m_request->progressWindow;
    TakeOptions();
    // The document's length is 32 bits; a range beyond that cannot be held (nor, in practice,
    // allocated), so it is reported as the memory shortage it amounts to.
    if (!m_request->document || m_nDataBytes + WAVE_HEADER_SIZE > UINT32_MAX)
        return Exit(res::READ_NO_DOCUMENT_MEMORY);
    m_pResult = AllocateResult(m_nDataBytes + WAVE_HEADER_SIZE);
    if (!m_pResult)
        return Exit(res::READ_NO_DOCUMENT_MEMORY);
    // Each block is copied into it once: its pages are made present up front, on huge pages
    // where the kernel has them, rather than faulted in 4 KiB at a time while the blocks come.
    // Memory the system cannot back is a shortage like any other.
    if (!platform::PrepareLargeBlock(m_pResult, m_nDataBytes + WAVE_HEADER_SIZE))
        return Exit(res::READ_NO_DOCUMENT_MEMORY);
    m_pData = m_pResult + WAVE_HEADER_SIZE;
    if (m_request->options.secureMode && m_request->mode == READ_MODE_RAW)
        return ReadSecurely();
    m_nRemaining = static_cast<int64_t>(m_nSectors) - m_nBlockSectors;

    for (;;) {
        uint16_t status = SetUpBlocks();
        if (status != READ_CONTINUE)
            return Exit(status);
        m_bMayRetry = true;
        status = m_nFullBlocks == 0 ? ReadAllAtOnce() : ReadFullBlocks();
        if (status == DRIVE_ERROR_NO_MEMORY && m_bMayRetry && m_nBlockSectors > 1) {
            --m_nBlockSectors;
            m_nBlockBytes -= m_nSectorSize;
            ++m_nRemaining;
            continue;
        }
        if (status != READ_CONTINUE)
            return Exit(status);
        return Complete();
    }
}

void SectorReader::TakeOptions()
{
    m_cDrive = m_request->options.drive;
    m_bJitter = m_request->options.jitterCorrection;
    m_nOverlap = m_request->options.overlappingSectors;

    const bool raw = m_request->mode == READ_MODE_RAW;
    m_nSectorSize = raw ? RAW_SECTOR_SIZE : COOKED_SECTOR_SIZE;
    m_nBlockSectors = raw ? RAW_BLOCK_SECTORS : COOKED_BLOCK_SECTORS;
    m_nSectors = m_request->lastSector - m_request->firstSector + 1;
    m_nDataBytes = static_cast<size_t>(m_nSectors) * m_nSectorSize;
    m_nBlockBytes = static_cast<size_t>(m_nBlockSectors) * m_nSectorSize;
    m_nOverlapBytes = static_cast<size_t>(m_nOverlap) * m_nSectorSize;
    m_nWindow = static_cast<uint32_t>(m_nOverlapBytes / 2);
}

// Allocates the read buffer and works out the blocks; also the restart point after a
// shortage of transfer memory.
uint16_t SectorReader::SetUpBlocks()
{
    delete[] m_pReadBuffer;
    m_pReadBuffer = AllocateBuffer(m_nBlockBytes);
    if (!m_pReadBuffer)
        return res::READ_NO_BUFFER_MEMORY;

    if (m_bJitter) {
        // A block must be at least one and a half overlaps long.
        if (m_nBlockBytes < m_nOverlapBytes + m_nWindow)
            return DRIVE_ERROR_BUFFER_TOO_LARGE;
        const int64_t step = static_cast<int64_t>(m_nBlockSectors) - m_nOverlap; // P
        if (m_nRemaining > 0) {
            m_nFullBlocks = static_cast<uint32_t>(m_nRemaining / step + 1);
            m_nFinalSectors = static_cast<uint32_t>(m_nRemaining % step) + m_nOverlap;
        } else {
            m_nFullBlocks = 0;
            m_nFinalSectors = 0;
        }
    } else {
        m_nFullBlocks = m_nSectors / m_nBlockSectors;
        m_nFinalSectors = m_nSectors % m_nBlockSectors;
    }
    m_nStartTime = g_environment->Now();
    return READ_CONTINUE;
}

// A range that fits one block: one request straight into the data area, no messages.
uint16_t SectorReader::ReadAllAtOnce()
{
    return ReadSectors(m_cDrive, m_request->firstSector, m_nSectors, m_pData, m_request->mode);
}

uint16_t SectorReader::ReadFullBlocks()
{
    uint32_t sectorOffset = 0;
    size_t byteOffset = 0;
    for (uint32_t pass = 1; pass <= m_nFullBlocks; ++pass) {
        // With overlap, the block starts OV sectors before the end of the previous one.
        if (m_bJitter && pass > 1) {
            sectorOffset -= m_nOverlap;
            byteOffset -= m_nOverlapBytes;
        }
        if (Cancelled())
            return res::READ_CANCELLED;
        const uint32_t sector = m_request->firstSector + sectorOffset;
        ReportProgress(sector);
        const DriveError error = ReadSectors(m_cDrive, sector, m_nBlockSectors, m_pReadBuffer, m_request->mode);
        if (error != DRIVE_OK)
            return error;
        m_bMayRetry = false;
        if (!m_bJitter || pass == 1) {
            std::memcpy(m_pData + byteOffset, m_pReadBuffer, m_nBlockBytes);
            m_nWrittenEnd = byteOffset + m_nBlockBytes;
        } else {
            const uint16_t status = PlaceFullBlock(byteOffset, sector);
            if (status != READ_CONTINUE)
                return status;
        }
        sectorOffset += m_nBlockSectors;
        byteOffset += m_nBlockBytes;
    }
    return ReadFinalBlock(sectorOffset, byteOffset);
}

uint16_t SectorReader::ReadFinalBlock(uint32_t sectorOffset, size_t byteOffset)
{
    if (Cancelled())
        return res::READ_CANCELLED;
    if (m_nFinalSectors == 0)
        return READ_CONTINUE;
    if (m_bJitter) {
        sectorOffset -= m_nOverlap;
        byteOffset -= m_nOverlapBytes;
    }
    const uint32_t sector = m_request->firstSector + sectorOffset;
    ReportProgress(sector);
    const DriveError error = ReadSectors(m_cDrive, sector, m_nFinalSectors, m_pReadBuffer, m_request->mode);
    if (error != DRIVE_OK)
        return error;
    const size_t finalBytes = static_cast<size_t>(m_nFinalSectors) * m_nSectorSize;
    if (m_bJitter)
        return PlaceFinalBlock(byteOffset, finalBytes, sector);
    std::memcpy(m_pData + byteOffset, m_pReadBuffer, finalBytes);
    return READ_CONTINUE;
}

// Finds where the block just read (count sectors from sector) belongs around byteOffset and
// reports it. Only bytes already read take part: after a block that was placed early, the last
// bytes of its nominal place were never written. A block that matches nowhere is read again
// (each read reported) before it is placed without shift; a failing read or a cancel ends the
// worker through *status.
int32_t SectorReader::SynchroniseAt(size_t byteOffset, uint32_t sector, uint32_t count, uint16_t* status)
{
    *status = READ_CONTINUE;
    for (int reread = 0;; ++reread) {
        const int32_t shift = FindShift(m_pReadBuffer, m_pData, m_nWrittenEnd, byteOffset, m_nWindow);
        Send(res::WM_READ_SYNC, static_cast<uintptr_t>(static_cast<intptr_t>(shift)));
        if (shift != res::SYNC_FAILED)
            return shift;
        if (reread == MAX_SYNC_REREADS || m_nHopelessBlocks >= MAX_HOPELESS_BLOCKS) {
            ++m_nHopelessBlocks;
            return 0;
        }
        if (Cancelled()) {
            *status = res::READ_CANCELLED;
            return 0;
        }
        const DriveError error = ReadSectors(m_cDrive, sector, count, m_pReadBuffer, m_request->mode);
        if (error != DRIVE_OK) {
            *status = error;
            return 0;
        }
    }
}

// The block goes to its place, cut at the end of the data area.
uint16_t SectorReader::PlaceFullBlock(size_t byteOffset, uint32_t sector)
{
    uint16_t status = READ_CONTINUE;
    const int64_t shift = SynchroniseAt(byteOffset, sector, m_nBlockSectors, &status);
    if (status != READ_CONTINUE)
        return status;
    const size_t destination = static_cast<size_t>(static_cast<int64_t>(byteOffset) + shift);
    if (destination >= m_nDataBytes)
        return READ_CONTINUE;
    const size_t count = std::min(m_nBlockBytes, m_nDataBytes - destination);
    std::memcpy(m_pData + destination, m_pReadBuffer, count);
    m_nWrittenEnd = std::max(m_nWrittenEnd, destination + count);
    return READ_CONTINUE;
}

// The final block ends at the last sector: at a positive shift its last bytes are dropped. At a
// negative one it came early and ends short of the end of the data area; the bytes it did not
// bring are read (instead of being left as zeros).
uint16_t SectorReader::PlaceFinalBlock(size_t byteOffset, size_t finalBytes, uint32_t sector)
{
    uint16_t status = READ_CONTINUE;
    const int64_t shift = SynchroniseAt(byteOffset, sector, m_nFinalSectors, &status);
    if (status != READ_CONTINUE)
        return status;
    const size_t destination = static_cast<size_t>(static_cast<int64_t>(byteOffset) + shift);
    if (shift >= 0) {
        std::memcpy(m_pData + destination, m_pReadBuffer, finalBytes - static_cast<size_t>(shift));
        return READ_CONTINUE;
    }
    std::memcpy(m_pData + destination, m_pReadBuffer, finalBytes);
    m_nWrittenEnd = std::max(m_nWrittenEnd, destination + finalBytes);
    return ReadMissingEnd();
}

// Reads the last sectors of the range again, with a few beyond it where the disc has them, and
// places each read like a block until the data area is complete. The read starts one and a
// half overlaps before the end, so that its first bytes are compared with data already placed
// whatever its shift within the window; the sectors beyond make up for a read that comes early.
uint16_t SectorReader::ReadMissingEnd()
{
    const uint32_t before = std::min({m_nSectors, m_nBlockSectors, std::max<uint32_t>(1, (3 * m_nOverlap + 1) / 2)});
    uint32_t beyond = std::min(m_nBlockSectors - before, (m_nOverlap + 1) / 2);
    const size_t anchor = m_nDataBytes - static_cast<size_t>(before) * m_nSectorSize;
    for (int read = 0; read < MAX_TAIL_READS && m_nWrittenEnd < m_nDataBytes; ++read) {
        if (Cancelled())
            return res::READ_CANCELLED;
        const uint32_t count = before + beyond;
        DriveError error =
            ReadSectors(m_cDrive, m_request->lastSector - before + 1, count, m_pReadBuffer, m_request->mode);
        if (error != DRIVE_OK && beyond > 0) {
            beyond = 0; // the disc ends at the last sector
            error = ReadSectors(m_cDrive, m_request->lastSector - before + 1, before, m_pReadBuffer, m_request->mode);
        }
        if (error != DRIVE_OK)
            return error;
        const int32_t shift = FindShift(m_pReadBuffer, m_pData, m_nWrittenEnd, anchor, m_nWindow);
        Send(res::WM_READ_SYNC, static_cast<uintptr_t>(static_cast<intptr_t>(shift)));
        if (shift == res::SYNC_FAILED)
            continue;
        const size_t start = static_cast<size_t>(static_cast<int64_t>(anchor) + shift);
        const size_t end = std::min(m_nDataBytes, start + static_cast<size_t>(before + beyond) * m_nSectorSize);
        if (end > m_nWrittenEnd) {
            std::memcpy(m_pData + m_nWrittenEnd, m_pReadBuffer + (m_nWrittenEnd - start), end - m_nWrittenEnd);
            m_nWrittenEnd = end;
        }
    }
    if (m_nWrittenEnd < m_nDataBytes)
        std::memset(m_pData + m_nWrittenEnd, 0, m_nDataBytes - m_nWrittenEnd);
    return READ_CONTINUE;
}

// The worker's messages for the passes of a secure read: the pass in the mode text, position,
// time left and percentage over the work of both passes.
class SecureReadMessages : public SecureReadProgress {
public:
    SecureReadMessages(ReadProgressWindow* window, uint64_t startTime) : m_pWindow(window), m_nStartTime(startTime) {}

    void OnPass(SecurePass pass) override { Send(res::WM_READ_PASS, static_cast<uintptr_t>(pass)); }

    void OnRead(uint32_t sector, uint64_t done, uint64_t total) override
    {
        Send(res::WM_READ_POSITION, sector);
        if (done > 0 && done < total) {
            const uint64_t now = g_environment->Now();
            const uint64_t elapsed = now > m_nStartTime ? now - m_nStartTime : 0;
            Send(res::WM_READ_TIMELEFT,
                 static_cast<uintptr_t>(std::min<uint64_t>(elapsed * (total - done) / done, UINT32_MAX)));
        }
        Send(res::WM_READ_PERCENT,
             static_cast<uintptr_t>(total == 0 ? 100 : std::min<uint64_t>(done * 100 / total, 100)));
    }

private:
    void Send(uint32_t message, uintptr_t wParam)
    {
        if (m_pWindow)
            m_pWindow->SendMessage(message, wParam);
    }

    ReadProgressWindow* m_pWindow;
    uint64_t m_nStartTime;
};

// A secure read straight into the data area; its report goes to the window before the end.
uint32_t SectorReader::ReadSecurely()
{
    CdromDrive drive;
    const DriveError opened = drive.Open(m_cDrive);
    if (opened != DRIVE_OK)
        return Exit(opened);
    SecureReadMessages messages(m_pWindow, g_environment->Now());
    SecureReadReport report;
    const uint16_t status = SecureRead(drive, m_request->firstSector, m_request->lastSector, m_pData,
                                       m_request->options.secure, &messages, m_request->cancelFlag, &report);
    drive.Close();
    if (status != 0)
        return Exit(status);
    Send(res::WM_READ_REPORT, reinterpret_cast<uintptr_t>(&report));
    return Complete();
}

void SectorReader::ReportProgress(uint32_t sector)
{
    Send(res::WM_READ_POSITION, sector);
    const uint32_t done = sector - m_request->firstSector;
    const uint32_t left = m_request->lastSector - sector;
    if (done > 0) {
        // In 64 bits: seconds x sectors left passes 32 bits after a few hours of reading.
        const uint64_t now = g_environment->Now();
        const uint64_t elapsed = now > m_nStartTime ? now - m_nStartTime : 0;
        const uint64_t estimate = elapsed * left / done;
        Send(res::WM_READ_TIMELEFT, static_cast<uintptr_t>(std::min<uint64_t>(estimate, UINT32_MAX)));
    }
    const uint64_t percent = m_nSectors == 0 ? 100 : uint64_t{done} * 100 / m_nSectors;
    Send(res::WM_READ_PERCENT, static_cast<uintptr_t>(percent));
}

bool SectorReader::Cancelled() const
{
    return m_request->cancelFlag && m_request->cancelFlag->load(std::memory_order_relaxed) != 0;
}

void SectorReader::Send(uint32_t message, uintptr_t wParam)
{
    if (m_pWindow)
        m_pWindow->SendMessage(message, wParam);
}

uint32_t SectorReader::Complete()
{
    // A cancel during the last read still discards the result.
    if (Cancelled())
        return Exit(res::READ_CANCELLED);
    delete[] m_pReadBuffer;
    m_pReadBuffer = nullptr;

    CRipwellDoc* document = m_request->document;
    const auto handOver = [&] {
        document->AdoptBlock(m_pResult, m_pResult, static_cast<uint32_t>(m_nDataBytes),
                             m_request->mode == READ_MODE_RAW, WAVE_FORMAT_44100_16_STEREO);
    };
    if (m_pWindow)
        m_pWindow->RunOnWindowThread(handOver);
    else
        handOver();
    m_pResult = nullptr;
    m_pData = nullptr;
    return Exit(0);
}

// Frees everything the worker still holds, then sends the final status as its last message.
uint32_t SectorReader::Exit(uint16_t status)
{
    platform::ReleaseDataBlock(m_pResult);
    m_pResult = nullptr;
    m_pData = nullptr;
    delete[] m_pReadBuffer;
    m_pReadBuffer = nullptr;
    m_request.reset();
    Send(res::WM_READ_DONE, status);
    return ExitCodeOf(status);
}

} // namespace

uint32_t ReadSectorsThread(ReadRequest* request)
{
    if (!request)
        return READ_EXIT_NO_MEMORY;
    SectorReader reader(request);
    return reader.Run();
}

void SetReadWorkerEnvironment(ReadWorkerEnvironment* environment)
{
    g_environment = environment ? environment : &g_systemEnvironment;
}
