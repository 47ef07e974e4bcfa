// The animation control of the progress dialog. It plays clip 136, a disc that spins while
// data flies from it to a sheet of paper; the frames are drawn here rather than decoded.
#pragma once

#include <QTimer>
#include <QWidget>

class ProgressClip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFrameCount = 12;
    static constexpr int kFrameMilliseconds = 83;   // twelve frames a second

    explicit ProgressClip(QWidget* parent = nullptr);

    // Loads a clip by its resource number; false when the program has no such clip.
    bool Open(int clipId);
    // Plays frames from..to (to clamped to the last frame), repeat times or for ever when
    // repeat is -1.
    bool Play(int repeat, int from, int to);
    void Stop();

    bool IsPlaying() const { return m_timer.isActive(); }
    int CurrentFrame() const { return m_nFrame; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void NextFrame();

    QTimer m_timer;
    int m_nClip = 0;
    int m_nFrame = 0;
    int m_nFrom = 0;
    int m_nTo = 0;
    int m_nRepeatsLeft = 0;
};
