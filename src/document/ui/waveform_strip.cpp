#include "document/ui/waveform_strip.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <iterator>

#include "document/ripwell_doc.h"
#include "document/ui/ripwell_view.h"

namespace {

constexpr double FULL_SCALE = 32768.0;
constexpr int MARK_MINIMUM_WIDTH = 2;

// The bytes in front of the first data byte in the dump's display range (the header slot when
// it is shown).
uint64_t HeaderBytesShown(const CRipwellDoc& doc, bool showWaveHeader)
{
    const uint8_t* start = doc.GetDisplayStart(showWaveHeader);
    return start && doc.m_pData > start ? static_cast<uint64_t>(doc.m_pData - start) : 0;
}

QColor Mix(const QColor& a, const QColor& b, double share)
{
    return QColor::fromRgbF(static_cast<float>(a.redF() * share + b.redF() * (1 - share)),
                            static_cast<float>(a.greenF() * share + b.greenF() * (1 - share)),
                            static_cast<float>(a.blueF() * share + b.blueF() * (1 - share)));
}

} // namespace

CWaveformStrip::CWaveformStrip(CRipwellView* view) : QWidget(view), m_pView(view)
{
    setObjectName("WaveformStrip");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(STRIP_HEIGHT);
}

QSize CWaveformStrip::sizeHint() const { return {200, STRIP_HEIGHT}; }

void CWaveformStrip::DataChanged()
{
    m_bStale = true;
    m_bPictureStale = true;
    update();
}

void CWaveformStrip::EnsureSummary()
{
    const CRipwellDoc* doc = m_pView->GetDocument();
    const uint8_t* data = doc ? doc->m_pData : nullptr;
    const uint32_t length = data ? doc->m_nDataLength : 0;
    const int format = doc ? doc->m_nWaveFormat : -1;
    if (!m_bStale && data == m_pBuiltData && length == m_nBuiltLength && format == m_nBuiltFormat)
        return;
    m_bStale = false;
    m_bPictureStale = true;
    m_pBuiltData = data;
    m_nBuiltLength = length;
    m_nBuiltFormat = format;
    if (!data || length == 0) {
        m_summary.Clear();
        return;
    }
    ++m_nBuilds;
    m_summary.Build(data, length, format);
}

waveform::ColumnSpan CWaveformStrip::MarkColumns() const
{
    const CRipwellDoc* doc = m_pView->GetDocument();
    if (!doc || !doc->m_pData || doc->m_nDataLength == 0)
        return {};
    const bool header = m_pView->ShowsWaveHeader();
    const waveform::ByteRange shown = waveform::ShownDataBytes(
        m_pView->m_nTopLine, m_pView->m_nVisibleLines, doc->GetDisplayLength(header), HeaderBytesShown(*doc, header));
    return waveform::ColumnsOfBytes(shown, doc->m_nDataLength, width(), MARK_MINIMUM_WIDTH);
}

void CWaveformStrip::paintEvent(QPaintEvent*)
{
    EnsureSummary();
    const QColor colours[3] = {m_pView->m_crBack, m_pView->m_crText, palette().color(QPalette::Highlight)};
    if (m_bPictureStale || m_picture.size() != size() || m_pictureColours[0] != colours[0] ||
        m_pictureColours[1] != colours[1] || m_pictureColours[2] != colours[2]) {
        m_picture = QImage(size(), QImage::Format_RGB32);
        DrawPicture(m_picture);
        std::copy(std::begin(colours), std::end(colours), std::begin(m_pictureColours));
        m_bPictureStale = false;
    }

    // The picture as it is, and the mark of the dump's lines over it.
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
    const waveform::ColumnSpan mark = MarkColumns();
    if (mark.width > 0 && m_summary.IsBuilt()) {
        const int h = height() - 1;
        QColor veil = colours[2];
        veil.setAlpha(60);
        painter.fillRect(mark.x, 0, mark.width, h, veil);
        painter.fillRect(mark.x, 0, 1, h, colours[2]);
        painter.fillRect(mark.x + mark.width - 1, 0, 1, h, colours[2]);
    }
}

void CWaveformStrip::DrawPicture(QImage& target)
{
    QPainter painter(&target);
    const QColor back = m_pView->m_crBack;
    const QColor text = m_pView->m_crText;
    const int w = target.width();
    const int h = target.height() - 1; // the last row is the border to the dump
    painter.fillRect(0, 0, w, h, back);
    painter.fillRect(0, h, w, 1, palette().color(QPalette::Mid));

    const CRipwellDoc* doc = m_pView->GetDocument();
    if (!m_summary.IsBuilt() || m_summary.Frames() == 0) {
        QString message;
        if (m_summary.NoMemory())
            message = tr("Not enough memory for the waveform picture.");
        else if (doc && doc->m_nDataLength > 0 && (doc->m_nWaveFormat < 0 || doc->m_nWaveFormat > 15))
            message = tr("The data has no valid wave format.");
        if (message.isEmpty()) {
            painter.fillRect(0, h / 2, w, 1, Mix(text, back, 0.25));
        } else {
            painter.setPen(Mix(text, back, 0.6));
            painter.drawText(QRect(0, 0, w, h), Qt::AlignCenter, message);
        }
        return;
    }

    // One lane per channel, each with its zero line, then one vertical line per column and
    // channel from the lowest to the highest sample.
    const int channels = m_summary.Channels();
    const int lane = h / channels;
    for (int c = 0; c < channels; ++c) {
        painter.fillRect(0, c * lane + lane / 2, w, 1, Mix(text, back, 0.2));
        if (c > 0)
            painter.fillRect(0, c * lane, w, 1, Mix(text, back, 0.12));
    }
    m_summary.ColumnPeaks(doc->m_pData, w, m_peaks);
    m_lines.resize(m_peaks.size());
    const double half = (lane - 4) / 2.0;
    std::size_t at = 0;
    for (int x = 0; x < w; ++x) {
        for (int c = 0; c < channels; ++c, ++at) {
            const waveform::Peak& peak = m_peaks[at];
            const int centre = c * lane + lane / 2;
            const int top = centre - static_cast<int>(peak.max * half / FULL_SCALE);
            const int bottom = centre - static_cast<int>(peak.min * half / FULL_SCALE);
            m_lines[at] = QLine(x, top, x, bottom);
        }
    }
    painter.setPen(Mix(palette().color(QPalette::Highlight), text, 0.75));
    painter.drawLines(m_lines.data(), static_cast<int>(m_lines.size()));
}

void CWaveformStrip::ScrollDumpTo(int x)
{
    const CRipwellDoc* doc = m_pView->GetDocument();
    if (!doc || !doc->m_pData || doc->m_nDataLength == 0)
        return;
    waveform::SampleLayout layout;
    const uint32_t frameBytes = waveform::LayoutOfFormat(doc->m_nWaveFormat, layout) ? layout.frameBytes : 1;
    const uint64_t offset = waveform::DataOffsetAtColumn(x, width(), doc->m_nDataLength, frameBytes);
    m_pView->ScrollToLine(waveform::LineOfDataOffset(offset, HeaderBytesShown(*doc, m_pView->ShowsWaveHeader())));
}

void CWaveformStrip::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        ScrollDumpTo(event->position().toPoint().x());
    QWidget::mousePressEvent(event);
}

void CWaveformStrip::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() & Qt::LeftButton)
        ScrollDumpTo(event->position().toPoint().x());
    QWidget::mouseMoveEvent(event);
}
