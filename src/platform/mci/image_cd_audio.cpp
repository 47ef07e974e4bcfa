// The CD audio unit of a disc image drive: a digital CD player. The table of contents comes
// from the image; playing streams the image's raw audio sectors through the sound output
// (44100 Hz, 16 bits, stereo) in real time. Mode and position come from the samples the sound
// device reports as played, so what the caller sees is what the user hears.
//
// The sound output needs an event loop, and the callers may not run one (they poll from the
// user-interface thread, tests from a plain thread), so every unit owns a thread with its own
// event loop. The sink, its sample source and its own handle on the image live there; the
// caller's requests are carried over to that thread and wait for the answer.
#include "platform/mci/cd_audio_unit.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QEventLoop>
#include <QIODevice>
#include <QMediaDevices>
#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <vector>

#include "platform/cdrom/disc.h"
#include "platform/cdrom/image_disc.h"

namespace platform {
namespace {

constexpr int kSampleRate = int(cdrom::SAMPLE_RATE);
constexpr int kChannels = 2;
constexpr uint32_t kSamplesPerSector = cdrom::SAMPLES_PER_SECTOR;
constexpr uint32_t kSectorsPerRead = 27;
// How often the player looks whether the end has been heard, so that a finished sink is let go
// even when no one asks.
constexpr int kWatchIntervalMs = 50;
// A finished or stopped sink is kept this long before it is destroyed: PulseAudio may still be
// draining it, and destroying a stream right after it went idle can abort inside libpulse.
constexpr int kRetireDelayMs = 1000;
// A sink that has gone idle and reports no progress for this long has lost its device; the
// play counts as ended where the reported samples stand.
constexpr auto kStallLimit = std::chrono::milliseconds(1500);

QAudioFormat CdAudioFormat()
{
    QAudioFormat format;
    format.setSampleRate(kSampleRate);
    format.setChannelCount(kChannels);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

// The sectors of a data track, its pregap included: a CD player keeps silent over them.
struct DataSpan {
    uint32_t first;
    uint32_t end;
};

bool CopyToc(const cdrom::Disc& disc, cdrom::TableOfContents& toc, std::vector<DataSpan>& dataSpans)
{
    const cdrom::TableOfContents& source = disc.Toc();
    if (source.tracks.empty())
        return false;
    toc = source;
    dataSpans.clear();
    for (const cdrom::Track& track : source.tracks)
        if (!track.isAudio)
            dataSpans.push_back({track.start - std::min(track.start, track.pregap), track.start + track.length});
    return true;
}

// The raw sectors [from, to) of the player's own handle on the image, as a sequential stream
// of samples. A sector that cannot be read ends the stream there.
class SectorSource final : public QIODevice {
public:
    SectorSource(std::unique_ptr<cdrom::Disc> disc, uint32_t from, uint32_t to, QObject* parent)
        : QIODevice(parent), m_disc(std::move(disc)), m_next(from), m_to(to) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return qint64(m_to - m_next) * cdrom::RAW_SECTOR_SIZE + qint64(m_buffer.size() - m_offset) +
               QIODevice::bytesAvailable();
    }
    bool atEnd() const override { return m_next >= m_to && m_offset >= m_buffer.size(); }

protected:
    qint64 readData(char* destination, qint64 maxSize) override
    {
        qint64 done = 0;
        while (done < maxSize) {
            if (m_offset >= m_buffer.size() && !Refill())
                break;
            const size_t chunk = std::min<size_t>(size_t(maxSize - done), m_buffer.size() - m_offset);
            std::memcpy(destination + done, m_buffer.data() + m_offset, chunk);
            m_offset += chunk;
            done += qint64(chunk);
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    bool Refill()
    {
        if (m_next >= m_to)
            return false;
        const uint32_t count = std::min(kSectorsPerRead, m_to - m_next);
        m_buffer.resize(size_t(count) * cdrom::RAW_SECTOR_SIZE);
        m_offset = 0;
        if (!m_disc->ReadRaw(m_next, count, m_buffer.data())) {
            m_buffer.clear();
            m_to = m_next;
            return false;
        }
        m_next += count;
        return true;
    }

    std::unique_ptr<cdrom::Disc> m_disc;
    uint32_t m_next;
    uint32_t m_to;
    std::vector<uint8_t> m_buffer;
    size_t m_offset = 0;
};

// Lives on the unit's thread: one sink at a time, the range it plays, and where the drive
// stands when it does not play.
class StreamPlayer final : public QObject {
public:
    StreamPlayer() : m_watch(this)
    {
        m_watch.setInterval(kWatchIntervalMs);
        connect(&m_watch, &QTimer::timeout, this, [this] { Update(); });
    }

    MCIERROR Start(const std::string& imagePath, uint32_t from, uint32_t to)
    {
        Halt(Heard());
        m_stoppedAt = from;
        if (from >= to)
            return 0;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() || !device.isFormatSupported(CdAudioFormat()))
            return MCIERR_WAVE_OUTPUTSUNSUITABLE;
        std::unique_ptr<cdrom::Disc> disc = cdrom::OpenDisc(imagePath, cdrom::SourceKind::ImageFile, nullptr);
        if (!disc)
            return MCIERR_DEVICE_NOT_READY;
        auto* source = new (std::nothrow) SectorSource(std::move(disc), from, to, this);
        auto* sink = new (std::nothrow) QAudioSink(device, CdAudioFormat(), this);
        if (!source || !sink) {
            delete source;
            delete sink;
            return MCIERR_OUT_OF_MEMORY;
        }
        source->open(QIODevice::ReadOnly);
        sink->start(source);
        if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
            Retire(sink, source);
            return MCIERR_WAVE_OUTPUTSUNSUITABLE;
        }
        m_sink = sink;
        m_source = source;
        m_from = from;
        m_to = to;
        m_lastProcessed = -1;
        m_watch.start();
        return 0;
    }

    // Stops playing where the sound device stands.
    void Stop() { Halt(Heard()); }

    // Stops playing and stands at a sector.
    void MoveTo(uint32_t sector) { Halt(sector); }

    bool Playing()
    {
        Update();
        return m_sink != nullptr;
    }

    uint32_t Position()
    {
        Update();
        return m_sink ? Heard() : m_stoppedAt;
    }

    // Stops and lets go of every sink, waiting out the drain time of those just stopped.
    void ShutDown()
    {
        Halt(m_stoppedAt);
        // The sinks need their events while they drain, so the thread runs its loop meanwhile.
        if (!m_retiring.empty()) {
            QEventLoop loop;
            QTimer::singleShot(kRetireDelayMs + kWatchIntervalMs, &loop, &QEventLoop::quit);
            loop.exec();
        }
        for (const Retiring& retiring : m_retiring) {
            delete retiring.sink;
            delete retiring.source;
        }
        m_retiring.clear();
    }

private:
    struct Retiring {
        QAudioSink* sink;
        SectorSource* source;
    };

    // The sector being heard: the start plus the samples the device reports as played.
    uint32_t Heard() const
    {
        if (!m_sink)
            return m_stoppedAt;
        const uint64_t total = uint64_t(m_to - m_from) * kSamplesPerSector;
        const uint64_t played = std::min<uint64_t>(total, PlayedSamples());
        return m_from + uint32_t(played / kSamplesPerSector);
    }

    uint64_t PlayedSamples() const
    {
        const qint64 usecs = m_sink->processedUSecs();
        return usecs > 0 ? uint64_t(usecs) * kSampleRate / 1000000 : 0;
    }

    // Ends the play once its last sample has been heard, or once the device stopped or stalled.
    void Update()
    {
        if (!m_sink)
            return;
        const uint64_t total = uint64_t(m_to - m_from) * kSamplesPerSector;
        if (PlayedSamples() >= total) {
            Halt(m_to);
            return;
        }
        if (m_sink->state() == QAudio::StoppedState) {
            Halt(Heard());
            return;
        }
        const qint64 processed = m_sink->processedUSecs();
        const auto now = std::chrono::steady_clock::now();
        if (processed != m_lastProcessed) {
            m_lastProcessed = processed;
            m_lastProgress = now;
        } else if (m_sink->state() == QAudio::IdleState && now - m_lastProgress > kStallLimit) {
            Halt(Heard());
        }
    }

    void Halt(uint32_t standAt)
    {
        m_stoppedAt = standAt;
        m_watch.stop();
        if (!m_sink)
            return;
        m_sink->stop();
        Retire(m_sink, m_source);
        m_sink = nullptr;
        m_source = nullptr;
    }

    void Retire(QAudioSink* sink, SectorSource* source)
    {
        m_retiring.push_back({sink, source});
        QTimer::singleShot(kRetireDelayMs, this, [this, sink] {
            auto found = std::find_if(m_retiring.begin(), m_retiring.end(),
                                      [sink](const Retiring& retiring) { return retiring.sink == sink; });
            if (found == m_retiring.end())
                return;
            delete found->sink;
            delete found->source;
            m_retiring.erase(found);
        });
    }

    QAudioSink* m_sink = nullptr;
    SectorSource* m_source = nullptr;
    uint32_t m_from = 0;
    uint32_t m_to = 0;
    uint32_t m_stoppedAt = 0;
    qint64 m_lastProcessed = -1;
    std::chrono::steady_clock::time_point m_lastProgress;
    QTimer m_watch;
    std::vector<Retiring> m_retiring;
};

class ImageCdAudioUnit final : public CdAudioUnit {
public:
    explicit ImageCdAudioUnit(std::string imagePath) : m_imagePath(std::move(imagePath)) {}
    ~ImageCdAudioUnit() override
    {
        if (!m_thread)
            return;
        OnPlayer([this] {
            m_player->ShutDown();
            delete m_player;
        });
        m_thread->quit();
        m_thread->wait();
        delete m_thread;
    }

    bool ReadToc(cdrom::TableOfContents& toc) override
    {
        if (!LoadDisc())
            return false;
        toc = m_toc;
        return true;
    }

    uint32_t Mode() override
    {
        if (m_doorOpen)
            return MCI_MODE_OPEN;
        if (!LoadDisc())
            return MCI_MODE_NOT_READY;
        bool playing = false;
        if (m_thread)
            OnPlayer([&] { playing = m_player->Playing(); });
        return playing ? MCI_MODE_PLAY : MCI_MODE_STOP;
    }

    uint32_t Position() override
    {
        uint32_t sector = m_toc.tracks.empty() ? 0 : m_toc.tracks.front().start;
        if (m_thread && !m_doorOpen)
            OnPlayer([&] { sector = m_player->Position(); });
        return sector;
    }

    MCIERROR Play(uint32_t from, uint32_t to) override
    {
        if (m_doorOpen || !LoadDisc())
            return MCIERR_DEVICE_NOT_READY;
        if (from < to && !AudioEnd(from, to))
            return MCIERR_HARDWARE;
        to = AudioEnd(from, std::min(to, m_toc.leadOut));
        // Asked here first, so that the sound system is set up on the caller's thread, which
        // outlives the player's.
        if (from < to && QMediaDevices::defaultAudioOutput().isNull())
            return MCIERR_WAVE_OUTPUTSUNSUITABLE;
        if (!StartThread())
            return MCIERR_WAVE_OUTPUTSUNSUITABLE;
        MCIERROR error = 0;
        OnPlayer([&] { error = m_player->Start(m_imagePath, from, to); });
        return error;
    }

    MCIERROR Stop() override
    {
        if (m_thread)
            OnPlayer([this] { m_player->Stop(); });
        return 0;
    }

    MCIERROR Seek(uint32_t sector) override
    {
        if (m_doorOpen || !LoadDisc())
            return MCIERR_DEVICE_NOT_READY;
        if (sector > m_toc.leadOut)
            return MCIERR_OUTOFRANGE;
        if (!StartThread())
            return MCIERR_OUT_OF_MEMORY;
        OnPlayer([&] { m_player->MoveTo(sector); });
        return 0;
    }

    // The tray of an image drive: open, the disc is out (playing stops, and what the device
    // layer keeps of the image is let go); closed, the image is read again, as if the disc had
    // been put back in.
    MCIERROR OpenDoor() override
    {
        if (m_thread)
            OnPlayer([this] { m_player->MoveTo(0); });
        cdrom::ForgetImage(m_imagePath);
        m_doorOpen = true;
        m_loaded = false;
        m_toc = cdrom::TableOfContents{};
        return 0;
    }

    MCIERROR CloseDoor() override
    {
        cdrom::ForgetImage(m_imagePath);
        m_doorOpen = false;
        m_loaded = false;
        if (LoadDisc() && m_thread) {
            const uint32_t first = m_toc.tracks.front().start;
            OnPlayer([&] { m_player->MoveTo(first); });
        }
        return 0;
    }

private:
    // Reads the table of contents once per closing of the door; false when the image cannot be
    // opened.
    bool LoadDisc()
    {
        if (m_doorOpen)
            return false;
        if (m_loaded)
            return true;
        std::unique_ptr<cdrom::Disc> disc = cdrom::OpenDisc(m_imagePath, cdrom::SourceKind::ImageFile, nullptr);
        m_loaded = disc && CopyToc(*disc, m_toc, m_dataSpans);
        return m_loaded;
    }

    // Only audio sectors are played, as a CD player does: playing stops before the first sector
    // of a data track (or of its pregap) in the range. 0 when the range begins on one.
    uint32_t AudioEnd(uint32_t from, uint32_t to) const
    {
        for (const DataSpan& span : m_dataSpans) {
            if (from >= span.first && from < span.end)
                return 0;
            if (span.first > from && span.first < to)
                to = span.first;
        }
        return to;
    }

    bool StartThread()
    {
        if (m_thread)
            return true;
        if (!QCoreApplication::instance())
            return false;  // no application, no sound output
        auto* thread = new (std::nothrow) QThread;
        auto* player = new (std::nothrow) StreamPlayer;
        if (!thread || !player) {
            delete thread;
            delete player;
            return false;
        }
        thread->setObjectName(QStringLiteral("CD audio"));
        player->moveToThread(thread);
        thread->start();
        m_thread = thread;
        m_player = player;
        const uint32_t first = m_toc.tracks.empty() ? 0 : m_toc.tracks.front().start;
        OnPlayer([&] { m_player->MoveTo(first); });
        return true;
    }

    template <typename Function>
    void OnPlayer(Function&& function)
    {
        QMetaObject::invokeMethod(m_player, std::forward<Function>(function), Qt::BlockingQueuedConnection);
    }

    std::string m_imagePath;
    bool m_doorOpen = false;
    bool m_loaded = false;
    cdrom::TableOfContents m_toc;
    std::vector<DataSpan> m_dataSpans;
    QThread* m_thread = nullptr;
    StreamPlayer* m_player = nullptr;
};

} // namespace

std::unique_ptr<CdAudioUnit> CreateImageCdAudioUnit(const std::string& imagePath)
{
    return std::unique_ptr<CdAudioUnit>(new (std::nothrow) ImageCdAudioUnit(imagePath));
}

} // namespace platform
