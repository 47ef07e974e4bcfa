#include "document/ui/ripwell_view.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "base/app_settings.h"
#include "document/ripwell_doc.h"
#include "document/ui/clipboard_commands.h"
#include "document/ui/properties_dlg.h"
#include "document/ui/waveform_strip.h"
#include "document/waveform_playback.h"
#include "platform/ui/command_actions.h"
#include "res/resource.h"

using hexdump::ScrollAction;

QColor ColorFromColorRef(uint32_t colorRef)
{
    return QColor(colorRef & 0xFF, (colorRef >> 8) & 0xFF, (colorRef >> 16) & 0xFF);
}

uint32_t ColorRefFromColor(const QColor& color)
{
    return static_cast<uint32_t>(color.red()) | (static_cast<uint32_t>(color.green()) << 8) |
        (static_cast<uint32_t>(color.blue()) << 16);
}

CRipwellView::CRipwellView(CRipwellDoc* document, AppSettings& settings, framework::CommandActions* actions,
                           QWidget* parent)
    : QAbstractScrollArea(parent),
      m_settings(settings),
      m_pDocument(document)
{
    setObjectName("CRipwellView");
    setFocusPolicy(Qt::StrongFocus);
    m_pWaveStrip = new CWaveformStrip(this);
    m_pWaveStrip->hide();
    BuildContextMenu(actions);
    RegisterCommands();

    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    viewport()->setFont(font);
    QFontMetrics metrics(font);
    m_nLineHeight = std::max(1, metrics.height() + metrics.leading());
    m_nCharWidth = std::max(1, metrics.maxWidth());

    // Colours: the display shows any 24-bit colour, so the nearest colour is the colour itself.
    m_crText = ColorFromColorRef(m_settings.Foreground);
    m_crBack = ColorFromColorRef(m_settings.Background);
    ApplyColors();

    // The vertical position is the view's own: the scroll bar only reports actions.
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, &CRipwellView::OnScrollBarAction);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, &CRipwellView::OnHorizontalScrollAction);
    if (m_pDocument)
        m_pDocument->AddView(this);
}

CRipwellView::~CRipwellView()
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
    m_settings.Foreground = ColorRefFromColor(m_crText);
    m_settings.Background = ColorRefFromColor(m_crBack);
}

void CRipwellView::SetDocument(CRipwellDoc* document)
{
    if (m_pDocument)
        m_pDocument->RemoveView(this);
    m_pDocument = document;
    if (m_pDocument)
        m_pDocument->AddView(this);
    OnUpdate();
}

void CRipwellView::BuildContextMenu(framework::CommandActions* actions)
{
    m_menuContext = new QMenu(tr("Functions"), this);
    m_menuContext->setObjectName("Functions");
    if (!actions)
        return;
    auto add = [&](int id, const char* text) { m_menuContext->addAction(actions->Create(id, text, m_menuContext)); };
    add(res::ID_READ_CDDA, "Read CD-DA...");
    add(res::ID_READ_CDROM, "Read CD-ROM...");
    m_menuContext->addSeparator();
    add(res::ID_PLAY_WAVEFORM, "Play");
    add(res::ID_STOP_WAVEFORM, "Stop");
    m_menuContext->addSeparator();
    add(res::ID_PROPERTIES, "Properties...");
    m_menuContext->addSeparator();
    add(res::ID_EDIT_COPY, "Copy");
    add(res::ID_EDIT_PASTE, "Paste");
    actions->WatchMenu(m_menuContext);
}

void CRipwellView::RegisterCommands()
{
    m_commands.On(res::ID_FILE_SAVE, [this] { OnFileSave(); });
    m_commands.On(res::ID_FILE_SAVE_AS, [this] { OnFileSaveAs(); });
    m_commands.On(
        res::ID_EDIT_COPY, [this] { OnEditCopy(); },
        [this](framework::CCmdUI& ui) { ::OnUpdateEditCopy(GetDocument(), ui); });
    m_commands.On(
        res::ID_EDIT_PASTE, [this] { OnEditPaste(); }, [](framework::CCmdUI& ui) { ::OnUpdateEditPaste(ui); });
    m_commands.On(
        res::ID_EMPTY_CLIPBOARD, [this] { OnEmptyClipboard(); },
        [](framework::CCmdUI& ui) { ::OnUpdateEmptyClipboard(ui); });
    m_commands.On(res::ID_PROPERTIES, [this] { OnProperties(); });
    m_commands.On(
        res::ID_PLAY_WAVEFORM, [this] { OnPlayWaveform(); },
        [this](framework::CCmdUI& ui) { OnUpdatePlayWaveform(ui); });
    m_commands.On(res::ID_STOP_WAVEFORM, [this] { OnStopWaveform(); });
    m_commands.On(
        res::ID_VIEW_WAVEFORM, [this] { OnViewWaveform(); },
        [this](framework::CCmdUI& ui) { ui.SetCheck(IsWaveformStripShown()); });
}

void CRipwellView::ApplyColors()
{
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Base, m_crBack);
    palette.setColor(QPalette::Window, m_crBack);
    viewport()->setPalette(palette);
    viewport()->setAutoFillBackground(true);
    viewport()->update();
    m_pWaveStrip->update(); // it draws in the same colours
}

void CRipwellView::OnUpdate()
{
    viewport()->update();
    int64_t n = m_pDocument ? m_pDocument->GetDisplayLength(ShowsWaveHeader()) : 0;
    m_nTotalLines = hexdump::LinesForLength(n);
    m_nExtentWidth = n > 0 ? hexdump::EXTENT_CHARACTERS * m_nCharWidth : 0;
    m_nExtentHeight = hexdump::VerticalExtent(n, m_nLineHeight);
    UpdateScrollBars();
    m_pWaveStrip->DataChanged();
    OnVScroll(ScrollAction::Top);
}

void CRipwellView::UpdateScrollBars()
{
    const QSize client = viewport()->size();
    QScrollBar* hbar = horizontalScrollBar();
    hbar->setRange(0, std::max(0, m_nExtentWidth - client.width()));
    hbar->setPageStep(std::max(1, client.width()));
    // Line size: a tenth of a page, which is a tenth of the extent (OnHorizontalScrollAction).
    hbar->setSingleStep(std::max(1, m_nExtentWidth / 100));
    QScrollBar* vbar = verticalScrollBar();
    vbar->setRange(0, std::max(0, m_nExtentHeight - client.height()));
    vbar->setPageStep(std::max(1, client.height()));
    vbar->setSingleStep(std::max(1, m_nExtentHeight / 100));
}

hexdump::ScrollState CRipwellView::CurrentScrollState() const
{
    return {m_nTopLine, m_nTotalLines, m_nVisibleLines, verticalScrollBar()->maximum()};
}

void CRipwellView::OnVScroll(ScrollAction action, int pos)
{
    hexdump::ScrollResult result = hexdump::ApplyScroll(CurrentScrollState(), action, pos);
    if (result.handled)
        ApplyScrollResult(result);
}

void CRipwellView::ScrollToLine(int line) { ApplyScrollResult(waveform::ScrollToLine(CurrentScrollState(), line)); }

void CRipwellView::ApplyScrollResult(const hexdump::ScrollResult& result)
{
    m_nTopLine = result.topLine;
    QScrollBar* vbar = verticalScrollBar();
    QSignalBlocker block(vbar);
    vbar->setSliderPosition(result.thumb);
    vbar->setValue(result.thumb);
    viewport()->update();
    m_pWaveStrip->update(); // its mark follows the lines shown
}

void CRipwellView::OnScrollBarAction(int action)
{
    QScrollBar* vbar = verticalScrollBar();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: OnVScroll(ScrollAction::LineDown); break;
    case QAbstractSlider::SliderSingleStepSub: OnVScroll(ScrollAction::LineUp); break;
    case QAbstractSlider::SliderPageStepAdd: OnVScroll(ScrollAction::PageDown); break;
    case QAbstractSlider::SliderPageStepSub: OnVScroll(ScrollAction::PageUp); break;
    case QAbstractSlider::SliderToMinimum: OnVScroll(ScrollAction::Top); break;
    case QAbstractSlider::SliderToMaximum: OnVScroll(ScrollAction::Bottom); break;
    case QAbstractSlider::SliderMove: OnVScroll(ScrollAction::ThumbTrack, vbar->sliderPosition()); break;
    default: break;
    }
}

void CRipwellView::OnHorizontalScrollAction(int action)
{
    // A page is a tenth of the whole width, as a scrolling view has by default; the bar's own
    // page step stays the client width, which sizes its thumb. While the signal runs the bar
    // still holds its old value, and the position set here is the one it takes.
    QScrollBar* hbar = horizontalScrollBar();
    const int page = std::max(1, m_nExtentWidth / 10);
    if (action == QAbstractSlider::SliderPageStepAdd)
        hbar->setSliderPosition(hbar->value() + page);
    else if (action == QAbstractSlider::SliderPageStepSub)
        hbar->setSliderPosition(hbar->value() - page);
}

void CRipwellView::scrollContentsBy(int dx, int)
{
    // Only the horizontal scroll moves the drawing origin; nothing is moved, all is repainted.
    if (dx != 0)
        viewport()->update();
}

void CRipwellView::resizeEvent(QResizeEvent* event)
{
    m_nVisibleLines = viewport()->height() / m_nLineHeight;
    UpdateScrollBars();
    PlaceWaveformStrip();
    QAbstractScrollArea::resizeEvent(event);
}

QString CRipwellView::VisibleLineText(int line) const
{
    if (!m_pDocument || line < 0)
        return {};
    const uint8_t* s = m_pDocument->GetDisplayStart(ShowsWaveHeader());
    int64_t offset = int64_t(hexdump::BYTES_PER_LINE) * (m_nTopLine + line);
    int64_t remaining = int64_t(m_pDocument->GetDisplayLength(ShowsWaveHeader())) - offset;
    if (!s || remaining <= 0)
        return {};
    return QString::fromLatin1(hexdump::BuildDumpLine(uint32_t(offset), s + offset, remaining));
}

void CRipwellView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.translate(-horizontalScrollBar()->value(), 0);
    OnDraw(painter);
}

void CRipwellView::OnDraw(QPainter& painter)
{
    const uint8_t* s = m_pDocument ? m_pDocument->GetDisplayStart(ShowsWaveHeader()) : nullptr;
    painter.setFont(viewport()->font());
    painter.setPen(m_crText);
    painter.setBackground(m_crBack);
    painter.setBackgroundMode(Qt::OpaqueMode);
    int64_t offset = int64_t(hexdump::BYTES_PER_LINE) * m_nTopLine;
    int64_t remaining = (m_pDocument ? m_pDocument->GetDisplayLength(ShowsWaveHeader()) : 0) - offset;
    int line = 0;
    if (!s)
        return;
    const int ascent = painter.fontMetrics().ascent();
    const int fullWidth = std::max(m_nExtentWidth, viewport()->width()) + horizontalScrollBar()->value();
    while (remaining > 0 && line < m_nVisibleLines) {
        std::string text = hexdump::BuildDumpLine(uint32_t(offset), s + offset, remaining);
        painter.drawText(0, line * m_nLineHeight + ascent, QString::fromLatin1(text.data(), int(text.size())));
        offset += hexdump::BYTES_PER_LINE;
        remaining -= hexdump::BYTES_PER_LINE;
        ++line;
    }
    if (line < m_nVisibleLines) {
        int top = line * m_nLineHeight;
        painter.fillRect(0, top, fullWidth, viewport()->height() - top, m_crBack);
    }
}

void CRipwellView::keyPressEvent(QKeyEvent* event)
{
    hexdump::DumpKey key;
    switch (event->key()) {
    case Qt::Key_PageUp: key = hexdump::DumpKey::PageUp; break;
    case Qt::Key_PageDown: key = hexdump::DumpKey::PageDown; break;
    case Qt::Key_End: key = hexdump::DumpKey::End; break;
    case Qt::Key_Home: key = hexdump::DumpKey::Home; break;
    case Qt::Key_Up: key = hexdump::DumpKey::Up; break;
    case Qt::Key_Down: key = hexdump::DumpKey::Down; break;
    case Qt::Key_Left: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub); return;
    case Qt::Key_Right: horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); return;
    default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    ScrollAction action;
    if (hexdump::ScrollActionForKey(CurrentScrollState(), key, action))
        OnVScroll(action);
}

void CRipwellView::wheelEvent(QWheelEvent* event)
{
    ScrollAction action;
    if (hexdump::ScrollActionForWheel(event->angleDelta().y(), action))
        OnVScroll(action);
    event->accept();
}

void CRipwellView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        m_menuContext->exec(event->globalPosition().toPoint());
    QAbstractScrollArea::mousePressEvent(event);
}

void CRipwellView::OnFileSave()
{
    // The framework's save: Save As for a document without a path or with a read-only file.
    if (m_pDocument)
        m_pDocument->DoFileSave();
}

void CRipwellView::OnFileSaveAs()
{
    if (m_pDocument)
        m_pDocument->DoSave(std::string());
}

void CRipwellView::OnEditCopy() { ::OnEditCopy(GetDocument(), this); }

void CRipwellView::OnEditPaste() { ::OnEditPaste(GetDocument(), this); }

void CRipwellView::OnEmptyClipboard() { ::OnEmptyClipboard(this); }

void CRipwellView::OnProperties()
{
    if (!m_pDocument)
        return;
    const PropertiesChange change = ShowDataProperties(*m_pDocument, this);
    if (!change.formatChanged)
        return;
    // The header bytes changed: redraw them where they are shown, and the waveform's format.
    if (ShowsWaveHeader())
        viewport()->update();
    m_pWaveStrip->DataChanged();
}

void CRipwellView::OnPlayWaveform()
{
    if (m_pDocument)
        PlayWaveform(*m_pDocument);
}

void CRipwellView::OnUpdatePlayWaveform(framework::CCmdUI& cmdUI)
{
    cmdUI.Enable(m_pDocument && m_pDocument->m_nDataLength > 0);
}

void CRipwellView::OnStopWaveform() { StopWaveform(); }

void CRipwellView::OnViewWaveform() { ShowWaveformStrip(!IsWaveformStripShown()); }

bool CRipwellView::IsWaveformStripShown() const { return !m_pWaveStrip->isHidden(); }

void CRipwellView::ShowWaveformStrip(bool show)
{
    // The strip takes the top of the view; the dump's lines start below it.
    setViewportMargins(0, show ? CWaveformStrip::STRIP_HEIGHT : 0, 0, 0);
    m_pWaveStrip->setVisible(show);
    PlaceWaveformStrip();
}

void CRipwellView::PlaceWaveformStrip()
{
    const QRect dump = viewport()->geometry();
    m_pWaveStrip->setGeometry(dump.x(), dump.y() - CWaveformStrip::STRIP_HEIGHT, dump.width(),
                              CWaveformStrip::STRIP_HEIGHT);
    m_pWaveStrip->update();
}

bool CRipwellView::ShowsWaveHeader() const { return m_settings.ShowWaveHeader != 0; }
