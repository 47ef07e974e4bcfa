// The program's one way to the sound device. Every sound goes out as a stream: a QAudioSink
// that pulls samples from a source. The output owns the sinks and their sources and keeps them
// on a thread of its own, with its own event loop, so that callers need not run one (the user
// interface polls the CD player from a timer, the sound service is called from anywhere) and
// nothing here ever spins a nested event loop.
//
// A sink that has stopped, or has played its source to the end, is kept until its stream has
// drained (PulseAudio goes on with a stream for a while after the sink lets go of it, and
// destroying the sink too early can abort inside libpulse) and only then destroyed, on the
// output's own thread. The output shuts down with the application, after the last drain.
#pragma once

#include <QAudioFormat>

#include <cstdint>
#include <functional>

class QIODevice;

namespace platform {

class AudioOutput {
public:
    using StreamId = uint64_t; // 0 is no stream

    enum class StartResult {
        Started,
        NoApplication, // no QCoreApplication, so no sound system
        NoDevice,      // no sound device, or one that cannot play the format
        Refused,       // the device would not start the stream
        NoMemory,
    };

    struct StreamState {
        bool playing = false;   // still sounding
        bool complete = false;  // ended after everything the source gave was heard
        qint64 playedUSecs = 0; // what the device reports as played, frozen once it ended
        qint64 sourceBytes = 0; // what the device has taken from the source
    };

    // The one output of the process; null when there is no QCoreApplication.
    static AudioOutput* Instance();

    virtual ~AudioOutput() = default;

    // Whether a sound device is there that can play the format.
    virtual bool CanPlay(const QAudioFormat& format) = 0;
    // Starts a stream. makeSource runs on the output's thread and makes the stream's source
    // (the output opens it for reading if it is not open), which the output owns from then on
    // (null: out of memory). A source
    // whose atEnd() holds once it has nothing left ends the stream when all it gave has been
    // heard; an endless one plays until stopped.
    virtual StartResult Start(const QAudioFormat& format, const std::function<QIODevice*()>& makeSource,
                              StreamId* id) = 0;
    // Stops a stream at once: when the call returns, its source is not read again. Unknown and
    // already stopped streams are ignored.
    virtual void Stop(StreamId id) = 0;
    // How a stream stands; an unknown or stopped stream is not playing.
    virtual StreamState State(StreamId id) = 0;
    // Waits on this thread (no event loop) until the stream is no longer playing. Returns at
    // once on the output's own thread, where the stream could never end meanwhile.
    virtual void WaitUntilEnded(StreamId id) = 0;
};

} // namespace platform
