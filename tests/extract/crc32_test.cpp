#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "extract/crc32.h"

namespace {

// One bit at a time, straight from the definition.
uint32_t BitwiseCrc32(const uint8_t* p, size_t length)
{
    uint32_t reg = 0xFFFFFFFF;
    for (size_t i = 0; i < length; ++i) {
        reg ^= p[i];
        for (int bit = 0; bit < 8; ++bit)
            reg = (reg >> 1) ^ (reg & 1 ? 0xEDB88320u : 0);
    }
    return ~reg;
}

std::vector<uint8_t> RandomBytes(size_t length, uint32_t seed)
{
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(length);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(generator());
    return bytes;
}

} // namespace

TEST(Crc32, AgreesWithTheDefinitionForEveryLengthAndAlignment)
{
    EXPECT_EQ(Crc32("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
    const std::vector<uint8_t> bytes = RandomBytes(5000, 7);
    // Lengths around the 16-, 64- and 256-byte steps of the foldings, a sector and an odd large size;
    // each from several starting addresses.
    for (size_t length : {1u,   7u,   15u,  16u,  17u,  63u,  64u,  65u,  79u,   127u, 128u,
                          129u, 255u, 256u, 271u, 320u, 511u, 512u, 575u, 2352u, 4093u}) {
        for (size_t start : {0u, 1u, 3u, 8u}) {
            SCOPED_TRACE(testing::Message() << length << " bytes from " << start);
            EXPECT_EQ(Crc32(bytes.data() + start, length), BitwiseCrc32(bytes.data() + start, length));
        }
    }
    // Ones and zeros only: a register that is never reduced is caught too.
    const std::vector<uint8_t> ones(2352, 0xFF), zeros(2352, 0);
    EXPECT_EQ(Crc32(ones.data(), ones.size()), BitwiseCrc32(ones.data(), ones.size()));
    EXPECT_EQ(Crc32(zeros.data(), zeros.size()), BitwiseCrc32(zeros.data(), zeros.size()));
}

TEST(Crc32, ContinuesAcrossPiecesAndJoinsPiecesOfOneLength)
{
    const std::vector<uint8_t> bytes = RandomBytes(10 * 2352, 11);
    const uint32_t whole = BitwiseCrc32(bytes.data(), bytes.size());

    // Continued in uneven pieces, small and large.
    uint32_t crc = 0;
    size_t at = 0;
    for (size_t piece : {3u, 100u, 2352u, 64u, 1u}) {
        crc = Crc32(bytes.data() + at, piece, crc);
        at += piece;
    }
    EXPECT_EQ(Crc32(bytes.data() + at, bytes.size() - at, crc), whole);

    // Joined from the CRCs of the sectors alone.
    const Crc32Joiner joiner(2352);
    uint32_t joined = Crc32(bytes.data(), 2352);
    for (size_t sector = 1; sector < 10; ++sector)
        joined = joiner.Append(joined, Crc32(bytes.data() + sector * 2352, 2352));
    EXPECT_EQ(joined, whole);
    // A start of nothing joins like any other.
    EXPECT_EQ(joiner.Append(0, Crc32(bytes.data(), 2352)), Crc32(bytes.data(), 2352));
}
