#include "support/simulated_drive.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "platform/cdrom/disc.h"
#include "platform/cdrom/disc_device.h"
#include "support/scripted_drive.h"

using namespace platform;

namespace {

constexpr uint32_t RAW = 2352;
constexpr uint32_t POINTER_BYTES = 294;

constexpr uint8_t SENSE_MEDIUM_ERROR = 0x3;
constexpr uint8_t SENSE_ILLEGAL_REQUEST = 0x5;
constexpr uint8_t ASC_UNRECOVERED_READ_ERROR = 0x11;
constexpr uint8_t ASC_INVALID_COMMAND = 0x20;
constexpr uint8_t ASC_LBA_OUT_OF_RANGE = 0x21;
constexpr uint8_t ASC_INVALID_FIELD_IN_CDB = 0x24;

uint32_t BigEndian(const uint8_t* at, int bytes)
{
    uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value = value << 8 | at[i];
    return value;
}

void PutText(uint8_t* at, const std::string& text, size_t width)
{
    std::memset(at, ' ', width);
    std::memcpy(at, text.data(), std::min(width, text.size()));
}

// CHECK CONDITION with fixed-format sense data.
bool CheckCondition(std::vector<uint8_t>* sense, uint8_t key, uint8_t asc)
{
    sense->assign(18, 0);
    (*sense)[0] = 0x70;
    (*sense)[2] = key;
    (*sense)[7] = 10;
    (*sense)[12] = asc;
    return false;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

} // namespace

class SimulatedDrive::Calls_ : public cdrom::MmcCalls {
public:
    explicit Calls_(SimulatedDrive& drive) : m_drive(drive) {}

    driver_return_code_t RunCommand(unsigned, const mmc_cdb_t& cdb, cdio_mmc_direction_t direction, unsigned length,
                                    void* buffer) override
    {
        if (direction != SCSI_MMC_DATA_READ) {
            CheckCondition(&m_sense, SENSE_ILLEGAL_REQUEST, ASC_INVALID_COMMAND);
            return DRIVER_OP_ERROR;
        }
        return m_drive.Execute(cdb, length, static_cast<uint8_t*>(buffer), &m_sense);
    }

    std::vector<uint8_t> LastSense() override { return m_sense; }

private:
    SimulatedDrive& m_drive;
    std::vector<uint8_t> m_sense;
};

// The disc in the drive as the disc layer sees a physical drive: its reads go through the MMC
// path like every other request.
class SimulatedDrive::Disc_ : public cdrom::Disc {
public:
    explicit Disc_(SimulatedDrive& drive) : m_mmc(std::make_unique<Calls_>(drive))
    {
        cdrom::Track track;
        track.number = 1;
        track.length = drive.SectorCount();
        m_toc.firstTrack = 1;
        m_toc.lastTrack = 1;
        m_toc.tracks.push_back(track);
        m_toc.leadOut = drive.SectorCount();
    }

    const cdrom::TableOfContents& Toc() const override { return m_toc; }
    bool ReadRaw(uint32_t first, uint32_t count, uint8_t* destination) override
    {
        return m_mmc.ReadCdda(static_cast<int32_t>(first), count, false, destination) == cdrom::MmcResult::Ok;
    }
    bool ReadCooked(uint32_t, uint32_t, uint8_t*) override { return false; }
    uint32_t MediaChangeCount() override { return 1; }
    cdrom::MmcDrive* Mmc() override { return &m_mmc; }

private:
    cdrom::MmcDrive m_mmc;
    cdrom::TableOfContents m_toc;
};

SimulatedDrive::SimulatedDrive(char letter, uint32_t sectorCount) : m_letter(letter), m_sectorCount(sectorCount)
{
    SetCdromDeviceService(this);
}

SimulatedDrive::~SimulatedDrive() { SetCdromDeviceService(nullptr); }

void SimulatedDrive::SetScratches(std::vector<uint32_t> sectors, uint32_t oneReadIn, uint32_t seed)
{
    std::lock_guard lock(m_mutex);
    m_scratches = {sectors.begin(), sectors.end()};
    m_scratchOneIn = std::max<uint32_t>(oneReadIn, 1);
    m_random.seed(seed);
}

void SimulatedDrive::SetDamage(std::vector<uint32_t> sectors)
{
    std::lock_guard lock(m_mutex);
    m_damage = {sectors.begin(), sectors.end()};
}

void SimulatedDrive::SetUnreadable(std::vector<uint32_t> sectors)
{
    std::lock_guard lock(m_mutex);
    m_unreadable = {sectors.begin(), sectors.end()};
}

void SimulatedDrive::SetCache(uint32_t sectors)
{
    std::lock_guard lock(m_mutex);
    m_cacheSectors = sectors;
    m_cache.clear();
}

void SimulatedDrive::SetReadOffset(int32_t samples)
{
    std::lock_guard lock(m_mutex);
    m_offsetSamples = samples;
    m_cache.clear();
}

void SimulatedDrive::SetC2Reporting(bool reports)
{
    std::lock_guard lock(m_mutex);
    m_reportsC2 = reports;
}

void SimulatedDrive::SetOverread(bool leadIn, bool leadOut)
{
    std::lock_guard lock(m_mutex);
    m_overreadLeadIn = leadIn;
    m_overreadLeadOut = leadOut;
}

void SimulatedDrive::SetIdentity(std::string vendor, std::string product, std::string revision)
{
    std::lock_guard lock(m_mutex);
    m_vendor = std::move(vendor);
    m_product = std::move(product);
    m_revision = std::move(revision);
}

void SimulatedDrive::SetDelay(std::chrono::milliseconds perRead)
{
    std::lock_guard lock(m_mutex);
    m_delay = perRead;
}

uint8_t SimulatedDrive::DiscByte(int64_t position) const
{
    if (position < 0 || position >= int64_t{m_sectorCount} * RAW)
        return 0;
    const uint32_t sample = ScriptedDrive::PatternSample(static_cast<uint64_t>(position) / 4);
    return static_cast<uint8_t>(sample >> (8 * (position % 4)));
}

std::vector<uint8_t> SimulatedDrive::DiscBytes(int64_t first, uint32_t count) const
{
    std::lock_guard lock(m_mutex);
    std::vector<uint8_t> bytes(size_t{count} * RAW);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = DiscByte(first * RAW + static_cast<int64_t>(i));
    return bytes;
}

uint32_t SimulatedDrive::DiscReadsOf(uint32_t sector) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_discReads.find(sector);
    return found == m_discReads.end() ? 0 : found->second;
}

std::vector<SimulatedDrive::Command> SimulatedDrive::Commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

void SimulatedDrive::ClearLog()
{
    std::lock_guard lock(m_mutex);
    m_commands.clear();
    m_discReads.clear();
}

std::unique_ptr<cdrom::MmcCalls> SimulatedDrive::Calls() { return std::make_unique<Calls_>(*this); }

std::unique_ptr<CdromDevice> SimulatedDrive::Open(const std::string& devicePath, uint32_t* error)
{
    if (DriveLetterOfDevicePath(devicePath) != m_letter) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    DriveEntry entry;
    entry.letter = m_letter;
    entry.kind = DriveEntry::Kind::PhysicalCdrom;
    entry.source = "/dev/simulated";
    return MakeDiscDevice(std::make_unique<Disc_>(*this), entry);
}

// One reading of a sector off the disc: its bytes as they came and the C2 error bits of the
// bytes the drive knows it got wrong (every wrong byte: the drive's error correction saw them).
SimulatedDrive::SectorRead SimulatedDrive::ReadOffDisc(int64_t sector)
{
    SectorRead read;
    read.bytes.resize(RAW);
    read.pointers.assign(POINTER_BYTES, 0);
    for (uint32_t i = 0; i < RAW; ++i)
        read.bytes[i] = DiscByte(sector * RAW + i);
    if (sector < 0 || sector >= m_sectorCount)
        return read;
    const auto s = static_cast<uint32_t>(sector);
    ++m_discReads[s];
    const auto mark = [&](uint32_t at, uint8_t wrong) {
        read.bytes[at] ^= wrong;
        read.pointers[at / 8] |= static_cast<uint8_t>(0x80 >> (at % 8));
    };
    if (m_damage.count(s)) {
        // Damage the drive cannot read through: the same wrong bytes every time.
        for (uint32_t at = 1000; at < 1100; ++at)
            mark(at, static_cast<uint8_t>(0x80 | at));
    }
    if (m_scratches.count(s) && m_random() % m_scratchOneIn == 0) {
        const uint32_t start = m_random() % (RAW - 64);
        for (uint32_t at = start; at < start + 16 + m_random() % 48; ++at)
            mark(at, static_cast<uint8_t>(1 + m_random() % 255));
    }
    return read;
}

driver_return_code_t SimulatedDrive::Execute(const mmc_cdb_t& cdb, unsigned length, uint8_t* buffer,
                                             std::vector<uint8_t>* sense)
{
    std::chrono::milliseconds delay;
    {
        std::lock_guard lock(m_mutex);
        delay = m_delay;
    }
    if (cdb.field[0] == cdrom::MmcDrive::READ_CD && delay.count() > 0)
        std::this_thread::sleep_for(delay);
    std::lock_guard lock(m_mutex);
    Command command;
    std::memcpy(command.cdb, cdb.field, sizeof command.cdb);
    command.length = length;
    sense->clear();
    bool ok = false;
    switch (cdb.field[0]) {
    case cdrom::MmcDrive::READ_CD: ok = ReadCd(cdb.field, length, buffer, sense); break;
    case cdrom::MmcDrive::INQUIRY: {
        uint8_t data[36] = {0x05, 0x80, 0x05, 0x32, 31};
        PutText(data + 8, m_vendor, 8);
        PutText(data + 16, m_product, 16);
        PutText(data + 32, m_revision, 4);
        std::memcpy(buffer, data, std::min<size_t>({length, cdb.field[4], sizeof data}));
        ok = true;
        break;
    }
    case cdrom::MmcDrive::MODE_SENSE_10: {
        if ((cdb.field[2] & 0x3F) != cdrom::MmcDrive::CAPABILITIES_PAGE) {
            ok = CheckCondition(sense, SENSE_ILLEGAL_REQUEST, ASC_INVALID_FIELD_IN_CDB);
            break;
        }
        uint8_t data[8 + 30] = {};
        data[1] = sizeof data - 2;
        data[8] = cdrom::MmcDrive::CAPABILITIES_PAGE;
        data[9] = 28;
        data[8 + 5] = 0x01 | 0x02 | (m_reportsC2 ? 0x10 : 0); // CD-DA commands, accurate stream, C2
        std::memcpy(buffer, data, std::min<size_t>({length, BigEndian(&cdb.field[7], 2), sizeof data}));
        ok = true;
        break;
    }
    default: ok = CheckCondition(sense, SENSE_ILLEGAL_REQUEST, ASC_INVALID_COMMAND); break;
    }
    command.succeeded = ok;
    m_commands.push_back(command);
    return ok ? DRIVER_OP_SUCCESS : DRIVER_OP_ERROR;
}

bool SimulatedDrive::ReadCd(const uint8_t* cdb, unsigned length, uint8_t* buffer, std::vector<uint8_t>* sense)
{
    const uint8_t sectorType = (cdb[1] >> 2) & 7;
    const auto lba = static_cast<int32_t>(BigEndian(cdb + 2, 4));
    const uint32_t count = BigEndian(cdb + 6, 3);
    const uint8_t fields = cdb[9];
    const uint8_t c2Field = (fields >> 1) & 3;
    const uint32_t extra = c2Field == 0 ? 0 : c2Field == 1 ? POINTER_BYTES : POINTER_BYTES + 2;
    // CD-DA sectors have user data only: no sync, header or EDC/ECC to ask for.
    if ((sectorType != 0 && sectorType != 1) || fields != (0x10 | c2Field << 1) || c2Field == 3 ||
        (c2Field != 0 && !m_reportsC2) || uint64_t{count} * (RAW + extra) > length)
        return CheckCondition(sense, SENSE_ILLEGAL_REQUEST, ASC_INVALID_FIELD_IN_CDB);
    if ((lba < 0 && !m_overreadLeadIn) || (int64_t{lba} + count > m_sectorCount && !m_overreadLeadOut))
        return CheckCondition(sense, SENSE_ILLEGAL_REQUEST, ASC_LBA_OUT_OF_RANGE);

    // The disc's sectors under the bytes asked for.
    const int64_t start = int64_t{lba} * RAW - 4 * int64_t{m_offsetSamples};
    const int64_t end = start + int64_t{count} * RAW;
    const int64_t first = FloorDiv(start, RAW);
    const int64_t last = FloorDiv(end - 1, RAW);
    for (int64_t s = first; s <= last; ++s)
        if (s >= 0 && m_unreadable.count(static_cast<uint32_t>(s)))
            return CheckCondition(sense, SENSE_MEDIUM_ERROR, ASC_UNRECOVERED_READ_ERROR);

    // From the cache when it holds them all; else off the disc, with read-ahead into the cache.
    const int64_t needed = last - first + 1;
    const bool cached = m_cacheSectors > 0 && !m_cache.empty() && first >= m_cacheStart &&
        last < m_cacheStart + static_cast<int64_t>(m_cache.size());
    std::vector<SectorRead> reads;
    if (cached) {
        reads.assign(m_cache.begin() + (first - m_cacheStart), m_cache.begin() + (last - m_cacheStart + 1));
    } else {
        for (int64_t s = first; s <= last; ++s)
            reads.push_back(ReadOffDisc(s));
        if (m_cacheSectors > 0) {
            m_cache = reads;
            m_cacheStart = first;
            for (int64_t s = last + 1; s < first + std::max<int64_t>(m_cacheSectors, needed); ++s)
                m_cache.push_back(ReadOffDisc(s));
        }
    }

    for (uint32_t k = 0; k < count; ++k) {
        uint8_t* out = buffer + size_t{k} * (RAW + extra);
        uint8_t* pointers = out + RAW;
        if (extra)
            std::memset(pointers, 0, extra);
        for (uint32_t i = 0; i < RAW; ++i) {
            const int64_t position = start + int64_t{k} * RAW + i;
            const SectorRead& read = reads[static_cast<size_t>(FloorDiv(position, RAW) - first)];
            const auto at = static_cast<uint32_t>(position - FloorDiv(position, RAW) * RAW);
            out[i] = read.bytes[at];
            if (extra && (read.pointers[at / 8] & (0x80 >> (at % 8))))
                pointers[i / 8] |= static_cast<uint8_t>(0x80 >> (i % 8));
        }
        if (extra == POINTER_BYTES + 2) {
            uint8_t any = 0;
            for (uint32_t b = 0; b < POINTER_BYTES; ++b)
                any |= pointers[b];
            pointers[POINTER_BYTES] = any;
        }
    }
    return true;
}
