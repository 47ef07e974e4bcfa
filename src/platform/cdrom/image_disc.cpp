#include "platform/cdrom/image_disc.h"

#include <sndfile.h>
#include <sys/stat.h>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <vector>

#include "platform/cdrom/cue_sheet.h"
#include "platform/cdrom/file_changes.h"
#include "platform/cdrom/image_files.h"
#include "platform/cdrom/image_layout.h"
#include "platform/cdrom/nrg_file.h"
#include "platform/cdrom/raw_sector.h"
#include "platform/cdrom/toc_file.h"

namespace platform::cdrom {

namespace {

enum class ImageKind { Cue, Toc, Nrg };

constexpr uint64_t MAX_SHEET_BYTES = 1 << 20;
// Sound decoders kept open at once: a read goes through one track after the other, and a
// decoder holds buffers of its own.
constexpr size_t MAX_OPEN_DECODERS = 4;

#if defined(__x86_64__)
// Thirty-two bytes at a time; the processor is asked once whether it can.
__attribute__((target("avx2"))) size_t SwapWithAvx2(uint8_t* bytes, size_t size)
{
    const __m256i order = _mm256_setr_epi8(1, 0, 3, 2, 5, 4, 7, 6, 9, 8, 11, 10, 13, 12, 15, 14, 1, 0, 3, 2, 5, 4, 7, 6,
                                           9, 8, 11, 10, 13, 12, 15, 14);
    size_t i = 0;
    for (; i + 32 <= size; i += 32) {
        auto* at = reinterpret_cast<__m256i*>(bytes + i);
        _mm256_storeu_si256(at, _mm256_shuffle_epi8(_mm256_loadu_si256(at), order));
    }
    return i;
}

const bool g_haveAvx2 = __builtin_cpu_supports("avx2");
#endif

// Turns 16-bit samples stored most significant byte first into the order of a raw read. A TOC
// drive reads as fast as a cue drive only if this costs next to nothing, so it goes in the
// widest steps the processor has.
void SwapSampleBytes(uint8_t* bytes, size_t size)
{
    size_t i = 0;
#if defined(__x86_64__)
    if (g_haveAvx2)
        i = SwapWithAvx2(bytes, size);
#endif
#if defined(__SSE2__)
    for (; i + 16 <= size; i += 16) {
        auto* at = reinterpret_cast<__m128i*>(bytes + i);
        const __m128i word = _mm_loadu_si128(at);
        _mm_storeu_si128(at, _mm_or_si128(_mm_slli_epi16(word, 8), _mm_srli_epi16(word, 8)));
    }
#endif
    for (; i + 1 < size; i += 2)
        std::swap(bytes[i], bytes[i + 1]);
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
}

bool LoadProgram(const std::string& path, ImageKind kind, DiscProgram* program, std::string* reason)
{
    if (kind == ImageKind::Nrg) {
        struct stat info;
        const int fd = OpenRegularFile(path, &info, reason);
        if (fd < 0)
            return false;
        const ImageReader read = [fd](uint64_t offset, size_t size, std::string* bytes) {
            bytes->assign(size, '\0');
            size_t got = 0;
            while (got < size) {
                const ssize_t n = pread(fd, bytes->data() + got, size - got, static_cast<off_t>(offset + got));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return false;
                got += static_cast<size_t>(n);
            }
            return true;
        };
        const bool ok = ParseNrgImage(read, static_cast<uint64_t>(info.st_size), path, program, reason);
        close(fd);
        return ok;
    }
    std::string text;
    if (!ReadRegularFile(path, MAX_SHEET_BYTES, &text, reason))
        return false;
    return kind == ImageKind::Cue ? ParseCueSheet(text, program, reason) : ParseTocFile(text, program, reason);
}

// One image as every handle opened on it shares it: the layout, which does not change, and the
// files it names with their descriptors and decoders, used by one request at a time.
class LoadedImage {
public:
    LoadedImage(ImageLayout layout, uint64_t watch)
        : m_layout(std::move(layout)),
          m_watch(watch),
          m_files(m_layout.files.size())
    {
    }
    ~LoadedImage()
    {
        for (OpenFile& file : m_files)
            CloseFile(file);
        if (m_watch)
            ForgetFiles(m_watch);
    }
    LoadedImage(const LoadedImage&) = delete;
    LoadedImage& operator=(const LoadedImage&) = delete;

    const ImageLayout& Layout() const { return m_layout; }

    // Whether the kernel reports on its files; else they are looked at.
    uint64_t Watch() const { return m_watch; }

    // checkChanges false: the caller has just found the files unchanged (a handle's first read
    // comes right after its open, which asked).
    bool Read(uint32_t first, uint32_t count, uint8_t* out, bool raw, bool checkChanges = true)
    {
        std::lock_guard lock(m_mutex);
        if (m_watch && checkChanges && FilesChanged(m_watch)) {
            m_stale = true;
            return false;
        }
        const uint32_t leadOut = m_layout.toc.leadOut;
        if (first >= leadOut || count > leadOut - first)
            return false;
        const std::vector<TrackRun>& runs = m_layout.runs;
        auto run = std::upper_bound(runs.begin(), runs.end(), first,
                                    [](uint32_t sector, const TrackRun& r) { return sector < r.firstSector; });
        --run;
        const size_t sectorBytes = raw ? RAW_SECTOR_SIZE : COOKED_SECTOR_SIZE;
        uint32_t sector = first;
        while (sector < first + count) {
            const uint32_t n = std::min(first + count - sector, run->firstSector + run->sectors - sector);
            if (!ReadRun(*run, sector, n, out + size_t{sector - first} * sectorBytes, raw))
                return false;
            sector += n;
            ++run;
        }
        return true;
    }

    // True once a file the image names was found changed since the image was laid out.
    bool Stale() const { return m_stale.load(std::memory_order_relaxed); }

private:
    struct OpenFile {
        int fd = -1;
        SNDFILE* sound = nullptr;
        uint64_t position = 0; // the frame the decoder stands at
        uint64_t lastUse = 0;
        dev_t device = 0;
        ino_t inode = 0;
    };

    static void CloseFile(OpenFile& file)
    {
        if (file.sound)
            sf_close(file.sound);
        else if (file.fd >= 0)
            close(file.fd);
        file = OpenFile{};
    }

    // Whether the file on disk is still the one that was measured; a changed file makes the
    // image stale, to be read anew.
    bool Unchanged(const ResolvedFile& resolved, const OpenFile& file)
    {
        struct stat info;
        if (stat(resolved.path.c_str(), &info) != 0 || info.st_dev != file.device || info.st_ino != file.inode ||
            static_cast<uint64_t>(info.st_size) != resolved.fileSize || ModificationTime(info) != resolved.modified) {
            m_stale = true;
            return false;
        }
        return true;
    }

    OpenFile* Use(size_t index)
    {
        OpenFile& file = m_files[index];
        const ResolvedFile& resolved = m_layout.files[index];
        file.lastUse = ++m_clock;
        if (file.fd >= 0 || file.sound)
            return m_watch || Unchanged(resolved, file) ? &file : nullptr;
        struct stat info;
        std::string why;
        if (resolved.format == FileFormat::Sound) {
            const auto open = std::count_if(m_files.begin(), m_files.end(), [](const OpenFile& f) { return f.sound; });
            if (static_cast<size_t>(open) >= MAX_OPEN_DECODERS) {
                auto oldest =
                    std::min_element(m_files.begin(), m_files.end(), [](const OpenFile& a, const OpenFile& b) {
                        return (a.sound ? a.lastUse : UINT64_MAX) < (b.sound ? b.lastUse : UINT64_MAX);
                    });
                CloseFile(*oldest);
            }
            SF_INFO format;
            file.sound = OpenSoundFile(resolved.path, &format, &info, &why);
            if (!file.sound)
                return nullptr;
        } else {
            file.fd = OpenRegularFile(resolved.path, &info, &why);
            if (file.fd < 0)
                return nullptr;
        }
        file.lastUse = m_clock;
        file.device = info.st_dev;
        file.inode = info.st_ino;
        return Unchanged(resolved, file) ? &file : nullptr;
    }

    bool ReadBytes(OpenFile& file, uint64_t offset, uint8_t* out, size_t size)
    {
        size_t got = 0;
        while (got < size) {
            const ssize_t n = pread(file.fd, out + got, size - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false; // the file shrank under us
            got += static_cast<size_t>(n);
        }
        return true;
    }

    // Samples of a sound file; a decoder already standing at the frame is not sought again.
    bool ReadFrames(OpenFile& file, uint64_t frame, uint8_t* out, size_t size)
    {
        if (size % BYTES_PER_SAMPLE != 0)
            return false;
        if (file.position != frame) {
            if (sf_seek(file.sound, static_cast<sf_count_t>(frame), SEEK_SET) < 0)
                return false;
            file.position = frame;
        }
        const sf_count_t frames = static_cast<sf_count_t>(size / BYTES_PER_SAMPLE);
        const sf_count_t got = sf_readf_short(file.sound, reinterpret_cast<short*>(out), frames);
        if (got > 0)
            file.position += static_cast<uint64_t>(got);
        return got == frames;
    }

    // size bytes of a track's stream from offset: the pieces' bytes, zeros elsewhere.
    bool Gather(const TrackRun& run, uint64_t offset, size_t size, uint8_t* out)
    {
        const std::vector<StreamPiece>& pieces = run.pieces;
        auto piece = std::upper_bound(pieces.begin(), pieces.end(), offset,
                                      [](uint64_t at, const StreamPiece& p) { return at < p.streamStart; });
        if (piece != pieces.begin())
            --piece;
        uint64_t at = offset;
        const uint64_t end = offset + size;
        while (at < end) {
            while (piece != pieces.end() && piece->streamStart + piece->length <= at)
                ++piece;
            uint8_t* to = out + (at - offset);
            if (piece == pieces.end() || piece->streamStart > at) {
                const uint64_t gapEnd = piece == pieces.end() ? end : std::min(end, piece->streamStart);
                std::memset(to, 0, static_cast<size_t>(gapEnd - at));
                at = gapEnd;
                continue;
            }
            const uint64_t chunkEnd = std::min(end, piece->streamStart + piece->length);
            const uint64_t into = at - piece->streamStart;
            const size_t chunk = static_cast<size_t>(chunkEnd - at);
            const size_t real = piece->zero || into >= piece->available
                ? 0
                : static_cast<size_t>(std::min<uint64_t>(chunk, piece->available - into));
            if (real > 0) {
                OpenFile* file = Use(piece->file);
                if (!file)
                    return false;
                const bool ok = file->sound ? ReadFrames(*file, piece->offset + into / BYTES_PER_SAMPLE, to, real)
                                            : ReadBytes(*file, piece->offset + into, to, real);
                if (!ok)
                    return false;
                if (piece->swapBytes)
                    SwapSampleBytes(to, real);
            }
            std::memset(to + real, 0, chunk - real);
            at = chunkEnd;
        }
        return true;
    }

    // Whether any byte of the sector at offset comes from a file, rather than being made up.
    static bool HoldsFileData(const TrackRun& run, uint64_t offset)
    {
        const uint64_t end = offset + run.bytesPerSector;
        for (const StreamPiece& piece : run.pieces)
            if (!piece.zero && piece.streamStart < end && piece.streamStart + piece.available > offset)
                return true;
        return false;
    }

    bool ReadRun(const TrackRun& run, uint32_t sector, uint32_t n, uint8_t* out, bool raw)
    {
        const uint32_t into = sector - run.firstSector;
        const uint32_t bps = run.bytesPerSector;
        const uint64_t offset = uint64_t{into} * bps;
        switch (run.mode) {
        case TrackMode::Audio:
            // Audio sectors hold no user data, as a drive answers.
            return raw && Gather(run, offset, size_t{n} * bps, out);
        case TrackMode::Mode1:
            if (!raw)
                return Gather(run, offset, size_t{n} * bps, out);
            m_scratch.resize(size_t{n} * bps);
            if (!Gather(run, offset, m_scratch.size(), m_scratch.data()))
                return false;
            for (uint32_t i = 0; i < n; ++i)
                EncodeMode1Sector(sector + i, m_scratch.data() + size_t{i} * bps, out + size_t{i} * RAW_SECTOR_SIZE);
            return true;
        case TrackMode::Mode2:
            m_scratch.resize(size_t{n} * bps);
            if (!Gather(run, offset, m_scratch.size(), m_scratch.data()))
                return false;
            for (uint32_t i = 0; i < n; ++i) {
                const uint8_t* data = m_scratch.data() + size_t{i} * bps;
                if (raw)
                    EncodeMode2Sector(sector + i, data, out + size_t{i} * RAW_SECTOR_SIZE);
                else
                    std::memcpy(out + size_t{i} * COOKED_SECTOR_SIZE, data + MODE2_USER_DATA_OFFSET - MODE2_DATA_OFFSET,
                                COOKED_SECTOR_SIZE);
            }
            return true;
        case TrackMode::Mode1Raw:
        case TrackMode::Mode2Raw: break;
        }
        // Whole sectors in the file; a sector the image makes up is an empty sector of the mode.
        const bool mode1 = run.mode == TrackMode::Mode1Raw;
        uint8_t* raws = out;
        if (!raw) {
            m_scratch.resize(size_t{n} * RAW_SECTOR_SIZE);
            raws = m_scratch.data();
        }
        if (!Gather(run, offset, size_t{n} * RAW_SECTOR_SIZE, raws))
            return false;
        for (uint32_t i = 0; i < n; ++i) {
            uint8_t* whole = raws + size_t{i} * RAW_SECTOR_SIZE;
            if (!HoldsFileData(run, offset + uint64_t{i} * RAW_SECTOR_SIZE)) {
                if (mode1)
                    EncodeMode1Sector(sector + i, nullptr, whole);
                else
                    EncodeMode2Sector(sector + i, nullptr, whole);
            }
            if (!raw)
                std::memcpy(out + size_t{i} * COOKED_SECTOR_SIZE,
                            whole + (mode1 ? MODE1_USER_DATA_OFFSET : MODE2_USER_DATA_OFFSET), COOKED_SECTOR_SIZE);
        }
        return true;
    }

    const ImageLayout m_layout;
    const uint64_t m_watch; // token of the kernel's reports on the files, 0: none
    std::mutex m_mutex;
    std::vector<OpenFile> m_files;
    std::vector<uint8_t> m_scratch;
    uint64_t m_clock = 0;
    std::atomic<bool> m_stale{false};
};

// What is kept of an image that could be read, for the image file as it was then. An image that
// could not be read is read again at every open: the file it missed may have come since.
struct CacheEntry {
    int64_t modified = 0;
    uint64_t size = 0;
    std::shared_ptr<LoadedImage> image; // null after ForgetImage
    uint32_t changes = 0;               // times the image was seen to change
};

std::mutex g_cacheMutex;
std::map<std::string, CacheEntry> g_cache;

bool SameFile(const struct stat& info, int64_t modified, uint64_t size)
{
    return ModificationTime(info) == modified && static_cast<uint64_t>(info.st_size) == size;
}

// Asks the kernel to report on the image file and the files it names. Whatever changed between
// their measuring and now counts: the token is then given up, and the image read once more.
uint64_t WatchImage(const std::string& path, const struct stat& image, const ImageLayout& layout)
{
    std::vector<std::string> paths{path};
    for (const ResolvedFile& file : layout.files)
        paths.push_back(file.path);
    const uint64_t token = WatchFiles(paths);
    if (!token)
        return 0;
    struct stat now;
    bool same = stat(path.c_str(), &now) == 0 && SameFile(now, ModificationTime(image), uint64_t(image.st_size));
    for (size_t i = 0; same && i < layout.files.size(); ++i)
        same = stat(layout.files[i].path.c_str(), &now) == 0 &&
            SameFile(now, layout.files[i].modified, layout.files[i].fileSize);
    if (!same) {
        ForgetFiles(token);
        return UINT64_MAX;
    }
    return token;
}

// The kept image at path, read anew when the image file or a file it names changed or when it
// was forgotten; null and a reason when it cannot be read. While the kernel reports on the
// files, nothing is looked at for a kept image; else the image file's size and time are.
std::shared_ptr<LoadedImage> LoadImage(const std::string& path, ImageKind kind, std::string* reason, uint32_t* changes)
{
    std::lock_guard lock(g_cacheMutex);
    auto cached = g_cache.find(path);
    if (cached != g_cache.end() && cached->second.image && !cached->second.image->Stale()) {
        const CacheEntry& entry = cached->second;
        struct stat info;
        const bool same = entry.image->Watch()
            ? !FilesChanged(entry.image->Watch())
            : stat(path.c_str(), &info) == 0 && SameFile(info, entry.modified, entry.size);
        if (same) {
            *changes = entry.changes;
            return entry.image;
        }
    }
    for (int attempt = 0;; ++attempt) {
        struct stat info;
        if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            const int fd = OpenRegularFile(path, &info, reason); // for the reason
            if (fd >= 0) {
                close(fd);
                *reason = "it changed while it was being opened";
            }
            return nullptr;
        }
        CacheEntry entry;
        entry.modified = ModificationTime(info);
        entry.size = static_cast<uint64_t>(info.st_size);
        if (cached != g_cache.end())
            entry.changes = cached->second.changes + (cached->second.image ? 1 : 0);
        DiscProgram program;
        ImageLayout layout;
        if (!LoadProgram(path, kind, &program, reason) ||
            !BuildImageLayout(program, kind == ImageKind::Nrg ? std::string() : FolderOf(path), &layout, reason))
            return nullptr;
        uint64_t watch = WatchImage(path, info, layout);
        if (watch == UINT64_MAX && attempt < 2)
            continue; // changed while it was read: read it again
        if (watch == UINT64_MAX)
            watch = 0;
        entry.image = std::shared_ptr<LoadedImage>(new (std::nothrow) LoadedImage(std::move(layout), watch));
        if (!entry.image) {
            if (watch)
                ForgetFiles(watch);
            *reason = "out of memory";
            return nullptr;
        }
        *changes = entry.changes;
        std::shared_ptr<LoadedImage> image = entry.image;
        g_cache[path] = std::move(entry);
        return image;
    }
}

class ImageDisc : public Disc {
public:
    ImageDisc(std::string path, ImageKind kind, std::shared_ptr<LoadedImage> image, uint32_t changes)
        : m_path(std::move(path)),
          m_kind(kind),
          m_image(std::move(image)),
          m_changes(changes)
    {
    }

    const TableOfContents& Toc() const override { return m_image->Layout().toc; }
    uint32_t MediaChangeCount() override { return m_changes; }
    bool ReadRaw(uint32_t first, uint32_t count, uint8_t* destination) override
    {
        return Read(first, count, destination, true);
    }
    bool ReadCooked(uint32_t first, uint32_t count, uint8_t* destination) override
    {
        return Read(first, count, destination, false);
    }

private:
    // A file of the image that changed since it was laid out: the image is read anew, as the
    // new disc it is, and the read is made on that.
    bool Read(uint32_t first, uint32_t count, uint8_t* destination, bool raw)
    {
        const bool justOpened = m_justOpened;
        m_justOpened = false;
        if (m_image->Read(first, count, destination, raw, !justOpened))
            return true;
        if (!m_image->Stale())
            return false;
        std::string reason;
        std::shared_ptr<LoadedImage> fresh = LoadImage(m_path, m_kind, &reason, &m_changes);
        if (!fresh)
            return false;
        m_image = std::move(fresh);
        return m_image->Read(first, count, destination, raw);
    }

    std::string m_path;
    ImageKind m_kind;
    bool m_justOpened = true; // a device request opens, reads once and closes
    std::shared_ptr<LoadedImage> m_image;
    uint32_t m_changes;
};

std::unique_ptr<Disc> OpenImage(const std::string& path, ImageKind kind, std::string* reason)
{
    uint32_t changes = 0;
    std::shared_ptr<LoadedImage> image = LoadImage(path, kind, reason, &changes);
    if (!image)
        return nullptr;
    auto disc = std::unique_ptr<ImageDisc>(new (std::nothrow) ImageDisc(path, kind, std::move(image), changes));
    if (!disc)
        *reason = "out of memory";
    return disc;
}

} // namespace

std::unique_ptr<Disc> OpenCueImage(const std::string& path, std::string* reason)
{
    return OpenImage(path, ImageKind::Cue, reason);
}

std::unique_ptr<Disc> OpenTocImage(const std::string& path, std::string* reason)
{
    return OpenImage(path, ImageKind::Toc, reason);
}

std::unique_ptr<Disc> OpenNrgImage(const std::string& path, std::string* reason)
{
    return OpenImage(path, ImageKind::Nrg, reason);
}

void ForgetImage(const std::string& path)
{
    std::lock_guard lock(g_cacheMutex);
    auto cached = g_cache.find(path);
    if (cached == g_cache.end())
        return;
    // The entry stays for its change count. Taking the disc out and putting it back is counted by
    // the drive (its door), not here: this count is of changes to the image's files.
    cached->second.image.reset();
}

} // namespace platform::cdrom
