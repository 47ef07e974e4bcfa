#include "platform/sound.h"

#include "platform/wave_image.h"

#include <QAudioSink>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QIODevice>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

static void InitSoundResources() { Q_INIT_RESOURCE(sounds); }

namespace platform {
namespace {

// A stopped or finished sink is kept this long before it is destroyed: PulseAudio may still be
// draining it, and destroying a stream right after it went idle can abort inside libpulse.
constexpr int kRetireDelayMs = 1000;

// Feeds a sink from memory the caller owns, without copying it. Detach() cuts the link: after
// it returns no byte of that memory is read again.
class MemorySource : public QIODevice {
public:
    MemorySource(const char* data, qint64 size, bool loop, QObject* parent)
        : QIODevice(parent), m_data(data), m_size(size), m_loop(loop) {}

    void Detach()
    {
        std::lock_guard lock(m_mutex);
        m_data = nullptr;
        m_size = 0;
    }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        std::lock_guard lock(m_mutex);
        return (m_loop && m_size > 0 ? m_size : m_size - m_position) + QIODevice::bytesAvailable();
    }

protected:
    qint64 readData(char* destination, qint64 maxSize) override
    {
        std::lock_guard lock(m_mutex);
        qint64 done = 0;
        while (done < maxSize && m_data) {
            if (m_position >= m_size) {
                if (!m_loop || m_size == 0)
                    break;
                m_position = 0;
            }
            const qint64 chunk = std::min(maxSize - done, m_size - m_position);
            std::memcpy(destination + done, m_data + m_position, static_cast<size_t>(chunk));
            m_position += chunk;
            done += chunk;
        }
        return done;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    mutable std::mutex m_mutex;
    const char* m_data;
    qint64 m_size;
    qint64 m_position = 0;
    bool m_loop;
};

struct DecodedSound {
    QAudioFormat format;
    QByteArray samples;   // interleaved 16-bit
};

struct MemoryFile {
    const QByteArray* bytes;
    sf_count_t position = 0;
};

sf_count_t VirtualLength(void* user) { return static_cast<MemoryFile*>(user)->bytes->size(); }
sf_count_t VirtualTell(void* user) { return static_cast<MemoryFile*>(user)->position; }
sf_count_t VirtualSeek(sf_count_t offset, int whence, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? file->bytes->size() : 0;
    const sf_count_t target = base + offset;
    if (target < 0 || target > file->bytes->size())
        return -1;
    file->position = target;
    return target;
}
sf_count_t VirtualRead(void* destination, sf_count_t count, void* user)
{
    auto* file = static_cast<MemoryFile*>(user);
    const sf_count_t n = std::clamp<sf_count_t>(file->bytes->size() - file->position, 0, count);
    std::memcpy(destination, file->bytes->constData() + file->position, static_cast<size_t>(n));
    file->position += n;
    return n;
}
sf_count_t VirtualWrite(const void*, sf_count_t, void*) { return 0; }

// Decodes a "WAVE" resource of the program (Microsoft ADPCM) into 16-bit samples.
bool DecodeResource(const std::string& name, DecodedSound& sound)
{
    InitSoundResources();
    QFile file(QStringLiteral(":/sounds/") + QString::fromStdString(name));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    SF_VIRTUAL_IO io{VirtualLength, VirtualSeek, VirtualRead, VirtualWrite, VirtualTell};
    MemoryFile memory{&bytes};
    SF_INFO info{};
    SNDFILE* handle = sf_open_virtual(&io, SFM_READ, &info, &memory);
    if (!handle)
        return false;
    bool ok = info.channels >= 1 && info.channels <= 2 && info.frames > 0 && info.samplerate > 0;
    if (ok) {
        std::vector<short> samples(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
        const sf_count_t frames = sf_readf_short(handle, samples.data(), info.frames);
        ok = frames > 0;
        sound.samples = QByteArray(reinterpret_cast<const char*>(samples.data()),
                                   static_cast<qsizetype>(frames * info.channels * 2));
        sound.format.setSampleRate(info.samplerate);
        sound.format.setChannelCount(info.channels);
        sound.format.setSampleFormat(QAudioFormat::Int16);
    }
    sf_close(handle);
    return ok;
}

QAudioFormat ToAudioFormat(const WaveImageInfo& wave)
{
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(wave.samplesPerSec));
    format.setChannelCount(wave.channels);
    format.setSampleFormat(wave.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    return format;
}

// The real sound service. It lives on the thread of the Qt event loop; calls from another
// thread are carried over to it and wait for the answer.
class SoundPlayer : public QObject {
public:
    using QObject::QObject;

    bool Play(const void* sound, uint32_t flags)
    {
        if (QThread::currentThread() != thread()) {
            bool result = false;
            QMetaObject::invokeMethod(this, [&] { result = Play(sound, flags); }, Qt::BlockingQueuedConnection);
            return result;
        }
        if (!sound) {
            StopCurrent();
            return true;
        }
        if ((flags & SND_NOSTOP) && m_sink && m_sink->state() == QAudio::ActiveState)
            return false;

        QAudioFormat format;
        const char* data = nullptr;
        qint64 size = 0;
        if ((flags & SND_RESOURCE) == SND_RESOURCE) {
            const DecodedSound* decoded = Resource(static_cast<const char*>(sound));
            if (!decoded)
                return false;   // missing resource: with or without SND_NODEFAULT there is no other sound
            format = decoded->format;
            data = decoded->samples.constData();
            size = decoded->samples.size();
        } else if (flags & SND_MEMORY) {
            WaveImageInfo wave;
            if (!ParseWaveImage(sound, wave) || !IsPlayablePcm(wave))
                return false;
            format = ToAudioFormat(wave);
            data = static_cast<const char*>(sound) + wave.dataOffset;
            size = static_cast<qint64>(wave.dataLength);
        } else {
            return false;   // sound files and system aliases are not part of this program
        }
        // One sound at a time: the new one ends the old one, even if it cannot start itself.
        StopCurrent();
        return Start(format, data, size, flags);
    }

private:
    const DecodedSound* Resource(const std::string& name)
    {
        auto found = m_resources.find(name);
        if (found == m_resources.end()) {
            DecodedSound decoded;
            if (!DecodeResource(name, decoded))
                return nullptr;
            found = m_resources.emplace(name, std::move(decoded)).first;
        }
        return &found->second;
    }

    bool Start(const QAudioFormat& format, const char* data, qint64 size, uint32_t flags)
    {
        auto* sink = new QAudioSink(format, this);
        auto* source = new MemorySource(data, size, (flags & SND_LOOP) != 0, this);
        source->open(QIODevice::ReadOnly);
        sink->start(source);
        if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
            // No sound device, or it is busy: nothing is heard.
            source->Detach();
            Retire(sink, source);
            return false;
        }
        m_sink = sink;
        m_source = source;
        connect(sink, &QAudioSink::stateChanged, this, [this, sink](QAudio::State state) {
            if (state == QAudio::IdleState && sink == m_sink)
                QTimer::singleShot(kRetireDelayMs, this, [this, sink] {
                    if (sink == m_sink && sink->state() == QAudio::IdleState)
                        StopCurrent();
                });
        });
        if (!(flags & SND_ASYNC))
            WaitUntilFinished(sink);
        return true;
    }

    void WaitUntilFinished(QAudioSink* sink)
    {
        QEventLoop loop;
        QPointer<QAudioSink> watched(sink);
        connect(sink, &QAudioSink::stateChanged, &loop, [&loop](QAudio::State state) {
            if (state != QAudio::ActiveState)
                loop.quit();
        });
        if (watched && watched->state() == QAudio::ActiveState)
            loop.exec();
    }

    void StopCurrent()
    {
        if (!m_sink)
            return;
        m_source->Detach();
        m_sink->stop();
        Retire(m_sink, m_source);
        m_sink = nullptr;
        m_source = nullptr;
    }

    void Retire(QAudioSink* sink, MemorySource* source)
    {
        sink->disconnect(this);
        QTimer::singleShot(kRetireDelayMs, this, [sink, source] {
            delete sink;
            delete source;
        });
    }

    QAudioSink* m_sink = nullptr;
    MemorySource* m_source = nullptr;
    std::map<std::string, DecodedSound> m_resources;
};

class RealSoundService : public SoundService {
public:
    bool Play(const void* sound, uint32_t flags) override
    {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return false;   // no event loop, so nothing could ever play
        if (!m_player) {
            m_player = new SoundPlayer;
            m_player->moveToThread(app->thread());
            m_player->setParent(app);   // goes with the application, before its audio backend
        }
        return m_player->Play(sound, flags);
    }

private:
    QPointer<SoundPlayer> m_player;
};

std::atomic<SoundService*> g_service{nullptr};

SoundService& RealService()
{
    static RealSoundService service;
    return service;
}

} // namespace

void SetSoundService(SoundService* service) { g_service = service; }

bool PlaySound(const void* sound, const void*, uint32_t flags)
{
    SoundService* service = g_service;
    return (service ? *service : RealService()).Play(sound, flags);
}

} // namespace platform
