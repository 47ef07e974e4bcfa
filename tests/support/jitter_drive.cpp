#include "support/jitter_drive.h"

#include <thread>

#include "support/scripted_drive.h"

using namespace platform;

namespace {
constexpr uint32_t RAW = 2352;
constexpr uint32_t COOKED = 2048;
constexpr uint32_t COOKED_OFFSET = 16;
} // namespace

class JitterDrive::Device : public CdromDevice {
public:
    explicit Device(JitterDrive& drive) : m_drive(drive) {}

    bool RawRead(const RAW_READ_INFO& request, void* output, uint32_t outputSize, uint32_t* bytesReturned,
                 uint32_t* error) override
    {
        // Plain CD-DA sectors within the disc only: no C2 error pointers, no overread.
        if (request.TrackMode != CDDA) {
            *error = ERROR_INVALID_PARAMETER;
            return false;
        }
        if (request.DiskOffset.HighPart != 0) {
            *error = ERROR_SECTOR_NOT_FOUND;
            return false;
        }
        const uint64_t size = uint64_t{request.SectorCount} * RAW;
        if (size > outputSize) {
            *error = ERROR_INSUFFICIENT_BUFFER;
            return false;
        }
        const uint32_t first = request.DiskOffset.LowPart / COOKED;
        if (!m_drive.Serve(uint64_t{first} * RAW, request.SectorCount, READ_MODE_RAW, static_cast<uint8_t*>(output),
                           error))
            return false;
        *bytesReturned = static_cast<uint32_t>(size);
        return true;
    }

    bool Read(uint64_t offset, void* output, uint32_t size, uint32_t* bytesRead, uint32_t* error) override
    {
        if (!m_drive.Serve(offset, size / COOKED, READ_MODE_COOKED, static_cast<uint8_t*>(output), error))
            return false;
        *bytesRead = size;
        return true;
    }

    bool CheckVerify(uint32_t* mediaChangeCount, uint32_t*) override
    {
        *mediaChangeCount = 1;
        return true;
    }

private:
    JitterDrive& m_drive;
};

JitterDrive::JitterDrive(char letter, uint32_t sectorCount) : m_letter(letter), m_sectorCount(sectorCount)
{
    SetCdromDeviceService(this);
}

JitterDrive::~JitterDrive() { SetCdromDeviceService(nullptr); }

void JitterDrive::SetShifts(std::vector<int32_t> shifts)
{
    std::lock_guard lock(m_mutex);
    m_script = std::move(shifts);
    m_random = false;
}

void JitterDrive::SetRandomJitter(uint32_t maxBytes, uint32_t seed, bool firstReadExact)
{
    std::lock_guard lock(m_mutex);
    m_random = true;
    m_maxBytes = maxBytes;
    m_firstExact = firstReadExact;
    m_generator.seed(seed);
}

void JitterDrive::SetReadHook(std::function<void(int)> hook)
{
    std::lock_guard lock(m_mutex);
    m_hook = std::move(hook);
}

void JitterDrive::RefuseMemoryAt(int read)
{
    std::lock_guard lock(m_mutex);
    m_refuseAt = read;
}

void JitterDrive::SetDelay(std::chrono::milliseconds perRead)
{
    std::lock_guard lock(m_mutex);
    m_delay = perRead;
}

std::vector<int32_t> JitterDrive::AppliedShifts() const
{
    std::lock_guard lock(m_mutex);
    return m_applied;
}

std::vector<uint32_t> JitterDrive::ReadStarts() const
{
    std::lock_guard lock(m_mutex);
    return m_sectors;
}

uint8_t JitterDrive::RawByte(int64_t position) const
{
    if (position < 0 || position >= int64_t{m_sectorCount} * RAW)
        return 0;
    const uint32_t sample = ScriptedDrive::PatternSample(static_cast<uint64_t>(position) / 4);
    return static_cast<uint8_t>(sample >> (8 * (position % 4)));
}

uint8_t JitterDrive::CookedByte(int64_t position) const
{
    if (position < 0 || position >= int64_t{m_sectorCount} * COOKED)
        return 0;
    return RawByte(position / COOKED * RAW + COOKED_OFFSET + position % COOKED);
}

std::vector<uint8_t> JitterDrive::Disc(uint32_t first, uint32_t count, ReadMode mode) const
{
    const uint32_t size = mode == READ_MODE_RAW ? RAW : COOKED;
    std::vector<uint8_t> bytes(size_t{count} * size);
    const int64_t start = int64_t{first} * size;
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = mode == READ_MODE_RAW ? RawByte(start + int64_t(i)) : CookedByte(start + int64_t(i));
    return bytes;
}

std::unique_ptr<CdromDevice> JitterDrive::Open(const std::string& devicePath, uint32_t* error)
{
    if (DriveLetterOfDevicePath(devicePath) != m_letter) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    return std::make_unique<Device>(*this);
}

void* JitterDrive::AllocateTransfer(size_t size)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_transfers++ == m_refuseAt)
            return nullptr;
    }
    return CdromDeviceService::AllocateTransfer(size);
}

int32_t JitterDrive::NextShift()
{
    const size_t read = m_applied.size();
    if (!m_random)
        return read < m_script.size() ? m_script[read] : 0;
    if (read == 0 && m_firstExact)
        return 0;
    const auto steps = static_cast<int32_t>(m_maxBytes / 4);
    return 4 * std::uniform_int_distribution<int32_t>(-steps, steps)(m_generator);
}

bool JitterDrive::Serve(uint64_t streamStart, uint32_t count, ReadMode mode, uint8_t* output, uint32_t* error)
{
    std::function<void(int)> hook;
    std::chrono::milliseconds delay;
    int read;
    {
        std::lock_guard lock(m_mutex);
        hook = m_hook;
        delay = m_delay;
        read = static_cast<int>(m_applied.size());
    }
    if (hook)
        hook(read);
    if (delay.count() > 0)
        std::this_thread::sleep_for(delay);

    std::lock_guard lock(m_mutex);
    const uint32_t size = mode == READ_MODE_RAW ? RAW : COOKED;
    const uint64_t first = streamStart / size;
    if (first + count > m_sectorCount) {
        *error = ERROR_SECTOR_NOT_FOUND;
        return false;
    }
    const int32_t shift = NextShift();
    m_applied.push_back(shift);
    m_sectors.push_back(static_cast<uint32_t>(first));
    const int64_t start = static_cast<int64_t>(streamStart) + shift;
    const size_t bytes = size_t{count} * size;
    for (size_t i = 0; i < bytes; ++i)
        output[i] = mode == READ_MODE_RAW ? RawByte(start + int64_t(i)) : CookedByte(start + int64_t(i));
    return true;
}
