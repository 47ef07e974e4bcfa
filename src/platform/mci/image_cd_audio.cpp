// The CD audio unit of a disc image drive: a digital CD player. The table of contents comes
// from the image; playing streams the image's raw audio sectors through the program's sound
// output (44100 Hz, 16 bits, stereo) in real time. Mode and position come from the samples the
// sound device reports as played, so what the caller sees is what the user hears. The sound
// output owns the stream and its sink; the unit only starts, asks and stops.
#include "platform/mci/cd_audio_unit.h"

#include <QAudioFormat>
#include <QIODevice>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "platform/audio_output.h"
#include "platform/cdrom/disc.h"
#include "platform/cdrom/image_disc.h"

namespace platform {
namespace {

constexpr int kSampleRate = int(cdrom::SAMPLE_RATE);
constexpr int kChannels = 2;
constexpr uint32_t kSamplesPerSector = cdrom::SAMPLES_PER_SECTOR;
constexpr uint32_t kSectorsPerRead = 27;

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
        : QIODevice(parent),
          m_disc(std::move(disc)),
          m_next(from),
          m_to(to)
    {
    }

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

class ImageCdAudioUnit final : public CdAudioUnit {
public:
    explicit ImageCdAudioUnit(std::string imagePath) : m_imagePath(std::move(imagePath)) {}
    // The sound stops with the drive; the output lets its sink drain on its own.
    ~ImageCdAudioUnit() override { Halt(m_stoppedAt); }

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
        Update();
        return m_stream ? MCI_MODE_PLAY : MCI_MODE_STOP;
    }

    uint32_t Position() override
    {
        if (!m_positioned || m_doorOpen)
            return FirstTrackStart();
        if (!m_stream)
            return m_stoppedAt;
        const AudioOutput::StreamState state = m_output->State(m_stream);
        if (!state.playing) {
            Ended(state);
            return m_stoppedAt;
        }
        return Heard(state);
    }

    MCIERROR Play(uint32_t from, uint32_t to) override
    {
        if (m_doorOpen || !LoadDisc())
            return MCIERR_DEVICE_NOT_READY;
        if (from < to && !AudioEnd(from, to))
            return MCIERR_HARDWARE;
        to = AudioEnd(from, std::min(to, m_toc.leadOut));
        AudioOutput* output = AudioOutput::Instance();
        if (!output || (from < to && !output->CanPlay(CdAudioFormat())))
            return MCIERR_WAVE_OUTPUTSUNSUITABLE;
        m_output = output;
        Position(); // where a play in progress has come to, before it is replaced
        Halt(from);
        if (from >= to)
            return 0;
        std::unique_ptr<cdrom::Disc> disc = cdrom::OpenDisc(m_imagePath, cdrom::SourceKind::ImageFile, nullptr);
        if (!disc)
            return MCIERR_DEVICE_NOT_READY;
        // The source is made on the output's thread; it reads through a handle of its own.
        auto handle = std::make_shared<std::unique_ptr<cdrom::Disc>>(std::move(disc));
        const auto makeSource = [handle, from, to]() -> QIODevice* {
            return new (std::nothrow) SectorSource(std::move(*handle), from, to, nullptr);
        };
        AudioOutput::StreamId stream = 0;
        switch (output->Start(CdAudioFormat(), makeSource, &stream)) {
        case AudioOutput::StartResult::Started: break;
        case AudioOutput::StartResult::NoMemory: return MCIERR_OUT_OF_MEMORY;
        default: return MCIERR_WAVE_OUTPUTSUNSUITABLE;
        }
        m_stream = stream;
        m_from = from;
        m_to = to;
        return 0;
    }

    MCIERROR Stop() override
    {
        if (m_positioned)
            Halt(Position());
        return 0;
    }

    MCIERROR Seek(uint32_t sector) override
    {
        if (m_doorOpen || !LoadDisc())
            return MCIERR_DEVICE_NOT_READY;
        if (sector > m_toc.leadOut)
            return MCIERR_OUTOFRANGE;
        Halt(sector);
        return 0;
    }

    // The tray of an image drive: open, the disc is out (playing stops, and what the device
    // layer keeps of the image is let go); closed, the image is read again, as if the disc had
    // been put back in.
    MCIERROR OpenDoor() override
    {
        if (m_positioned)
            Halt(0);
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
        if (LoadDisc() && m_positioned)
            Halt(m_toc.tracks.front().start);
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

    uint32_t FirstTrackStart() const { return m_toc.tracks.empty() ? 0 : m_toc.tracks.front().start; }

    // The sector being heard: the start plus the samples the device reports as played.
    uint32_t Heard(const AudioOutput::StreamState& state) const
    {
        const uint64_t total = uint64_t(m_to - m_from) * kSamplesPerSector;
        const uint64_t played =
            state.playedUSecs > 0 ? std::min<uint64_t>(total, uint64_t(state.playedUSecs) * kSampleRate / 1000000) : 0;
        return m_from + uint32_t(played / kSamplesPerSector);
    }

    void Update()
    {
        if (!m_stream)
            return;
        const AudioOutput::StreamState state = m_output->State(m_stream);
        if (!state.playing)
            Ended(state);
    }

    // The play has ended by itself: after the last sector it gave when all of that was heard
    // (the end of the range, unless the image could not be read so far), else where the device
    // stopped or stalled.
    void Ended(const AudioOutput::StreamState& state)
    {
        Halt(state.complete ? m_from + uint32_t(state.sourceBytes / cdrom::RAW_SECTOR_SIZE) : Heard(state));
    }

    // Stops playing (if it plays) and stands at a sector; from then on the drive has a position
    // of its own.
    void Halt(uint32_t standAt)
    {
        if (m_stream)
            m_output->Stop(m_stream);
        m_stream = 0;
        m_stoppedAt = standAt;
        m_positioned = true;
    }

    std::string m_imagePath;
    bool m_doorOpen = false;
    bool m_loaded = false;
    cdrom::TableOfContents m_toc;
    std::vector<DataSpan> m_dataSpans;
    AudioOutput* m_output = nullptr;
    AudioOutput::StreamId m_stream = 0; // the play in progress, 0 when none
    uint32_t m_from = 0;
    uint32_t m_to = 0;
    uint32_t m_stoppedAt = 0;
    bool m_positioned = false; // played or moved since the unit was made
};

} // namespace

std::unique_ptr<CdAudioUnit> CreateImageCdAudioUnit(const std::string& imagePath)
{
    return std::unique_ptr<CdAudioUnit>(new (std::nothrow) ImageCdAudioUnit(imagePath));
}

} // namespace platform
