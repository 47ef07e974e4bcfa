// Writes a small seed corpus for the wave load fuzzer into the folder given: the canonical
// header of every format with a few sample bytes, and the longer headers other programs write
// (an 18-byte fmt body, a LIST chunk before the data, a data chunk that claims too much).
#include "document/wave_header.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

void PutMagic(Bytes& b, const char* magic) { b.insert(b.end(), magic, magic + 4); }

Bytes Canonical(WaveFormatCode code, uint32_t samples)
{
    Bytes b(WAVE_HEADER_SIZE);
    BuildWaveHeader(b.data(), samples, code);
    for (uint32_t i = 0; i < samples; ++i)
        b.push_back(static_cast<uint8_t>(i * 7 + 3));
    return b;
}

// The canonical fmt chunk of code, with an 18-byte body and a LIST chunk of listLength
// bytes in front of the data chunk.
Bytes LongHeader(WaveFormatCode code, uint32_t listLength, uint32_t claimed, uint32_t samples)
{
    Bytes canonical = Canonical(code, 0);
    Bytes b(canonical.begin(), canonical.begin() + 36);
    b[16] = 18;
    b.push_back(0);
    b.push_back(0);
    PutMagic(b, "LIST");
    Put32(b, listLength);
    b.resize(b.size() + listLength, 'i');
    PutMagic(b, "data");
    Put32(b, claimed);
    for (uint32_t i = 0; i < samples; ++i)
        b.push_back(static_cast<uint8_t>(i));
    return b;
}

bool WriteSeed(const std::string& path, const Bytes& bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::vector<std::pair<std::string, Bytes>> seeds;
    for (WaveFormatCode code = 0; code < 16; ++code)
        seeds.push_back({"canonical-" + std::to_string(code), Canonical(code, 8 + code)});
    seeds.push_back({"empty-data", Canonical(15, 0)});
    seeds.push_back({"list-chunk", LongHeader(15, 20, 16, 16)});
    seeds.push_back({"list-chunk-at-limit", LongHeader(2, 200, 4, 4)});
    seeds.push_back({"claims-more", LongHeader(15, 20, 17, 16)});

    for (const auto& [name, bytes] : seeds) {
        if (!WriteSeed(folder + "/" + name, bytes)) {
            std::fprintf(stderr, "cannot write %s/%s\n", folder.c_str(), name.c_str());
            return 1;
        }
    }
    std::printf("%zu seeds written to %s\n", seeds.size(), folder.c_str());
    return 0;
}
