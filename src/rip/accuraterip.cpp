#include "rip/accuraterip.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr uint32_t kLeadInSectors = 150;
constexpr uint32_t kSectorsPerSecond = 75;
constexpr uint32_t kSamplesPerSector = 588;
constexpr uint64_t kSkippedSamples = 5 * kSamplesPerSector;
constexpr size_t kHeaderBytes = 13;
constexpr size_t kEntryBytes = 9;

uint32_t LittleEndian32(const unsigned char* bytes)
{
    return uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 | uint32_t{bytes[3]} << 24;
}

void PutLittleEndian32(std::string* out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<char>(value >> (8 * i)));
}

uint32_t DigitSum(uint32_t value)
{
    uint32_t sum = 0;
    for (; value > 0; value /= 10)
        sum += value % 10;
    return sum;
}

} // namespace

AccurateRipIds ComputeAccurateRipIds(const platform::DiscLayout& layout)
{
    AccurateRipIds ids;
    for (const platform::DiscLayoutTrack& track : layout.tracks) {
        if (!track.isAudio)
            continue;
        ++ids.trackCount;
        ids.id1 += track.start;
        ids.id2 += (track.start > 0 ? track.start : 1) * ids.trackCount;
    }
    ids.id1 += layout.leadOut;
    ids.id2 += (layout.leadOut > 0 ? layout.leadOut : 1) * (ids.trackCount + 1);
    ids.freedbId = FreedbDiscId(layout);
    return ids;
}

uint32_t FreedbDiscId(const platform::DiscLayout& layout)
{
    if (layout.tracks.empty())
        return 0;
    uint32_t digits = 0;
    for (const platform::DiscLayoutTrack& track : layout.tracks)
        digits += DigitSum((track.start + kLeadInSectors) / kSectorsPerSecond);
    const uint32_t seconds = (layout.leadOut + kLeadInSectors) / kSectorsPerSecond -
        (layout.tracks.front().start + kLeadInSectors) / kSectorsPerSecond;
    return (digits % 0xFF) << 24 | (seconds & 0xFFFF) << 8 | static_cast<uint32_t>(layout.tracks.size() & 0xFF);
}

std::string AccurateRipFileName(const AccurateRipIds& ids)
{
    char name[64];
    std::snprintf(name, sizeof name, "dBAR-%03u-%08x-%08x-%08x.bin", ids.trackCount, ids.id1, ids.id2, ids.freedbId);
    return name;
}

std::string AccurateRipUrl(const std::string& base, const AccurateRipIds& ids)
{
    char folders[16];
    std::snprintf(folders, sizeof folders, "%x/%x/%x/", ids.id1 & 0xF, ids.id1 >> 4 & 0xF, ids.id1 >> 8 & 0xF);
    std::string url = base;
    if (url.empty() || url.back() != '/')
        url += '/';
    return url + folders + AccurateRipFileName(ids);
}

std::string AccurateRipBaseUrl(const std::string& setting)
{
    if (const char* variable = std::getenv(ACCURATERIP_URL_VARIABLE); variable && *variable)
        return variable;
    return setting.empty() ? DEFAULT_ACCURATERIP_URL : setting;
}

AccurateRipChecksum::AccurateRipChecksum(uint64_t trackSamples, bool firstAudioTrack, bool lastAudioTrack)
{
    m_checkFirst = firstAudioTrack ? kSkippedSamples : 1;
    m_checkLast = lastAudioTrack ? (trackSamples > kSkippedSamples ? trackSamples - kSkippedSamples : 0) : trackSamples;
}

void AccurateRipChecksum::Add(const uint8_t* bytes, size_t count)
{
    const uint64_t samples = count / 4;
    const uint64_t firstPosition = m_position + 1; // of bytes[0..3]
    // Only the positions from m_checkFirst to m_checkLast count: find them once, so that the loop
    // itself has no test in it.
    const uint64_t from = std::max(firstPosition, m_checkFirst);
    const uint64_t to = std::min(firstPosition + samples - 1, m_checkLast);
    uint32_t v1 = m_v1;
    uint32_t v2 = m_v2;
    if (from <= to) {
        const uint8_t* sample = bytes + (from - firstPosition) * 4;
        for (uint64_t position = from; position <= to; ++position, sample += 4) {
            const uint64_t product = uint64_t{LittleEndian32(sample)} * position;
            v1 += static_cast<uint32_t>(product);
            v2 += static_cast<uint32_t>(product) + static_cast<uint32_t>(product >> 32);
        }
    }
    m_v1 = v1;
    m_v2 = v2;
    m_position += samples;
}

bool ParseAccurateRipDatabase(const std::string& bytes, std::vector<AccurateRipPressing>* pressings,
                              std::string* reason)
{
    pressings->clear();
    if (bytes.empty()) {
        *reason = "the database answer is empty";
        return false;
    }
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < kHeaderBytes) {
            *reason = "the database answer is truncated";
            return false;
        }
        AccurateRipPressing pressing;
        pressing.ids.trackCount = data[at];
        pressing.ids.id1 = LittleEndian32(data + at + 1);
        pressing.ids.id2 = LittleEndian32(data + at + 5);
        pressing.ids.freedbId = LittleEndian32(data + at + 9);
        at += kHeaderBytes;
        if (pressing.ids.trackCount == 0) {
            *reason = "the database answer has a pressing without tracks";
            return false;
        }
        if (bytes.size() - at < pressing.ids.trackCount * kEntryBytes) {
            *reason = "the database answer is truncated";
            return false;
        }
        for (uint32_t t = 0; t < pressing.ids.trackCount; ++t, at += kEntryBytes)
            pressing.tracks.push_back(
                AccurateRipEntry{data[at], LittleEndian32(data + at + 1), LittleEndian32(data + at + 5)});
        pressings->push_back(std::move(pressing));
    }
    return true;
}

std::string BuildAccurateRipDatabase(const std::vector<AccurateRipPressing>& pressings)
{
    std::string out;
    for (const AccurateRipPressing& pressing : pressings) {
        out.push_back(static_cast<char>(pressing.tracks.size()));
        PutLittleEndian32(&out, pressing.ids.id1);
        PutLittleEndian32(&out, pressing.ids.id2);
        PutLittleEndian32(&out, pressing.ids.freedbId);
        for (const AccurateRipEntry& entry : pressing.tracks) {
            out.push_back(static_cast<char>(entry.confidence));
            PutLittleEndian32(&out, entry.crc);
            PutLittleEndian32(&out, entry.frame450Crc);
        }
    }
    return out;
}

AccurateRipVerdict VerifyAccurateRipTrack(const std::vector<AccurateRipPressing>& pressings, size_t slot, uint32_t v1,
                                          uint32_t v2)
{
    AccurateRipVerdict verdict;
    verdict.kind = AccurateRipVerdict::Kind::NotInDatabase;
    uint32_t v1Confidence = 0, v2Confidence = 0, bestOther = 0;
    bool anyChecksum = false;
    for (const AccurateRipPressing& pressing : pressings) {
        if (slot >= pressing.tracks.size())
            continue;
        const AccurateRipEntry& entry = pressing.tracks[slot];
        // An entry of no confidence, or a zero checksum, is the database's way of having nothing
        // for the track (too short, or a data track).
        if (entry.confidence == 0 || entry.crc == 0)
            continue;
        anyChecksum = true;
        verdict.totalConfidence += entry.confidence;
        if (entry.crc == v2)
            v2Confidence += entry.confidence;
        else if (entry.crc == v1)
            v1Confidence += entry.confidence;
        else if (entry.confidence > bestOther) {
            bestOther = entry.confidence;
            verdict.databaseCrc = entry.crc;
        }
    }
    if (!anyChecksum)
        return verdict;
    if (v1Confidence == 0 && v2Confidence == 0) {
        verdict.kind = AccurateRipVerdict::Kind::Mismatch;
        return verdict;
    }
    verdict.kind = AccurateRipVerdict::Kind::Accurate;
    verdict.version = v2Confidence > 0 ? 2 : 1;
    verdict.confidence = v1Confidence + v2Confidence;
    verdict.databaseCrc = v2Confidence > 0 ? v2 : v1;
    return verdict;
}
