#include "platform/ui/animate_ctrl.h"

#include <QFile>
#include <QPainter>

#include <algorithm>
#include <string>

#include "platform/avi_clip.h"
#include "platform/ui/program_resources.h"

namespace {

constexpr int kMinimumFrameMilliseconds = 1;

// The frame with every pixel of its top-left pixel's colour made transparent.
QImage KeyedOut(const QImage& frame)
{
    QImage keyed = frame.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyed.pixel(0, 0);
    for (int y = 0; y < keyed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x)
            if (row[x] == key)
                row[x] = 0;
    }
    return keyed;
}

} // namespace

CAnimateCtrl::CAnimateCtrl(QWidget* parent) : QWidget(parent)
{
    connect(&m_timer, &QTimer::timeout, this, &CAnimateCtrl::NextFrame);
}

bool CAnimateCtrl::Open(int resourceId)
{
    QFile file(platform::AnimationResource(resourceId));
    if (!file.open(QIODevice::ReadOnly)) {
        Close();
        return false;
    }
    return OpenData(file.readAll());
}

bool CAnimateCtrl::OpenData(const QByteArray& avi)
{
    Close();
    platform::AviClip clip;
    std::string reason;
    if (!platform::ParseAviClip(reinterpret_cast<const uint8_t*>(avi.constData()), size_t(avi.size()), &clip, &reason))
        return false;
    for (const std::vector<uint32_t>& pixels : clip.frames) {
        QImage frame(clip.width, clip.height, QImage::Format_RGB32);
        if (frame.isNull()) {
            Close();
            return false;
        }
        for (int y = 0; y < clip.height; ++y)
            std::copy_n(pixels.data() + size_t(y) * size_t(clip.width), clip.width,
                        reinterpret_cast<QRgb*>(frame.scanLine(y)));
        m_keyed.push_back(KeyedOut(frame));
        m_frames.push_back(std::move(frame));
    }
    m_timer.setInterval(std::max(kMinimumFrameMilliseconds, int(clip.microsecondsPerFrame / 1000)));
    updateGeometry();
    update();
    return true;
}

void CAnimateCtrl::Close()
{
    m_timer.stop();
    m_frames.clear();
    m_keyed.clear();
    m_nFrame = 0;
    update();
}

bool CAnimateCtrl::Play(int repeat, int from, int to)
{
    if (!IsOpen() || repeat == 0 || repeat < -1 || from < 0 || from >= FrameCount())
        return false;
    to = std::min(to, FrameCount() - 1);
    if (to < from)
        return false;
    m_nFrom = from;
    m_nTo = to;
    m_nRepeatsLeft = repeat;
    m_timer.start();
    Show(from);
    return true;
}

void CAnimateCtrl::Stop() { m_timer.stop(); }

QImage CAnimateCtrl::Frame(int index) const
{
    if (index < 0 || index >= FrameCount())
        return {};
    return m_bTransparent ? m_keyed[size_t(index)] : m_frames[size_t(index)];
}

void CAnimateCtrl::setTransparent(bool transparent)
{
    m_bTransparent = transparent;
    update();
}

QSize CAnimateCtrl::sizeHint() const { return IsOpen() ? m_frames.front().size() : QSize(0, 0); }

void CAnimateCtrl::NextFrame()
{
    if (m_nFrame < m_nTo) {
        Show(m_nFrame + 1);
        return;
    }
    // The end of the range: once more from its start, unless that was the last time.
    if (m_nRepeatsLeft > 0 && --m_nRepeatsLeft == 0) {
        Stop();
        return;
    }
    Show(m_nFrom);
}

void CAnimateCtrl::Show(int frame)
{
    m_nFrame = frame;
    update();
    emit frameShown(frame);
}

void CAnimateCtrl::paintEvent(QPaintEvent*)
{
    const QImage frame = Frame(m_nFrame);
    if (frame.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint((width() - frame.width()) / 2, (height() - frame.height()) / 2), frame);
}
