// CWaveformStrip: a strip above the hex dump that draws the document's samples under its
// current wave format, the lowest and highest sample of each pixel column, one lane per
// channel, and marks the part of the data that the dump shows. A click (or a drag) in the
// strip scrolls the dump there. The strip keeps a min/max summary of the data, built once per
// change of data or format, so that a repaint never walks the whole document; the picture of
// the waveform is drawn once per change of summary, size or colours, and a repaint (when the
// dump scrolls) puts it on the screen with the mark over it.
#pragma once

#include <QColor>
#include <QImage>
#include <QLine>
#include <QWidget>

#include <cstdint>
#include <vector>

#include "document/waveform_strip_layout.h"
#include "document/waveform_summary.h"

class CRipwellView;

class CWaveformStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int STRIP_HEIGHT = 96;

    explicit CWaveformStrip(CRipwellView* view);

    // The document's data or format changed: the summary is built again at the next repaint.
    void DataChanged();

    QSize sizeHint() const override;
    const waveform::WaveformSummary& Summary() const { return m_summary; }
    // How often the summary has been built (for tests and the benchmark).
    int SummaryBuilds() const { return m_nBuilds; }
    // Where the mark of the dump's lines lies in the strip now (width 0: no mark).
    waveform::ColumnSpan MarkColumns() const;
    // Draws the picture of the waveform without the mark into target (its size decides the
    // columns), from the summary as it is.
    void DrawPicture(QImage& target);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Builds the summary when the document's data or format differs from what it describes.
    void EnsureSummary();
    void ScrollDumpTo(int x);

    CRipwellView* m_pView;
    waveform::WaveformSummary m_summary;
    bool m_bStale = true;
    // What the last build was asked to describe, so that a failed build is not retried at
    // every repaint.
    const uint8_t* m_pBuiltData = nullptr;
    uint32_t m_nBuiltLength = 0;
    int m_nBuiltFormat = -1;
    int m_nBuilds = 0;
    QImage m_picture;
    bool m_bPictureStale = true;
    QColor m_pictureColours[3]; // background, text, highlight it was drawn with
    std::vector<waveform::Peak> m_peaks;
    std::vector<QLine> m_lines;
};
