#include "platform/cdrom/raw_sector.h"

#include <array>
#include <cstring>

#include "platform/cdrom/msf.h"

namespace platform::cdrom {

namespace {

struct Tables {
    std::array<uint8_t, 256> eccForward{};
    std::array<uint8_t, 256> eccBackward{};
    std::array<uint32_t, 256> edc{};

    Tables()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            const uint32_t j = (i << 1) ^ ((i & 0x80) ? 0x11D : 0);
            eccForward[i] = static_cast<uint8_t>(j);
            eccBackward[i ^ j] = static_cast<uint8_t>(i);
            uint32_t crc = i;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ ((crc & 1) ? 0xD8018001u : 0);
            edc[i] = crc;
        }
    }
};

const Tables& Lookup()
{
    static const Tables tables;
    return tables;
}

// One set of Reed-Solomon parity bytes (P: 86 x 24, Q: 52 x 43) over header and data.
void ComputeParity(const uint8_t* source, uint32_t majorCount, uint32_t minorCount, uint32_t majorMultiple,
                   uint32_t minorIncrement, uint8_t* destination)
{
    const Tables& tables = Lookup();
    const uint32_t size = majorCount * minorCount;
    for (uint32_t major = 0; major < majorCount; ++major) {
        uint32_t index = (major >> 1) * majorMultiple + (major & 1);
        uint8_t eccA = 0;
        uint8_t eccB = 0;
        for (uint32_t minor = 0; minor < minorCount; ++minor) {
            const uint8_t value = source[index];
            index += minorIncrement;
            if (index >= size)
                index -= size;
            eccA ^= value;
            eccB ^= value;
            eccA = tables.eccForward[eccA];
        }
        eccA = tables.eccBackward[tables.eccForward[eccA] ^ eccB];
        destination[major] = eccA;
        destination[major + majorCount] = eccA ^ eccB;
    }
}

uint8_t Bcd(uint32_t value) { return static_cast<uint8_t>((value / 10) << 4 | (value % 10)); }

} // namespace

uint32_t ComputeEdc(const uint8_t* bytes, uint32_t size)
{
    const Tables& tables = Lookup();
    uint32_t crc = 0;
    for (uint32_t i = 0; i < size; ++i)
        crc = (crc >> 8) ^ tables.edc[(crc ^ bytes[i]) & 0xFF];
    return crc;
}

namespace {

// Sync bytes, the address in BCD and the mode byte; the rest zero.
void EncodeHeader(uint32_t lsn, uint8_t mode, uint8_t* sector)
{
    std::memset(sector, 0, RAW_SECTOR_SIZE);
    std::memset(sector + 1, 0xFF, 10);
    const Msf address = MsfOfFrames(lsn + LEAD_IN_SECTORS);
    sector[12] = Bcd(address.minute);
    sector[13] = Bcd(address.second);
    sector[14] = Bcd(address.frame);
    sector[15] = mode;
}

} // namespace

void EncodeMode2Sector(uint32_t lsn, const uint8_t* data, uint8_t* sector)
{
    EncodeHeader(lsn, 2, sector);
    if (data)
        std::memcpy(sector + MODE2_DATA_OFFSET, data, RAW_SECTOR_SIZE - MODE2_DATA_OFFSET);
}

void EncodeMode1Sector(uint32_t lsn, const uint8_t* userData, uint8_t* sector)
{
    constexpr uint32_t EDC_OFFSET = 2064;
    constexpr uint32_t P_PARITY_OFFSET = 2076;
    constexpr uint32_t Q_PARITY_OFFSET = 2248;
    EncodeHeader(lsn, 1, sector);
    if (userData)
        std::memcpy(sector + MODE1_USER_DATA_OFFSET, userData, COOKED_SECTOR_SIZE);
    const uint32_t edc = ComputeEdc(sector, EDC_OFFSET);
    for (int i = 0; i < 4; ++i)
        sector[EDC_OFFSET + i] = static_cast<uint8_t>(edc >> (8 * i));
    ComputeParity(sector + 12, 86, 24, 2, 86, sector + P_PARITY_OFFSET);
    ComputeParity(sector + 12, 52, 43, 86, 88, sector + Q_PARITY_OFFSET);
}

} // namespace platform::cdrom
