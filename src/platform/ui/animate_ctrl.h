// CAnimateCtrl: the animation control. It opens an AVI clip among the program's resources by
// its number and plays a range of its frames at the clip's own rate, a number of times or
// without end, in the manner of ACM_OPEN, ACM_PLAY and ACM_STOP.
//
// The clip is drawn centred in the control. A transparent control leaves out every pixel of the
// colour of the frame's top-left pixel, so the window behind shows there. A clip that cannot be
// opened leaves the control empty; nothing is reported.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <vector>

class CAnimateCtrl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool transparent READ isTransparent WRITE setTransparent)
public:
    explicit CAnimateCtrl(QWidget* parent = nullptr);

    // Opens clip `resourceId` and shows its first frame; false (and an empty control) when the
    // program has no such clip or it cannot be read.
    bool Open(int resourceId);
    // The same for a clip in memory.
    bool OpenData(const QByteArray& avi);
    // Empties the control.
    void Close();
    // Plays frames from..to (to is clamped to the last frame, so 0xFFFF means "to the end"),
    // `repeat` times, or without end when repeat is -1. The first frame shows at once. False
    // when no clip is open or the range is empty.
    bool Play(int repeat, int from, int to);
    // Stops on the frame shown.
    void Stop();

    bool IsOpen() const { return !m_frames.empty(); }
    bool IsPlaying() const { return m_timer.isActive(); }
    int FrameCount() const { return int(m_frames.size()); }
    int CurrentFrame() const { return m_nFrame; }
    // The time a frame is shown, from the clip.
    int FrameMilliseconds() const { return m_timer.interval(); }
    // Frame i as drawn, the left-out pixels transparent (a null image without a clip).
    QImage Frame(int index) const;

    bool isTransparent() const { return m_bTransparent; }
    void setTransparent(bool transparent);

    QSize sizeHint() const override;

signals:
    // The frame shown changed (also when a play starts).
    void frameShown(int frame);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void NextFrame();
    void Show(int frame);

    std::vector<QImage> m_frames; // as in the clip
    std::vector<QImage> m_keyed;  // the same with the background colour left out
    QTimer m_timer;
    bool m_bTransparent = false;
    int m_nFrame = 0;
    int m_nFrom = 0;
    int m_nTo = 0;
    int m_nRepeatsLeft = 0;
};
