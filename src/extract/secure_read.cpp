#include "extract/secure_read.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "cdrom/address.h"
#include "extract/crc32.h"
#include "res/resource.h"

namespace {

constexpr uint32_t SECTOR = RAW_SECTOR_SIZE;
constexpr uint32_t BYTES_PER_SAMPLE = 4;
// Where the disc's size is not known, a cache is defeated this many sectors away (about 40 MB,
// beyond the cache of any drive).
constexpr int64_t FAR_AWAY = 20000;
// Used internally to mean "go on"; never returned.
constexpr uint16_t CONTINUE = 0xFFFF;

// What one read of an output sector gave.
enum SectorFlag : uint8_t {
    TEST_C2 = 1,     // the test pass read it with C2 errors
    TEST_FAILED = 2, // the test pass could not read it
};

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

template <typename T> std::unique_ptr<T[]> Allocate(size_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[count]());
}

// One sector that two reads have not yet proven: the distinct results seen so far, with how
// many reads gave each and how many of those carried no C2 error. The destination holds the
// bytes of the best result that came with its bytes.
struct Candidate {
    uint32_t crc;
    uint32_t votes;
    uint32_t cleanVotes;
};

struct Unsettled {
    uint32_t index; // output sector, from the first of the range
    uint32_t reads = 0;
    std::vector<Candidate> candidates;
    int best = -1; // the candidate whose bytes the destination holds
    bool proven = false;
};

class SecureReader {
public:
    SecureReader(CdromDrive& drive, uint32_t first, uint32_t last, uint8_t* destination,
                 const SecureReadOptions& options, SecureReadProgress* progress, const std::atomic<int32_t>* cancelFlag,
                 SecureReadReport* report)
        : m_drive(drive),
          m_first(first),
          m_count(last - first + 1),
          m_pDestination(destination),
          m_options(options),
          m_progress(progress),
          m_cancel(cancelFlag),
          m_report(*report),
          m_joiner(SECTOR)
    {
    }

    uint16_t Run();

private:
    uint16_t SetUp();
    uint16_t TestPass();
    uint16_t CopyPass();
    uint16_t ReReads();
    void Finish();

    uint16_t ReadOutput(uint32_t index, uint32_t count, uint8_t** bytes, bool countZeros);
    DriveError ReadDriveSectors(int64_t start, uint32_t count, uint8_t* data, uint8_t* pointers, bool countZeros,
                                int64_t wantedFrom, int64_t wantedTo);
    bool HasC2Errors(uint32_t k) const;
    void DefeatCache(int64_t near);
    void Vote(Unsettled& sector, uint32_t crc, bool clean, const uint8_t* bytes);
    bool Cancelled() const { return m_cancel && m_cancel->load(std::memory_order_relaxed) != 0; }
    void Pass(SecurePass pass)
    {
        if (m_progress)
            m_progress->OnPass(pass);
    }
    void Reading(uint32_t index, uint64_t done)
    {
        if (m_progress)
            m_progress->OnRead(m_first + index, done, 2 * uint64_t{m_count});
    }

    CdromDrive& m_drive;
    const uint32_t m_first;
    const uint32_t m_count; // N
    uint8_t* const m_pDestination;
    const SecureReadOptions m_options;
    SecureReadProgress* const m_progress;
    const std::atomic<int32_t>* const m_cancel;
    SecureReadReport& m_report;
    const Crc32Joiner m_joiner;

    int64_t m_offsetBytes = 0;
    int64_t m_leadOut = -1; // -1: not known
    bool m_c2 = false;
    bool m_leadInRefused = false;
    bool m_leadOutRefused = false;
    uint32_t m_chunk = 0; // output sectors a read
    uint32_t m_zeroSectorCrc = 0;

    std::unique_ptr<uint8_t[]> m_driveBytes; // the drive's sectors of one read
    std::unique_ptr<uint8_t[]> m_pointers;   // their C2 error pointers
    std::unique_ptr<uint32_t[]> m_crcs;      // per output sector: the test pass's, then the result's
    std::unique_ptr<uint8_t[]> m_flags;      // per output sector: SectorFlag
    std::vector<Unsettled> m_unsettled;
    const uint8_t* m_pReadBytes = nullptr; // where the last read's output sectors lie
    int64_t m_readStartInDrive = 0;        // drive byte of the last read's first output byte
    int64_t m_readFirstDriveSector = 0;
    bool m_readHasC2 = false;       // the last read brought C2 errors
    std::vector<bool> m_readFailed; // output sectors of the last read that could not be read
};

uint16_t SecureReader::Run()
{
    m_report = SecureReadReport{};
    uint16_t status = SetUp();
    if (status == CONTINUE)
        status = TestPass();
    if (status == CONTINUE)
        status = CopyPass();
    if (status == CONTINUE)
        status = ReReads();
    if (status != CONTINUE)
        return status;
    Finish();
    return 0;
}

uint16_t SecureReader::SetUp()
{
    const int32_t offset = std::clamp(m_options.readOffset, MIN_READ_OFFSET, MAX_READ_OFFSET);
    m_report.readOffset = offset;
    m_offsetBytes = int64_t{offset} * BYTES_PER_SAMPLE;
    uint32_t leadOut = 0;
    if (m_drive.ReadLeadOut(&leadOut))
        m_leadOut = leadOut;

    // A read of output sectors spans one drive sector more when the offset is not whole sectors.
    const bool aligned = m_offsetBytes % SECTOR == 0;
    m_chunk = CdromDrive::MAX_SECTORS_WITH_C2 - (aligned ? 0 : 1);
    const size_t driveSectors = CdromDrive::MAX_SECTORS + 1;
    m_driveBytes = Allocate<uint8_t>(driveSectors * SECTOR);
    m_pointers = Allocate<uint8_t>(driveSectors * C2_POINTER_BYTES);
    m_crcs = Allocate<uint32_t>(m_count);
    m_flags = Allocate<uint8_t>(m_count);
    if (!m_driveBytes || !m_pointers || !m_crcs || !m_flags)
        return res::READ_NO_BUFFER_MEMORY;
    const std::vector<uint8_t> zeros(SECTOR, 0);
    m_zeroSectorCrc = Crc32(zeros.data(), zeros.size());

    // Whether the drive gives C2 error pointers: one sector of the range, read with them.
    if (m_options.useC2) {
        int64_t probe = std::max<int64_t>(FloorDiv(int64_t{m_first} * SECTOR + m_offsetBytes, SECTOR), 0);
        if (m_leadOut > 0)
            probe = std::min(probe, m_leadOut - 1);
        m_c2 = m_drive.ReadRaw(probe, 1, m_driveBytes.get(), m_pointers.get()) != DRIVE_ERROR_NOT_SUPPORTED;
    }
    m_report.c2Used = m_c2;
    if (!m_c2)
        m_chunk = CdromDrive::MAX_SECTORS - (aligned ? 0 : 1);
    return CONTINUE;
}

// Reads drive sectors start .. start + count - 1, the part inside the disc as one request and
// the parts in the lead-in and the lead-out as overreads, which become zeros where the drive
// refuses them; zeros that fall between the drive bytes wantedFrom and wantedTo are counted.
DriveError SecureReader::ReadDriveSectors(int64_t start, uint32_t count, uint8_t* data, uint8_t* pointers,
                                          bool countZeros, int64_t wantedFrom, int64_t wantedTo)
{
    const int64_t end = start + count;
    uint64_t zeros = 0;
    const int64_t insideFrom = std::max<int64_t>(start, 0);
    const int64_t insideTo = m_leadOut < 0 ? end : std::min(end, m_leadOut);
    const auto readPart = [&](int64_t from, int64_t to, bool outside, bool* refused) -> DriveError {
        if (from >= to)
            return DRIVE_OK;
        uint8_t* at = data + (from - start) * SECTOR;
        uint8_t* c2 = pointers ? pointers + (from - start) * C2_POINTER_BYTES : nullptr;
        if (c2)
            std::memset(c2, 0, static_cast<size_t>(to - from) * C2_POINTER_BYTES);
        if (outside && *refused) {
            std::memset(at, 0, static_cast<size_t>(to - from) * SECTOR);
        } else {
            const DriveError error = m_drive.ReadRaw(from, static_cast<uint32_t>(to - from), at, c2);
            if (error == DRIVE_OK)
                return DRIVE_OK;
            if (!outside)
                return error;
            *refused = true;
            std::memset(at, 0, static_cast<size_t>(to - from) * SECTOR);
            if (c2)
                std::memset(c2, 0, static_cast<size_t>(to - from) * C2_POINTER_BYTES);
        }
        if (countZeros) {
            const int64_t zeroFrom = std::max(from * SECTOR, wantedFrom);
            const int64_t zeroTo = std::min(to * SECTOR, wantedTo);
            if (zeroTo > zeroFrom)
                zeros += static_cast<uint64_t>(zeroTo - zeroFrom) / BYTES_PER_SAMPLE;
        }
        return DRIVE_OK;
    };
    bool insideRefused = false;
    DriveError error = readPart(start, std::min(insideFrom, end), true, &m_leadInRefused);
    if (error == DRIVE_OK)
        error = readPart(insideFrom, insideTo, false, &insideRefused);
    if (error == DRIVE_OK)
        error = readPart(std::max(insideTo, start), end, true, &m_leadOutRefused);
    if (error == DRIVE_OK)
        m_report.zeroSamples += zeros;
    return error;
}

// Reads output sectors index .. index + count - 1. On success *bytes points at the first of
// them (in the read buffer); sectors that could not be read are marked in m_readFailed, and a
// read where every sector failed gives the drive's error.
uint16_t SecureReader::ReadOutput(uint32_t index, uint32_t count, uint8_t** bytes, bool countZeros)
{
    const int64_t from = (int64_t{m_first} + index) * SECTOR + m_offsetBytes;
    const int64_t to = from + int64_t{count} * SECTOR;
    const int64_t firstSector = FloorDiv(from, SECTOR);
    const auto sectors = static_cast<uint32_t>(FloorDiv(to - 1, SECTOR) - firstSector + 1);
    uint8_t* pointers = m_c2 ? m_pointers.get() : nullptr;
    m_readFailed.assign(count, false);
    m_readFirstDriveSector = firstSector;
    m_readStartInDrive = from - firstSector * SECTOR;
    *bytes = m_driveBytes.get() + m_readStartInDrive;
    m_pReadBytes = *bytes;

    DriveError error = ReadDriveSectors(firstSector, sectors, m_driveBytes.get(), pointers, countZeros, from, to);
    if (error == DRIVE_ERROR_NOT_SUPPORTED && pointers) {
        // The drive gave pointers to the first read and none now: go on without them.
        m_c2 = false;
        m_report.c2Used = false;
        pointers = nullptr;
        error = ReadDriveSectors(firstSector, sectors, m_driveBytes.get(), nullptr, countZeros, from, to);
    }
    if (error != DRIVE_OK && count > 1) {
        // One sector the drive cannot read spoils the request: each sector on its own, so that
        // only those that fail are lost.
        bool any = false;
        for (uint32_t k = 0; k < count; ++k) {
            const int64_t sectorFrom = from + int64_t{k} * SECTOR;
            const int64_t start = FloorDiv(sectorFrom, SECTOR);
            const auto span = static_cast<uint32_t>(FloorDiv(sectorFrom + SECTOR - 1, SECTOR) - start + 1);
            const int64_t at = start - firstSector;
            const DriveError single = ReadDriveSectors(start, span, m_driveBytes.get() + at * SECTOR,
                                                       pointers ? pointers + at * C2_POINTER_BYTES : nullptr,
                                                       countZeros, sectorFrom, sectorFrom + SECTOR);
            if (single == DRIVE_OK)
                any = true;
            else
                m_readFailed[k] = true;
        }
        if (any)
            error = DRIVE_OK;
    } else if (error != DRIVE_OK) {
        m_readFailed[0] = true;
    }
    if (error != DRIVE_OK)
        return error;
    for (uint32_t k = 0; k < count; ++k)
        if (m_readFailed[k])
            std::memset(*bytes + size_t{k} * SECTOR, 0, SECTOR);

    m_readHasC2 = false;
    if (pointers) {
        const size_t length = size_t{sectors} * C2_POINTER_BYTES;
        m_readHasC2 = std::any_of(pointers, pointers + length, [](uint8_t b) { return b != 0; });
    }
    return DRIVE_OK;
}

// Whether any byte of output sector k of the last read carries a C2 error bit.
bool SecureReader::HasC2Errors(uint32_t k) const
{
    if (!m_readHasC2)
        return false;
    const int64_t from = m_readStartInDrive + int64_t{k} * SECTOR;
    for (int64_t byte = from; byte < from + SECTOR; ++byte) {
        const int64_t sector = byte / SECTOR;
        const int64_t within = byte % SECTOR;
        if (m_pointers[static_cast<size_t>(sector * C2_POINTER_BYTES + within / 8)] & (0x80 >> (within % 8)))
            return true;
    }
    return false;
}

uint16_t SecureReader::TestPass()
{
    Pass(SecurePass::Test);
    uint32_t testCrc = 0;
    bool anyRead = false;
    for (uint32_t index = 0; index < m_count; index += m_chunk) {
        if (Cancelled())
            return res::READ_CANCELLED;
        const uint32_t count = std::min(m_chunk, m_count - index);
        Reading(index, index);
        uint8_t* bytes = nullptr;
        const uint16_t error = ReadOutput(index, count, &bytes, false);
        // A drive that reads nothing at all (no disc, a dead drive) ends the read.
        if (error != DRIVE_OK && !anyRead)
            return error;
        anyRead = true;
        for (uint32_t k = 0; k < count; ++k) {
            const uint32_t sector = index + k;
            const bool failed = error != DRIVE_OK || m_readFailed[k];
            m_crcs[sector] = failed ? m_zeroSectorCrc : Crc32(bytes + size_t{k} * SECTOR, SECTOR);
            m_flags[sector] =
                static_cast<uint8_t>((failed ? TEST_FAILED : 0) | (!failed && HasC2Errors(k) ? TEST_C2 : 0));
            testCrc = sector == 0 ? m_crcs[sector] : m_joiner.Append(testCrc, m_crcs[sector]);
        }
    }
    m_report.testCrc = testCrc;
    return CONTINUE;
}

uint16_t SecureReader::CopyPass()
{
    if (m_options.defeatCache)
        DefeatCache(m_first);
    Pass(SecurePass::Copy);
    for (uint32_t index = 0; index < m_count; index += m_chunk) {
        if (Cancelled())
            return res::READ_CANCELLED;
        const uint32_t count = std::min(m_chunk, m_count - index);
        Reading(index, uint64_t{m_count} + index);
        uint8_t* bytes = nullptr;
        const uint16_t error = ReadOutput(index, count, &bytes, true);
        for (uint32_t k = 0; k < count; ++k) {
            const uint32_t sector = index + k;
            uint8_t* destination = m_pDestination + size_t{sector} * SECTOR;
            const bool failed = error != DRIVE_OK || m_readFailed[k];
            if (failed)
                std::memset(destination, 0, SECTOR);
            else
                std::memcpy(destination, bytes + size_t{k} * SECTOR, SECTOR);
            const uint32_t crc = failed ? m_zeroSectorCrc : Crc32(destination, SECTOR);
            const bool copyC2 = !failed && HasC2Errors(k);
            const uint8_t flags = m_flags[sector];
            const uint32_t testCrc = m_crcs[sector];
            m_crcs[sector] = crc;
            if (!failed && !(flags & TEST_FAILED) && crc == testCrc && !copyC2 && !(flags & TEST_C2))
                continue;
            // Not proven: both reads become the first votes of the sector.
            Unsettled unsettled;
            unsettled.index = sector;
            unsettled.reads = 2;
            if (!(flags & TEST_FAILED))
                Vote(unsettled, testCrc, !(flags & TEST_C2), nullptr);
            if (!failed)
                Vote(unsettled, crc, !copyC2, destination);
            m_unsettled.push_back(std::move(unsettled));
        }
    }
    return CONTINUE;
}

// Rounds of re-reads: the cache defeated, then every sector not yet proven read again, in runs
// of neighbours, until two reads agree or a sector has had its reads.
uint16_t SecureReader::ReReads()
{
    if (!m_unsettled.empty())
        Pass(SecurePass::ReRead);
    const uint64_t done = 2 * uint64_t{m_count};
    while (!m_unsettled.empty() && m_unsettled.front().reads < m_options.maxReads) {
        if (Cancelled())
            return res::READ_CANCELLED;
        if (m_options.defeatCache)
            DefeatCache(m_first + m_unsettled.front().index);
        for (size_t at = 0; at < m_unsettled.size();) {
            if (Cancelled())
                return res::READ_CANCELLED;
            // A run of neighbouring sectors that one read can take.
            size_t end = at + 1;
            while (end < m_unsettled.size() && m_unsettled[end].index == m_unsettled[end - 1].index + 1 &&
                   m_unsettled[end].index - m_unsettled[at].index < m_chunk)
                ++end;
            const uint32_t index = m_unsettled[at].index;
            const auto count = static_cast<uint32_t>(end - at);
            Reading(index, done);
            uint8_t* bytes = nullptr;
            const uint16_t error = ReadOutput(index, count, &bytes, false);
            for (size_t u = at; u < end; ++u) {
                Unsettled& sector = m_unsettled[u];
                const uint32_t k = sector.index - index;
                ++sector.reads;
                ++m_report.reReads;
                if (error == DRIVE_OK && !m_readFailed[k])
                    Vote(sector, Crc32(bytes + size_t{k} * SECTOR, SECTOR), !HasC2Errors(k),
                         bytes + size_t{k} * SECTOR);
            }
            at = end;
        }
        std::erase_if(m_unsettled, [](const Unsettled& sector) { return sector.proven; });
    }
    return CONTINUE;
}

void SecureReader::Vote(Unsettled& sector, uint32_t crc, bool clean, const uint8_t* bytes)
{
    const bool countsClean = clean || !m_c2;
    auto found = std::find_if(sector.candidates.begin(), sector.candidates.end(),
                              [crc](const Candidate& c) { return c.crc == crc; });
    if (found == sector.candidates.end()) {
        sector.candidates.push_back({crc, 0, 0});
        found = sector.candidates.end() - 1;
    }
    ++found->votes;
    if (countsClean)
        ++found->cleanVotes;
    if (!bytes)
        return;
    // Two reads without C2 errors gave these bytes: proven. Otherwise the destination keeps the
    // most frequent result so far (at a tie, the one with more clean reads, else the earlier).
    const int index = static_cast<int>(found - sector.candidates.begin());
    const Candidate* best = sector.best < 0 ? nullptr : &sector.candidates[static_cast<size_t>(sector.best)];
    sector.proven = found->cleanVotes >= 2;
    const bool better =
        !best || found->votes > best->votes || (found->votes == best->votes && found->cleanVotes > best->cleanVotes);
    if (sector.best != index && (sector.proven || better)) {
        uint8_t* destination = m_pDestination + size_t{sector.index} * SECTOR;
        if (destination != bytes)
            std::memcpy(destination, bytes, SECTOR);
        m_crcs[sector.index] = crc;
        sector.best = index;
    }
}

// A drive keeps what it read last (and what it read ahead) in its cache and answers a re-read
// from there, the same wrong bytes again; a read far away makes it read the disc anew.
void SecureReader::DefeatCache(int64_t near)
{
    int64_t far;
    uint32_t count = CdromDrive::MAX_SECTORS;
    if (m_leadOut > 0) {
        count = static_cast<uint32_t>(std::min<int64_t>(count, m_leadOut));
        far = near < m_leadOut / 2 ? m_leadOut - count : 0;
    } else {
        far = near >= FAR_AWAY ? 0 : near + FAR_AWAY;
    }
    (void)m_drive.ReadRaw(far, count, m_driveBytes.get(), nullptr);
}

void SecureReader::Finish()
{
    // Sectors that never had two agreeing reads keep their most frequent result.
    for (const Unsettled& sector : m_unsettled)
        m_report.suspiciousSectors.push_back(m_first + sector.index);
    uint32_t copyCrc = 0;
    for (uint32_t sector = 0; sector < m_count; ++sector)
        copyCrc = sector == 0 ? m_crcs[sector] : m_joiner.Append(copyCrc, m_crcs[sector]);
    m_report.copyCrc = copyCrc;
}

} // namespace

uint16_t SecureRead(CdromDrive& drive, uint32_t first, uint32_t last, uint8_t* destination,
                    const SecureReadOptions& options, SecureReadProgress* progress,
                    const std::atomic<int32_t>* cancelFlag, SecureReadReport* report)
{
    if (!destination || !report || last < first)
        return res::READ_NO_BUFFER_MEMORY;
    SecureReader reader(drive, first, last, destination, options, progress, cancelFlag, report);
    return reader.Run();
}
