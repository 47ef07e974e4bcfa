#include "extract/crc32.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define RIPWELL_CRC32_FOLDING 1
#endif

namespace {

constexpr uint32_t REFLECTED_POLYNOMIAL = 0xEDB88320; // 0x04C11DB7 with its bits reversed
constexpr uint64_t POLYNOMIAL = 0x104C11DB7;          // with its x^32 term

// Eight tables: table k gives the effect of a byte followed by k zero bytes, so that eight
// bytes are folded into the register with one lookup each.
struct SlicedTables {
    uint32_t t[8][256];
    SlicedTables()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t crc = i;
            for (int bit = 0; bit < 8; ++bit)
                crc = (crc >> 1) ^ (crc & 1 ? REFLECTED_POLYNOMIAL : 0);
            t[0][i] = crc;
        }
        for (int k = 1; k < 8; ++k)
            for (uint32_t i = 0; i < 256; ++i)
                t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    }
};

const SlicedTables& Tables()
{
    static const SlicedTables tables;
    return tables;
}

// The register (preset and final inversion left to the caller) after the bytes.
uint32_t TableRegister(uint32_t reg, const uint8_t* p, size_t length)
{
    const SlicedTables& s = Tables();
    while (length >= 8) {
        uint32_t low;
        uint32_t high;
        std::memcpy(&low, p, 4);
        std::memcpy(&high, p + 4, 4);
        low ^= reg; // the register lines up with the next four bytes (little-endian)
        reg = s.t[7][low & 0xFF] ^ s.t[6][(low >> 8) & 0xFF] ^ s.t[5][(low >> 16) & 0xFF] ^ s.t[4][low >> 24] ^
            s.t[3][high & 0xFF] ^ s.t[2][(high >> 8) & 0xFF] ^ s.t[1][(high >> 16) & 0xFF] ^ s.t[0][high >> 24];
        p += 8;
        length -= 8;
    }
    while (length-- > 0)
        reg = (reg >> 8) ^ s.t[0][(reg ^ *p++) & 0xFF];
    return reg;
}

#ifdef RIPWELL_CRC32_FOLDING

// Folding: a 128-bit piece of the message, d bits ahead of a later piece, is replaced by a
// piece of the same remainder that lines up with the later one: its upper 64 bits (the first
// eight bytes, the higher powers since bits run reflected) are multiplied by x^(d+32) mod P,
// its lower 64 bits by x^(d-32) mod P, and both products are added to the later piece. The
// constants are computed here from the polynomial; the extra x^32 and the shift by one bit
// line a 95-bit product up with the 128-bit piece it is added to.
uint64_t PowerOfXModP(unsigned exponent)
{
    uint64_t r = 1;
    while (exponent-- > 0) {
        r <<= 1;
        if (r & (uint64_t{1} << 32))
            r ^= POLYNOMIAL;
    }
    return r;
}

uint64_t FoldConstant(unsigned exponent)
{
    const uint64_t r = PowerOfXModP(exponent);
    uint64_t reflected = 0;
    for (int bit = 0; bit < 32; ++bit)
        if (r & (uint64_t{1} << bit))
            reflected |= uint64_t{1} << (31 - bit);
    return reflected << 1;
}

struct FoldConstants {
    uint64_t by2048High = FoldConstant(2048 + 32);
    uint64_t by2048Low = FoldConstant(2048 - 32);
    uint64_t by512High = FoldConstant(512 + 32);
    uint64_t by512Low = FoldConstant(512 - 32);
    uint64_t by384High = FoldConstant(384 + 32);
    uint64_t by384Low = FoldConstant(384 - 32);
    uint64_t by256High = FoldConstant(256 + 32);
    uint64_t by256Low = FoldConstant(256 - 32);
    uint64_t by128High = FoldConstant(128 + 32);
    uint64_t by128Low = FoldConstant(128 - 32);
};

const FoldConstants& Constants()
{
    static const FoldConstants constants;
    return constants;
}

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i piece, __m128i constants, __m128i later)
{
    const __m128i high = _mm_clmulepi64_si128(piece, constants, 0x00);
    const __m128i low = _mm_clmulepi64_si128(piece, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), later);
}

// The 16 bytes left hold the remainder of everything before them; the 128-bit steps take the
// rest down to less than 16 bytes, and the table finishes.
__attribute__((target("pclmul,sse2"))) uint32_t FinishFolding(__m128i a, const uint8_t* p, size_t length)
{
    const FoldConstants& c = Constants();
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(c.by128Low), static_cast<long long>(c.by128High));
    while (length >= 16) {
        a = Fold(a, by128, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        p += 16;
        length -= 16;
    }
    uint8_t last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), a);
    return TableRegister(TableRegister(0, last, sizeof last), p, length);
}

// At least 64 bytes, four 128-bit pieces folded side by side.
__attribute__((target("pclmul,sse2"))) uint32_t FoldingRegister(uint32_t reg, const uint8_t* p, size_t length)
{
    const FoldConstants& c = Constants();
    const __m128i by512 = _mm_set_epi64x(static_cast<long long>(c.by512Low), static_cast<long long>(c.by512High));
    const __m128i by128 = _mm_set_epi64x(static_cast<long long>(c.by128Low), static_cast<long long>(c.by128High));
    const auto load = [](const uint8_t* at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at)); };

    // A preset register is the same as its value added to the first four bytes.
    __m128i a0 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(reg)));
    __m128i a1 = load(p + 16);
    __m128i a2 = load(p + 32);
    __m128i a3 = load(p + 48);
    p += 64;
    length -= 64;
    while (length >= 64) {
        a0 = Fold(a0, by512, load(p));
        a1 = Fold(a1, by512, load(p + 16));
        a2 = Fold(a2, by512, load(p + 32));
        a3 = Fold(a3, by512, load(p + 48));
        p += 64;
        length -= 64;
    }
    __m128i a = Fold(a0, by128, a1);
    a = Fold(a, by128, a2);
    a = Fold(a, by128, a3);
    return FinishFolding(a, p, length);
}

__attribute__((target("vpclmulqdq,avx512f"))) inline __m512i Fold512(__m512i piece, __m512i constants, __m512i later)
{
    const __m512i high = _mm512_clmulepi64_epi128(piece, constants, 0x00);
    const __m512i low = _mm512_clmulepi64_epi128(piece, constants, 0x11);
    return _mm512_xor_si512(_mm512_xor_si512(high, low), later);
}

// At least 256 bytes: the same folding with four 128-bit pieces in each 512-bit register and
// four registers side by side.
__attribute__((target("vpclmulqdq,avx512f,pclmul,sse2"))) uint32_t WideFoldingRegister(uint32_t reg, const uint8_t* p,
                                                                                       size_t length)
{
    const FoldConstants& c = Constants();
    const auto pair = [](uint64_t high, uint64_t low) {
        return _mm_set_epi64x(static_cast<long long>(low), static_cast<long long>(high));
    };
    const auto h2048 = static_cast<long long>(c.by2048High), l2048 = static_cast<long long>(c.by2048Low);
    const auto h512 = static_cast<long long>(c.by512High), l512 = static_cast<long long>(c.by512Low);
    const __m512i by2048 = _mm512_set_epi64(l2048, h2048, l2048, h2048, l2048, h2048, l2048, h2048);
    const __m512i by512 = _mm512_set_epi64(l512, h512, l512, h512, l512, h512, l512, h512);

    __m512i z0 =
        _mm512_xor_si512(_mm512_loadu_si512(p), _mm512_zextsi128_si512(_mm_cvtsi32_si128(static_cast<int>(reg))));
    __m512i z1 = _mm512_loadu_si512(p + 64);
    __m512i z2 = _mm512_loadu_si512(p + 128);
    __m512i z3 = _mm512_loadu_si512(p + 192);
    p += 256;
    length -= 256;
    while (length >= 256) {
        z0 = Fold512(z0, by2048, _mm512_loadu_si512(p));
        z1 = Fold512(z1, by2048, _mm512_loadu_si512(p + 64));
        z2 = Fold512(z2, by2048, _mm512_loadu_si512(p + 128));
        z3 = Fold512(z3, by2048, _mm512_loadu_si512(p + 192));
        p += 256;
        length -= 256;
    }
    __m512i z = Fold512(z0, by512, z1);
    z = Fold512(z, by512, z2);
    z = Fold512(z, by512, z3);
    while (length >= 64) {
        z = Fold512(z, by512, _mm512_loadu_si512(p));
        p += 64;
        length -= 64;
    }
    // The four pieces of the register lie 384, 256, 128 and 0 bits before its end.
    alignas(64) uint8_t pieces[64];
    _mm512_store_si512(pieces, z);
    const auto piece = [&pieces](int i) { return _mm_load_si128(reinterpret_cast<const __m128i*>(pieces + 16 * i)); };
    __m128i a = piece(3);
    a = Fold(piece(2), pair(c.by128High, c.by128Low), a);
    a = Fold(piece(1), pair(c.by256High, c.by256Low), a);
    a = Fold(piece(0), pair(c.by384High, c.by384Low), a);
    return FinishFolding(a, p, length);
}

bool CanFoldWide()
{
    static const bool supported = __builtin_cpu_supports("vpclmulqdq") && __builtin_cpu_supports("avx512f");
    return supported;
}

bool CanFold()
{
    static const bool supported = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse2");
    return supported;
}

#endif

} // namespace

uint32_t Crc32(const void* bytes, size_t length, uint32_t crc)
{
    const auto* p = static_cast<const uint8_t*>(bytes);
#ifdef RIPWELL_CRC32_FOLDING
    if (length >= 256 && CanFoldWide())
        return ~WideFoldingRegister(~crc, p, length);
    if (length >= 64 && CanFold())
        return ~FoldingRegister(~crc, p, length);
#endif
    return ~TableRegister(~crc, p, length);
}

Crc32Joiner::Crc32Joiner(size_t pieceLength)
{
    // The register moving past zero bytes is linear: it is known from what it does to each bit.
    uint32_t column[32];
    for (int bit = 0; bit < 32; ++bit) {
        uint32_t reg = uint32_t{1} << bit;
        for (size_t i = 0; i < pieceLength; ++i)
            reg = (reg >> 8) ^ Tables().t[0][reg & 0xFF];
        column[bit] = reg;
    }
    for (int b = 0; b < 4; ++b) {
        for (uint32_t value = 0; value < 256; ++value) {
            uint32_t shifted = 0;
            for (int bit = 0; bit < 8; ++bit)
                if (value & (1u << bit))
                    shifted ^= column[8 * b + bit];
            m_shift[static_cast<size_t>(b)][value] = shifted;
        }
    }
}

uint32_t Crc32Joiner::Append(uint32_t crcBefore, uint32_t crcOfPiece) const
{
    // With preset and inversion, crc(a b) = shift(crc(a)) ^ crc(b): the two all-ones cancel.
    return m_shift[0][crcBefore & 0xFF] ^ m_shift[1][(crcBefore >> 8) & 0xFF] ^ m_shift[2][(crcBefore >> 16) & 0xFF] ^
        m_shift[3][crcBefore >> 24] ^ crcOfPiece;
}
