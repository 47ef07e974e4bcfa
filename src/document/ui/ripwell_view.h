// CRipwellView: the hex dump of the document, 16 bytes a line, in a fixed-pitch font and two
// colours. Horizontally the scroll bar moves in pixels; vertically the view scrolls itself in
// whole lines, so that documents of hundreds of megabytes stay scrollable although the
// vertical extent is capped at 32767 pixels. It is also the target of most commands.
#pragma once

#include <QAbstractScrollArea>
#include <QColor>

#include <cstdint>

#include "document/hex_dump_layout.h"
#include "platform/framework/command_routing.h"
#include "platform/framework/document.h"

struct AppSettings;
class CRipwellDoc;
class QMenu;

namespace framework {
class CommandActions;
}

class CRipwellView : public QAbstractScrollArea, public framework::DocumentView {
    Q_OBJECT
public:
    // Takes the colours from the settings, which it keeps for the wave header switch and the
    // commands; actions may be null (no context menu commands).
    CRipwellView(CRipwellDoc* document, AppSettings& settings, framework::CommandActions* actions,
                 QWidget* parent = nullptr);
    // Writes the colours back into the settings.
    ~CRipwellView() override;

    CRipwellDoc* GetDocument() const { return m_pDocument; }
    void SetDocument(CRipwellDoc* document);
    const framework::CommandMap& Commands() const { return m_commands; }

    void OnUpdate() override;
    // Runs one vertical scroll action (also for the keys and the wheel).
    void OnVScroll(hexdump::ScrollAction action, int pos = 0);
    // Repaints with new colours (after the Options dialog changed m_crText / m_crBack).
    void ApplyColors();
    QMenu* ContextMenu() const { return m_menuContext; }
    // The text of line i of the window (for tests and the benchmark), empty below the data.
    QString VisibleLineText(int line) const;

    QColor m_crText;
    QColor m_crBack;
    int m_nLineHeight = 0;
    int m_nCharWidth = 0;
    int m_nTopLine = 0;
    int m_nTotalLines = 0;
    int m_nVisibleLines = 0;

    // The view's own commands: saving, the clipboard, the properties and the waveform. The
    // commands that reach other parts of the program (reads, options, external programs,
    // device status) are the main frame's.
    void OnEditCopy();
    void OnEditPaste();
    void OnEmptyClipboard();
    void OnProperties();
    void OnPlayWaveform();
    void OnStopWaveform();
    void OnFileSave();
    void OnFileSaveAs();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void OnDraw(class QPainter& painter);
    bool ShowsWaveHeader() const;
    void BuildContextMenu(framework::CommandActions* actions);
    void RegisterCommands();
    void UpdateScrollBars();
    hexdump::ScrollState CurrentScrollState() const;
    void OnScrollBarAction(int action);
    void OnHorizontalScrollAction(int action);

    AppSettings& m_settings;
    CRipwellDoc* m_pDocument;
    QMenu* m_menuContext = nullptr;
    framework::CommandMap m_commands;
    int m_nExtentWidth = 0;
    int m_nExtentHeight = 0;
};

// 0x00BBGGRR, as the settings store colours, and back.
QColor ColorFromColorRef(uint32_t colorRef);
uint32_t ColorRefFromColor(const QColor& color);
