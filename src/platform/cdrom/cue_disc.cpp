#include "platform/cdrom/cue_disc.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>

#include "platform/cdrom/cue_layout.h"
#include "platform/cdrom/raw_sector.h"

namespace platform::cdrom {

namespace {

constexpr size_t MAX_CUE_SHEET_BYTES = 1 << 20;

// Parsed sheets, kept while the sheet and its files stay as they are: every device request opens
// the disc anew, and a sheet with a dozen sound files is not cheap to measure.
struct CachedSheet {
    int64_t modified = 0;
    int64_t size = 0;
    std::shared_ptr<const CueLayout> layout;
    uint32_t changes = 0;  // times the sheet or one of its files was seen to change
};

std::mutex g_cacheMutex;
std::map<std::string, CachedSheet> g_cache;

bool StatFile(const std::string& path, int64_t* modified, int64_t* size)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    *modified = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
    *size = info.st_size;
    return true;
}

std::shared_ptr<const CueLayout> LoadLayout(const std::string& cuePath, std::string* reason)
{
    std::ifstream in(cuePath, std::ios::binary);
    std::ostringstream text;
    if (!in || !(text << in.rdbuf())) {
        *reason = "cannot read the cue sheet";
        return nullptr;
    }
    if (text.str().size() > MAX_CUE_SHEET_BYTES) {
        *reason = "the cue sheet is too large to be one";
        return nullptr;
    }
    CueSheet sheet;
    if (!ParseCueSheet(text.str(), &sheet, reason))
        return nullptr;
    const size_t slash = cuePath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : cuePath.substr(0, slash);
    auto layout = std::make_shared<CueLayout>();
    if (!BuildCueLayout(sheet, folder, layout.get(), reason))
        return nullptr;
    return layout;
}

bool FilesUnchanged(const CueLayout& layout)
{
    for (const ResolvedFile& file : layout.files) {
        int64_t modified = 0, size = 0;
        if (!StatFile(file.path, &modified, &size) || modified != file.modified ||
            static_cast<uint64_t>(size) != file.fileSize)
            return false;
    }
    return true;
}

class CueDisc : public Disc {
public:
    CueDisc(std::shared_ptr<const CueLayout> layout, uint32_t changes) : m_layout(std::move(layout)), m_changes(changes) {}

    ~CueDisc() override
    {
        for (int fd : m_descriptors)
            if (fd >= 0)
                close(fd);
        for (SNDFILE* sound : m_sounds)
            if (sound)
                sf_close(sound);
    }

    bool OpenFiles(std::string* reason)
    {
        for (const ResolvedFile& file : m_layout->files) {
            int fd = -1;
            SNDFILE* sound = nullptr;
            if (file.type == CueFileType::Wave) {
                SF_INFO format{};
                sound = sf_open(file.path.c_str(), SFM_READ, &format);
            } else {
                fd = open(file.path.c_str(), O_RDONLY | O_CLOEXEC);
            }
            m_descriptors.push_back(fd);
            m_sounds.push_back(sound);
            if (fd < 0 && !sound) {
                *reason = "cannot open " + file.path + ": " + std::strerror(errno);
                return false;
            }
        }
        return true;
    }

    const TableOfContents& Toc() const override { return m_layout->toc; }
    uint32_t MediaChangeCount() override { return m_changes; }

    bool ReadRaw(uint32_t first, uint32_t count, uint8_t* destination) override
    {
        return ForEachPiece(first, count, [&](const Extent& extent, uint32_t sector, uint32_t n, size_t done) {
            return ReadRawPiece(extent, sector, n, destination + done * RAW_SECTOR_SIZE);
        });
    }

    bool ReadCooked(uint32_t first, uint32_t count, uint8_t* destination) override
    {
        return ForEachPiece(first, count, [&](const Extent& extent, uint32_t sector, uint32_t n, size_t done) {
            return ReadCookedPiece(extent, sector, n, destination + done * COOKED_SECTOR_SIZE);
        });
    }

private:
    template <typename Reader>
    bool ForEachPiece(uint32_t first, uint32_t count, Reader read)
    {
        const uint32_t leadOut = m_layout->toc.leadOut;
        if (first >= leadOut || count > leadOut - first)
            return false;
        const std::vector<Extent>& extents = m_layout->extents;
        auto it = std::upper_bound(extents.begin(), extents.end(), first,
                                   [](uint32_t s, const Extent& e) { return s < e.firstSector; });
        --it;
        uint32_t sector = first;
        size_t done = 0;
        while (done < count) {
            const uint32_t n = std::min<uint32_t>(count - static_cast<uint32_t>(done),
                                                  it->firstSector + it->count - sector);
            if (!read(*it, sector, n, done))
                return false;
            sector += n;
            done += n;
            ++it;
        }
        return true;
    }

    // Reads bytes of a binary file; the part beyond the end of the file (a partial last
    // sector) reads as zeros.
    bool ReadBytes(size_t file, uint64_t offset, uint8_t* out, size_t size)
    {
        size_t got = 0;
        while (got < size) {
            const ssize_t n = pread(m_descriptors[file], out + got, size - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                break;
            got += static_cast<size_t>(n);
        }
        if (offset + got < m_layout->files[file].bytes && got < size)
            return false;  // the file shrank under us
        std::memset(out + got, 0, size - got);
        return true;
    }

    bool ReadSamples(size_t file, uint64_t sampleFrame, uint8_t* out, uint32_t sectors)
    {
        SNDFILE* sound = m_sounds[file];
        const sf_count_t frames = sf_count_t{sectors} * SAMPLES_PER_SECTOR;
        if (sf_seek(sound, static_cast<sf_count_t>(sampleFrame), SEEK_SET) < 0)
            return false;
        const sf_count_t got = sf_readf_short(sound, reinterpret_cast<short*>(out), frames);
        if (got < 0 || (got < frames && sampleFrame + static_cast<uint64_t>(got) < m_layout->files[file].bytes))
            return false;
        std::memset(out + got * 4, 0, static_cast<size_t>(frames - got) * 4);
        return true;
    }

    bool ReadRawPiece(const Extent& extent, uint32_t sector, uint32_t n, uint8_t* out)
    {
        const uint32_t into = sector - extent.firstSector;
        if (!extent.inFile) {
            if (extent.mode == CueTrackMode::Audio)
                std::memset(out, 0, size_t{n} * RAW_SECTOR_SIZE);
            else
                for (uint32_t i = 0; i < n; ++i)
                    EncodeMode1Sector(sector + i, nullptr, out + size_t{i} * RAW_SECTOR_SIZE);
            return true;
        }
        const ResolvedFile& file = m_layout->files[extent.file];
        if (file.type == CueFileType::Wave)
            return ReadSamples(extent.file, (extent.fileSector + into) * SAMPLES_PER_SECTOR, out, n);
        if (extent.mode == CueTrackMode::Mode1Cooked) {
            m_scratch.resize(size_t{n} * COOKED_SECTOR_SIZE);
            if (!ReadBytes(extent.file, extent.byteOffset + uint64_t{into} * COOKED_SECTOR_SIZE,
                           m_scratch.data(), m_scratch.size()))
                return false;
            for (uint32_t i = 0; i < n; ++i)
                EncodeMode1Sector(sector + i, m_scratch.data() + size_t{i} * COOKED_SECTOR_SIZE,
                                  out + size_t{i} * RAW_SECTOR_SIZE);
            return true;
        }
        const size_t size = size_t{n} * RAW_SECTOR_SIZE;
        if (!ReadBytes(extent.file, extent.byteOffset + uint64_t{into} * RAW_SECTOR_SIZE, out, size))
            return false;
        if (file.type == CueFileType::Motorola && extent.mode == CueTrackMode::Audio)
            for (size_t i = 0; i + 1 < size; i += 2)
                std::swap(out[i], out[i + 1]);
        return true;
    }

    bool ReadCookedPiece(const Extent& extent, uint32_t sector, uint32_t n, uint8_t* out)
    {
        if (extent.mode == CueTrackMode::Audio)
            return false;  // audio sectors hold no user data, as a drive answers
        const size_t size = size_t{n} * COOKED_SECTOR_SIZE;
        if (!extent.inFile) {
            std::memset(out, 0, size);
            return true;
        }
        const uint32_t into = sector - extent.firstSector;
        if (extent.mode == CueTrackMode::Mode1Cooked)
            return ReadBytes(extent.file, extent.byteOffset + uint64_t{into} * COOKED_SECTOR_SIZE, out, size);
        m_scratch.resize(size_t{n} * RAW_SECTOR_SIZE);
        if (!ReadBytes(extent.file, extent.byteOffset + uint64_t{into} * RAW_SECTOR_SIZE, m_scratch.data(),
                       m_scratch.size()))
            return false;
        const uint32_t offset = extent.mode == CueTrackMode::Mode1Raw ? MODE1_USER_DATA_OFFSET : MODE2_USER_DATA_OFFSET;
        for (uint32_t i = 0; i < n; ++i)
            std::memcpy(out + size_t{i} * COOKED_SECTOR_SIZE,
                        m_scratch.data() + size_t{i} * RAW_SECTOR_SIZE + offset, COOKED_SECTOR_SIZE);
        return true;
    }

    std::shared_ptr<const CueLayout> m_layout;
    uint32_t m_changes;
    std::vector<int> m_descriptors;
    std::vector<SNDFILE*> m_sounds;
    std::vector<uint8_t> m_scratch;
};

} // namespace

std::unique_ptr<Disc> OpenCueImage(const std::string& cuePath, std::string* reason)
{
    int64_t modified = 0, size = 0;
    if (!StatFile(cuePath, &modified, &size)) {
        *reason = "the cue sheet is not there";
        return nullptr;
    }
    std::shared_ptr<const CueLayout> layout;
    uint32_t changes = 0;
    {
        std::lock_guard lock(g_cacheMutex);
        auto cached = g_cache.find(cuePath);
        if (cached != g_cache.end() && cached->second.modified == modified && cached->second.size == size &&
            FilesUnchanged(*cached->second.layout)) {
            layout = cached->second.layout;
            changes = cached->second.changes;
        } else {
            layout = LoadLayout(cuePath, reason);
            if (!layout)
                return nullptr;
            CachedSheet& entry = g_cache[cuePath];
            if (entry.layout)
                ++entry.changes;
            entry.modified = modified;
            entry.size = size;
            entry.layout = layout;
            changes = entry.changes;
        }
    }
    auto disc = std::unique_ptr<CueDisc>(new (std::nothrow) CueDisc(layout, changes));
    if (!disc) {
        *reason = "out of memory";
        return nullptr;
    }
    if (!disc->OpenFiles(reason))
        return nullptr;
    return disc;
}

} // namespace platform::cdrom
