// CPropertiesDlg: the modal "Properties" dialog of the document's data: its length, the
// "Assume data is a sound" flag, one of the sixteen wave formats under which the same bytes
// are read, and the playing time that format gives them.
#pragma once

#include <cstdint>
#include <memory>

#include <QDialog>

#include "document/data_properties.h"
#include "document/wave_header.h"

class CRipwellDoc;

namespace Ui {
class PropertiesDlg;
}

class CPropertiesDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPropertiesDlg(QWidget* parent = nullptr);
    ~CPropertiesDlg() override;

    // Fills the controls from the members and shows the dialog; 1 (OK) or 2 (Cancel). The
    // wave format member takes the list's selection whichever button closed the dialog; the
    // sound flag is taken on OK only.
    int DoModal();

    // Shows the playing time of the data length under the list's current selection.
    void UpdatePlayingTime();

    uint32_t m_nDataLength = 0;
    bool m_bAssumeSound = false;
    WaveFormatCode m_nWaveFormat = WAVE_FORMAT_22050_8_MONO;

public slots:
    void accept() override;
    void done(int result) override;

private:
    std::unique_ptr<Ui::PropertiesDlg> m_ui;
};

// The Properties command: the dialog filled from the document, and on OK its values applied
// (ApplyDataProperties). What changed tells the caller what to redraw.
PropertiesChange ShowDataProperties(CRipwellDoc& document, QWidget* parent);
