// CRC-32 as zip, PNG and the rippers' logs compute it (polynomial 0x04C11DB7, bits reflected,
// register preset to all ones and inverted at the end): Crc32("123456789") is 0xCBF43926.
//
// On processors with carry-less multiplication the bytes are folded 64 at a time (256 with the
// 512-bit form), several times faster than a table; elsewhere a sliced table does the work. All
// give the same values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The CRC of bytes that follow bytes whose CRC was `crc` (0 for the start of a message).
uint32_t Crc32(const void* bytes, size_t length, uint32_t crc = 0);

// Joins CRCs of consecutive pieces of one fixed length: Append(Crc32(a), Crc32(b)) is
// Crc32(a followed by b) whenever b has that length. The checksum of a whole range is built
// this way from the checksums of its sectors, without reading the bytes again.
class Crc32Joiner {
public:
    explicit Crc32Joiner(size_t pieceLength);
    uint32_t Append(uint32_t crcBefore, uint32_t crcOfPiece) const;

private:
    // The register moved past pieceLength zero bytes, one table per byte of the register.
    std::array<std::array<uint32_t, 256>, 4> m_shift{};
};
