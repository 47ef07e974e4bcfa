#include "extract/ui/progress_clip.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

#include "res/resource.h"

namespace {

constexpr int kClipWidth = 272;
constexpr int kClipHeight = 60;
constexpr int kFlyingDots = 3;

void DrawDisc(QPainter& painter, const QPointF& centre, int frame)
{
    const qreal radius = 24;
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(QColor(205, 210, 220));
    painter.drawEllipse(centre, radius, radius);
    // A bright wedge that turns with the frames makes the spin visible.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 250, 255));
    const int startAngle = -frame * (360 / ProgressClip::kFrameCount) * 16;
    painter.drawPie(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                    startAngle, 40 * 16);
    painter.setBrush(QColor(150, 170, 200));
    painter.drawPie(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                    startAngle + 180 * 16, 25 * 16);
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(QColor(240, 240, 240));
    painter.drawEllipse(centre, 6, 6);
}

void DrawSheet(QPainter& painter, const QRectF& sheet, int frame)
{
    QPainterPath outline;
    outline.moveTo(sheet.topLeft());
    outline.lineTo(sheet.right() - 8, sheet.top());
    outline.lineTo(sheet.right(), sheet.top() + 8);
    outline.lineTo(sheet.bottomRight());
    outline.lineTo(sheet.bottomLeft());
    outline.closeSubpath();
    painter.setPen(QPen(QColor(90, 90, 90), 1));
    painter.setBrush(Qt::white);
    painter.drawPath(outline);
    // The sheet fills line by line and starts again.
    const int lines = frame % 6 + 1;
    painter.setPen(QPen(QColor(40, 80, 160), 2));
    for (int line = 0; line < lines; ++line) {
        const qreal y = sheet.top() + 10 + line * 6;
        painter.drawLine(QPointF(sheet.left() + 5, y), QPointF(sheet.right() - 6, y));
    }
}

void DrawFlyingData(QPainter& painter, qreal fromX, qreal toX, qreal y, int frame)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 80, 160));
    const qreal span = toX - fromX;
    for (int dot = 0; dot < kFlyingDots; ++dot) {
        const qreal phase = ((frame + dot * ProgressClip::kFrameCount / kFlyingDots)
                             % ProgressClip::kFrameCount) / qreal(ProgressClip::kFrameCount);
        painter.drawRect(QRectF(fromX + phase * span, y - 3 + (dot - 1) * 7, 8, 5));
    }
}

} // namespace

ProgressClip::ProgressClip(QWidget* parent) : QWidget(parent)
{
    m_timer.setInterval(kFrameMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &ProgressClip::NextFrame);
}

bool ProgressClip::Open(int clipId)
{
    Stop();
    if (clipId != res::IDR_AVI_PROGRESS)
        return false;
    m_nClip = clipId;
    m_nFrame = 0;
    update();
    return true;
}

bool ProgressClip::Play(int repeat, int from, int to)
{
    if (m_nClip == 0 || from < 0 || from >= kFrameCount || repeat == 0)
        return false;
    m_nFrom = from;
    m_nTo = std::min(to, kFrameCount - 1);
    if (m_nTo < m_nFrom)
        return false;
    m_nRepeatsLeft = repeat;
    m_nFrame = m_nFrom;
    m_timer.start();
    update();
    return true;
}

void ProgressClip::Stop()
{
    m_timer.stop();
}

QSize ProgressClip::sizeHint() const
{
    return {kClipWidth, kClipHeight};
}

void ProgressClip::NextFrame()
{
    if (m_nFrame < m_nTo) {
        ++m_nFrame;
    } else {
        if (m_nRepeatsLeft > 0 && --m_nRepeatsLeft == 0) {
            Stop();
            return;
        }
        m_nFrame = m_nFrom;
    }
    update();
}

void ProgressClip::paintEvent(QPaintEvent*)
{
    if (m_nClip == 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal middle = height() / 2.0;
    const QPointF discCentre(34, middle);
    const QRectF sheet(width() - 62, middle - 26, 40, 52);
    DrawDisc(painter, discCentre, m_nFrame);
    DrawFlyingData(painter, discCentre.x() + 30, sheet.left() - 12, middle, m_nFrame);
    DrawSheet(painter, sheet, m_nFrame);
}
