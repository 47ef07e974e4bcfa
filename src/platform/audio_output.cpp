#include "platform/audio_output.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QCoreApplication>
#include <QIODevice>
#include <QMediaDevices>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <new>
#include <set>

#include "platform/wait_for_thread.h"

namespace platform {
namespace {

// How often the output looks whether a stream has been heard to its end, so that a finished
// sink is let go even when no one asks.
constexpr int kWatchIntervalMs = 50;
// A stopped or finished sink is kept this long before it is destroyed: PulseAudio may still be
// draining its stream, and destroying a sink right after it went idle aborted inside libpulse
// (3 of 46 runs measured).
constexpr int kDrainHoldMs = 1000;
// A sink that has gone idle and reports no progress for this long has lost its device; the
// stream counts as ended where the reported time stands.
constexpr auto kStallLimit = std::chrono::milliseconds(1500);
// At the end of the program the drains are waited for, but not for ever.
constexpr unsigned long kShutDownWaitMs = 5000;

qint64 DurationUSecs(const QAudioFormat& format, qint64 bytes)
{
    const int frameBytes = format.bytesPerFrame();
    if (frameBytes <= 0 || format.sampleRate() <= 0)
        return 0;
    return bytes / frameBytes * 1000000 / format.sampleRate();
}

// Counts what the sink has taken from the stream's own source, which it owns.
class CountingSource final : public QIODevice {
public:
    CountingSource(QIODevice* inner, QObject* parent) : QIODevice(parent), m_inner(inner) { inner->setParent(this); }

    qint64 Taken() const { return m_taken; }
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return m_inner->bytesAvailable() + QIODevice::bytesAvailable(); }
    bool atEnd() const override { return m_inner->atEnd() && QIODevice::bytesAvailable() == 0; }

protected:
    qint64 readData(char* destination, qint64 maxSize) override
    {
        const qint64 got = m_inner->read(destination, maxSize);
        if (got > 0)
            m_taken += got;
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QIODevice* m_inner;
    qint64 m_taken = 0;
};

// Lives on the output's thread and owns every sink there.
class OutputWorker final : public QObject {
public:
    OutputWorker() : m_watch(this)
    {
        m_watch.setInterval(kWatchIntervalMs);
        connect(&m_watch, &QTimer::timeout, this, [this] { WatchAll(); });
    }

    static bool CanPlay(const QAudioFormat& format)
    {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        return !device.isNull() && device.isFormatSupported(format);
    }

    AudioOutput::StartResult Start(const QAudioFormat& format, const std::function<QIODevice*()>& makeSource,
                                   AudioOutput::StreamId* id)
    {
        using Result = AudioOutput::StartResult;
        if (m_shuttingDown)
            return Result::NoApplication;
        if (!CanPlay(format))
            return Result::NoDevice;
        QIODevice* inner = makeSource();
        if (!inner)
            return Result::NoMemory;
        if (!inner->isOpen())
            inner->open(QIODevice::ReadOnly);
        auto* source = new (std::nothrow) CountingSource(inner, this);
        if (!source) {
            delete inner;
            return Result::NoMemory;
        }
        // Unbuffered: what the sink has taken is what it was given, not what a buffer read ahead.
        source->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
        auto* sink = new (std::nothrow) QAudioSink(QMediaDevices::defaultAudioOutput(), format, this);
        if (!sink) {
            delete source;
            return Result::NoMemory;
        }
        sink->start(source);
        if (sink->error() != QAudio::NoError || sink->state() == QAudio::StoppedState) {
            Retire(sink, source);
            return Result::Refused;
        }
        *id = m_nextId++;
        m_streams[*id] = Stream{sink, source, format};
        {
            std::lock_guard lock(m_liveMutex);
            m_live.insert(*id);
        }
        m_watch.start();
        return Result::Started;
    }

    void Stop(AudioOutput::StreamId id)
    {
        const auto found = m_streams.find(id);
        if (found == m_streams.end())
            return;
        if (found->second.sink)
            End(id, found->second, false);
        m_streams.erase(found);
    }

    AudioOutput::StreamState State(AudioOutput::StreamId id)
    {
        const auto found = m_streams.find(id);
        if (found == m_streams.end())
            return {};
        Stream& stream = found->second;
        Update(id, stream);
        if (!stream.sink)
            return {false, stream.complete, stream.finalUSecs, stream.finalBytes};
        return {true, false, stream.sink->processedUSecs(), stream.source->Taken()};
    }

    // Stops every stream and ends the thread's loop once the last sink has drained.
    void ShutDown()
    {
        m_shuttingDown = true;
        while (!m_streams.empty())
            Stop(m_streams.begin()->first);
        if (m_retiring == 0)
            thread()->quit();
    }

    bool IsLive(AudioOutput::StreamId id)
    {
        std::lock_guard lock(m_liveMutex);
        return m_live.count(id) != 0;
    }

    void WaitWhileLive(AudioOutput::StreamId id)
    {
        std::unique_lock lock(m_liveMutex);
        m_liveChanged.wait(lock, [&] { return m_live.count(id) == 0; });
    }

private:
    struct Stream {
        QAudioSink* sink = nullptr; // null once the stream has ended
        CountingSource* source = nullptr;
        QAudioFormat format;
        qint64 lastProcessed = -1;
        std::chrono::steady_clock::time_point lastProgress{};
        bool complete = false;
        qint64 finalUSecs = 0;
        qint64 finalBytes = 0;
    };

    void WatchAll()
    {
        bool anyPlaying = false;
        for (auto& [id, stream] : m_streams) {
            Update(id, stream);
            anyPlaying = anyPlaying || stream.sink;
        }
        if (!anyPlaying)
            m_watch.stop();
    }

    // Ends the stream once everything its source gave has been heard, or once the device
    // stopped or stalled.
    void Update(AudioOutput::StreamId id, Stream& stream)
    {
        if (!stream.sink)
            return;
        const qint64 processed = stream.sink->processedUSecs();
        // One frame of slack: the device's clock is rounded to whole microseconds.
        const qint64 frameUSecs = 1000000 / std::max(1, stream.format.sampleRate()) + 1;
        if (stream.source->atEnd() && processed + frameUSecs >= DurationUSecs(stream.format, stream.source->Taken())) {
            End(id, stream, true);
            return;
        }
        if (stream.sink->state() == QAudio::StoppedState) {
            End(id, stream, false);
            return;
        }
        const auto now = std::chrono::steady_clock::now();
        if (processed != stream.lastProcessed) {
            stream.lastProcessed = processed;
            stream.lastProgress = now;
        } else if (stream.sink->state() == QAudio::IdleState && now - stream.lastProgress > kStallLimit) {
            End(id, stream, false);
        }
    }

    void End(AudioOutput::StreamId id, Stream& stream, bool complete)
    {
        stream.finalUSecs = stream.sink->processedUSecs();
        stream.finalBytes = stream.source->Taken();
        stream.complete = complete;
        Retire(stream.sink, stream.source);
        stream.sink = nullptr;
        stream.source = nullptr;
        {
            std::lock_guard lock(m_liveMutex);
            m_live.erase(id);
        }
        m_liveChanged.notify_all();
    }

    // Stops the sink at once and destroys it, with its source, once its stream has drained.
    void Retire(QAudioSink* sink, QIODevice* source)
    {
        sink->stop();
        ++m_retiring;
        QTimer::singleShot(kDrainHoldMs, this, [this, sink, source] {
            delete sink;
            delete source;
            if (--m_retiring == 0 && m_shuttingDown)
                thread()->quit();
        });
    }

    QTimer m_watch;
    std::map<AudioOutput::StreamId, Stream> m_streams;
    AudioOutput::StreamId m_nextId = 1;
    int m_retiring = 0;
    bool m_shuttingDown = false;
    std::mutex m_liveMutex;
    std::condition_variable m_liveChanged;
    std::set<AudioOutput::StreamId> m_live; // streams still sounding
};

class ThreadedAudioOutput final : public AudioOutput {
public:
    // Starts the output's thread when there is none; false without an application.
    bool EnsureRunning()
    {
        std::lock_guard lock(m_mutex);
        if (m_worker)
            return true;
        QCoreApplication* application = QCoreApplication::instance();
        if (!application)
            return false;
        // The sound system is set up here first, on the caller's thread, which outlives the
        // output's.
        QMediaDevices::defaultAudioOutput();
        auto* thread = new (std::nothrow) QThread;
        auto* worker = new (std::nothrow) OutputWorker;
        if (!thread || !worker) {
            delete thread;
            delete worker;
            return false;
        }
        thread->setObjectName(QStringLiteral("Sound output"));
        worker->moveToThread(thread);
        thread->start();
        m_thread = thread;
        m_worker = worker;
        qAddPostRoutine([] { static_cast<ThreadedAudioOutput*>(AudioOutputObject())->ShutDown(); });
        return true;
    }

    bool CanPlay(const QAudioFormat& format) override
    {
        bool result = false;
        OnOutputThread([&] { result = OutputWorker::CanPlay(format); });
        return result;
    }

    StartResult Start(const QAudioFormat& format, const std::function<QIODevice*()>& makeSource, StreamId* id) override
    {
        StartResult result = StartResult::NoApplication;
        *id = 0;
        OnOutputThread([&] { result = m_worker->Start(format, makeSource, id); });
        return result;
    }

    void Stop(StreamId id) override
    {
        if (id != 0)
            OnOutputThread([&] { m_worker->Stop(id); });
    }

    StreamState State(StreamId id) override
    {
        StreamState state;
        if (id != 0)
            OnOutputThread([&] { state = m_worker->State(id); });
        return state;
    }

    void WaitUntilEnded(StreamId id) override
    {
        OutputWorker* worker = nullptr;
        {
            std::lock_guard lock(m_mutex);
            if (!m_worker || QThread::currentThread() == m_thread)
                return;
            worker = m_worker;
        }
        worker->WaitWhileLive(id);
    }

    static AudioOutput* AudioOutputObject();

private:
    // Runs work on the output's thread and waits for it; nothing when the output has shut down.
    template <typename Work> void OnOutputThread(Work&& work)
    {
        std::unique_lock lock(m_mutex);
        if (!m_worker)
            return;
        if (QThread::currentThread() == m_thread) {
            lock.unlock();
            work();
            return;
        }
        OutputWorker* worker = m_worker;
        lock.unlock();
        RunOnThreadAndWait(worker, std::forward<Work>(work));
    }

    // With the application: stops every stream, lets the sinks drain and ends the thread.
    void ShutDown()
    {
        QThread* thread = nullptr;
        OutputWorker* worker = nullptr;
        {
            std::lock_guard lock(m_mutex);
            thread = m_thread;
            worker = m_worker;
            if (!worker)
                return;
        }
        RunOnThreadAndWait(worker, [worker] { worker->ShutDown(); });
        if (!thread->wait(kShutDownWaitMs)) {
            thread->quit();
            thread->wait();
        }
        {
            std::lock_guard lock(m_mutex);
            m_worker = nullptr;
            m_thread = nullptr;
        }
        delete worker;
        delete thread;
    }

    std::mutex m_mutex;
    QThread* m_thread = nullptr;
    OutputWorker* m_worker = nullptr;
};

ThreadedAudioOutput g_output;

AudioOutput* ThreadedAudioOutput::AudioOutputObject() { return &g_output; }

} // namespace

AudioOutput* AudioOutput::Instance() { return g_output.EnsureRunning() ? &g_output : nullptr; }

} // namespace platform
