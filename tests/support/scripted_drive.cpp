#include "support/scripted_drive.h"

#include <algorithm>
#include <cstring>
#include <thread>

using namespace platform;

namespace {
constexpr uint32_t RAW = 2352;
constexpr uint32_t COOKED = 2048;
} // namespace

class ScriptedDrive::Device : public CdromDevice {
public:
    explicit Device(ScriptedDrive& drive) : m_drive(drive) {}

    bool RawRead(const RAW_READ_INFO& request, void* output, uint32_t outputSize, uint32_t* bytesReturned,
                 uint32_t* error) override
    {
        m_drive.Pause();
        std::lock_guard lock(m_drive.m_mutex);
        const bool ok = m_drive.ReadRawLocked(request, static_cast<uint8_t*>(output), outputSize, error);
        *bytesReturned = ok ? request.SectorCount * RAW : 0;
        return ok;
    }

    bool Read(uint64_t offset, void* output, uint32_t size, uint32_t* bytesRead, uint32_t* error) override
    {
        m_drive.Pause();
        std::lock_guard lock(m_drive.m_mutex);
        const bool ok = m_drive.ReadCookedLocked(offset, static_cast<uint8_t*>(output), size, error);
        *bytesRead = ok ? size : 0;
        return ok;
    }

    bool CheckVerify(uint32_t* mediaChangeCount, uint32_t* error) override
    {
        std::lock_guard lock(m_drive.m_mutex);
        Request logged;
        logged.kind = Request::Kind::CheckVerify;
        logged.succeeded = m_drive.m_checkSucceeds;
        m_drive.m_requests.push_back(logged);
        if (!m_drive.m_checkSucceeds) {
            *error = ERROR_NOT_READY;
            return false;
        }
        *mediaChangeCount = m_drive.m_mediaChangeCount;
        return true;
    }

private:
    ScriptedDrive& m_drive;
};

ScriptedDrive::ScriptedDrive(char letter, uint32_t sectorCount) : m_letter(letter), m_sectorCount(sectorCount)
{
    SetCdromDeviceService(this);
}

ScriptedDrive::~ScriptedDrive() { SetCdromDeviceService(nullptr); }

uint32_t ScriptedDrive::PatternSample(uint64_t sampleIndex)
{
    // An odd multiplier is a bijection on 32 bits: no two samples of a disc are alike.
    return static_cast<uint32_t>(sampleIndex) * 2654435761u + 0x9E37u;
}

void ScriptedDrive::SetContent(std::vector<uint8_t> rawBytes)
{
    std::lock_guard lock(m_mutex);
    m_sectorCount = static_cast<uint32_t>(rawBytes.size() / RAW);
    rawBytes.resize(size_t{m_sectorCount} * RAW);
    m_content = std::move(rawBytes);
}

uint32_t ScriptedDrive::SectorCount() const
{
    std::lock_guard lock(m_mutex);
    return m_sectorCount;
}

uint8_t ScriptedDrive::ByteAt(int64_t position) const
{
    if (position < 0 || position >= int64_t{m_sectorCount} * RAW)
        return 0;
    if (!m_content.empty())
        return m_content[static_cast<size_t>(position)];
    const uint32_t sample = PatternSample(static_cast<uint64_t>(position) / 4);
    return static_cast<uint8_t>(sample >> (8 * (position % 4)));
}

std::vector<uint8_t> ScriptedDrive::RawBytes(uint32_t first, uint32_t count) const
{
    std::lock_guard lock(m_mutex);
    std::vector<uint8_t> bytes(size_t{count} * RAW);
    const int64_t start = int64_t{first} * RAW;
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = ByteAt(start + static_cast<int64_t>(i));
    return bytes;
}

std::vector<uint8_t> ScriptedDrive::CookedBytes(uint32_t first, uint32_t count) const
{
    std::lock_guard lock(m_mutex);
    std::vector<uint8_t> bytes(size_t{count} * COOKED);
    for (uint32_t s = 0; s < count; ++s)
        for (uint32_t i = 0; i < COOKED; ++i)
            bytes[size_t{s} * COOKED + i] = ByteAt(int64_t{first + s} * RAW + CONTENT_OFFSET_OF_COOKED + i);
    return bytes;
}

void ScriptedDrive::FailOpen(bool fail)
{
    std::lock_guard lock(m_mutex);
    m_failOpen = fail;
}

void ScriptedDrive::RefuseMemoryForFirst(int requests)
{
    std::lock_guard lock(m_mutex);
    m_refuseFirst = requests;
}

void ScriptedDrive::RefuseMemoryAbove(uint32_t sectors)
{
    std::lock_guard lock(m_mutex);
    m_refuseAbove = sectors;
}

void ScriptedDrive::FailReadAt(uint32_t sector)
{
    std::lock_guard lock(m_mutex);
    m_failingSectors.push_back(sector);
}

void ScriptedDrive::SetAudioSectors(uint32_t first, uint32_t count)
{
    std::lock_guard lock(m_mutex);
    m_audioFirst = first;
    m_audioCount = count;
}

void ScriptedDrive::SetJitter(uint32_t maxBytes, uint32_t seed)
{
    std::lock_guard lock(m_mutex);
    m_jitterBytes = maxBytes;
    m_random.seed(seed);
}

void ScriptedDrive::SetDelay(std::chrono::milliseconds perRequest)
{
    std::lock_guard lock(m_mutex);
    m_delay = perRequest;
}

void ScriptedDrive::SetMediaChangeCount(uint32_t count, bool checkSucceeds)
{
    std::lock_guard lock(m_mutex);
    m_mediaChangeCount = count;
    m_checkSucceeds = checkSucceeds;
}

int ScriptedDrive::Opens() const
{
    std::lock_guard lock(m_mutex);
    return m_opens;
}

int ScriptedDrive::TransferBlocks() const
{
    std::lock_guard lock(m_mutex);
    return m_transferBlocks;
}

std::vector<ScriptedDrive::Request> ScriptedDrive::Requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void ScriptedDrive::ClearLog()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
    m_opens = 0;
    m_transferBlocks = 0;
}

std::unique_ptr<CdromDevice> ScriptedDrive::Open(const std::string& devicePath, uint32_t* error)
{
    std::lock_guard lock(m_mutex);
    const char letter = DriveLetterOfDevicePath(devicePath);
    if (letter == 0 || letter != m_letter || m_failOpen) {
        *error = ERROR_FILE_NOT_FOUND;
        return nullptr;
    }
    ++m_opens;
    return std::make_unique<Device>(*this);
}

void* ScriptedDrive::AllocateTransfer(size_t size)
{
    {
        std::lock_guard lock(m_mutex);
        ++m_transferBlocks;
        // Raw blocks are whole multiples of 2352, cooked ones of 2048 (unambiguous below 128 sectors).
        const size_t sectors = size % RAW == 0 ? size / RAW : size / COOKED;
        if (m_transferBlocks <= m_refuseFirst || sectors > m_refuseAbove)
            return nullptr;
    }
    return CdromDeviceService::AllocateTransfer(size);
}

bool ScriptedDrive::TouchesFailingSector(uint32_t first, uint32_t count) const
{
    return std::any_of(m_failingSectors.begin(), m_failingSectors.end(),
                       [&](uint32_t s) { return s >= first && s - first < count; });
}

bool ScriptedDrive::ReadRawLocked(const RAW_READ_INFO& request, uint8_t* output, uint32_t outputSize, uint32_t* error)
{
    Request logged;
    logged.kind = Request::Kind::Raw;
    logged.diskOffset = request.DiskOffset.LowPart;
    logged.firstSector = request.DiskOffset.LowPart / COOKED;
    logged.count = request.SectorCount;
    logged.trackMode = request.TrackMode;
    const uint32_t first = logged.firstSector;
    const uint64_t size = uint64_t{request.SectorCount} * RAW;
    if (request.TrackMode != CDDA || size > outputSize) {
        *error = ERROR_INVALID_PARAMETER;
    } else if (uint64_t{first} + request.SectorCount > m_sectorCount ||
               TouchesFailingSector(first, request.SectorCount)) {
        *error = ERROR_SECTOR_NOT_FOUND;
    } else {
        if (m_jitterBytes >= 4) {
            const int32_t steps = static_cast<int32_t>(m_jitterBytes / 4);
            logged.shift = 4 * std::uniform_int_distribution<int32_t>(-steps, steps)(m_random);
        }
        const int64_t start = int64_t{first} * RAW + logged.shift;
        for (uint64_t i = 0; i < size; ++i)
            output[i] = ByteAt(start + static_cast<int64_t>(i));
        logged.succeeded = true;
    }
    m_requests.push_back(logged);
    return logged.succeeded;
}

bool ScriptedDrive::ReadCookedLocked(uint64_t offset, uint8_t* output, uint32_t size, uint32_t* error)
{
    Request logged;
    logged.kind = Request::Kind::Cooked;
    logged.diskOffset = static_cast<uint32_t>(offset);
    logged.firstSector = static_cast<uint32_t>(offset / COOKED);
    logged.count = size / COOKED;
    const uint32_t first = logged.firstSector;
    if (offset % COOKED != 0 || size % COOKED != 0) {
        *error = ERROR_INVALID_PARAMETER;
    } else if (offset / COOKED + logged.count > m_sectorCount || TouchesFailingSector(first, logged.count) ||
               (first < m_audioFirst + m_audioCount && first + logged.count > m_audioFirst)) {
        *error = ERROR_SECTOR_NOT_FOUND;
    } else {
        for (uint32_t s = 0; s < logged.count; ++s)
            for (uint32_t i = 0; i < COOKED; ++i)
                output[size_t{s} * COOKED + i] = ByteAt(int64_t{first + s} * RAW + CONTENT_OFFSET_OF_COOKED + i);
        logged.succeeded = true;
    }
    m_requests.push_back(logged);
    return logged.succeeded;
}

void ScriptedDrive::Pause() const
{
    std::chrono::milliseconds delay;
    {
        std::lock_guard lock(m_mutex);
        delay = m_delay;
    }
    if (delay.count() > 0)
        std::this_thread::sleep_for(delay);
}
