#include "platform/sound.h"

#include "platform/audio_output.h"
#include "platform/wave_image.h"

#include <QAudioFormat>
#include <QFile>
#include <QIODevice>

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <vector>

static void InitSoundResources() { Q_INIT_RESOURCE(sounds); }

namespace platform {
namespace {

// Plays a wave image from memory the caller owns, without copying it; a looping one starts
// again at its end. The sound output reads it on its own thread only until the stream is
// stopped, and a stop returns only once that is so.
class MemorySource final : public QIODevice {
public:
    MemorySource(const char* data, qint64 size, bool loop) : m_data(data), m_size(size), m_loop(loop && size > 0) {}

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        return (m_loop ? m_size : m_size - m_position) + QIODevice::bytesAvailable();
    }
    bool atEnd() const override { return !m_loop && m_position >= m_size; }

protected:
    qint64 readData(char* destination, qint64 maxSize) override
    {
        qint64 done = 0;
        while (done < maxSize) {
            if (m_position >= m_size) {
                if (!m_loop)
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
    const char* m_data;
    qint64 m_size;
    qint64 m_position = 0;
    bool m_loop;
};

struct DecodedSound {
    QAudioFormat format;
    QByteArray samples; // interleaved 16-bit
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

// The real sound service: one sound at a time through the program's sound output.
class RealSoundService : public SoundService {
public:
    bool Play(const void* sound, uint32_t flags) override
    {
        AudioOutput* output = AudioOutput::Instance();
        if (!output)
            return false; // no application, so nothing could ever play
        std::unique_lock lock(m_mutex);
        if (!sound) {
            output->Stop(m_current);
            m_current = 0;
            return true;
        }
        if ((flags & SND_NOSTOP) && output->State(m_current).playing)
            return false;

        QAudioFormat format;
        const char* data = nullptr;
        qint64 size = 0;
        if ((flags & SND_RESOURCE) == SND_RESOURCE) {
            const DecodedSound* decoded = Resource(static_cast<const char*>(sound));
            if (!decoded)
                return false; // missing resource: with or without SND_NODEFAULT there is no other sound
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
            return false; // sound files and system aliases are not part of this program
        }
        // One sound at a time: the new one ends the old one, even if it cannot start itself.
        output->Stop(m_current);
        m_current = 0;
        // A loop goes on until it is stopped, so only an asynchronous sound may loop.
        const bool async = (flags & SND_ASYNC) != 0;
        const bool loop = async && (flags & SND_LOOP);
        AudioOutput::StreamId id = 0;
        const auto makeSource = [data, size, loop]() -> QIODevice* {
            return new (std::nothrow) MemorySource(data, size, loop);
        };
        if (output->Start(format, makeSource, &id) != AudioOutput::StartResult::Started)
            return false; // no sound device, or it is busy: nothing is heard
        m_current = id;
        lock.unlock();
        if (!async)
            output->WaitUntilEnded(id);
        return true;
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

    std::mutex m_mutex;
    AudioOutput::StreamId m_current = 0;
    std::map<std::string, DecodedSound> m_resources; // decoded once, kept for the run
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
