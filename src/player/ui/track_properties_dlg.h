// CTrackPropertiesDlg: the modal "CD track properties" box (dialog 171) with the figures of one
// track of the "Read CD digital audio" dialog's list. It only displays: the fields are
// read-only, the "Audio track" box cannot be toggled, and its only button is OK.
//
// Use: Fill (the members, from CTrackProperties), then DoModal.
#pragma once

#include <memory>

#include "player/track_properties.h"

class QDialog;
class QWidget;

namespace Ui {
class TrackPropertiesDlg;
}

class CTrackPropertiesDlg : public CTrackProperties {
public:
    explicit CTrackPropertiesDlg(QWidget* parent = nullptr);
    ~CTrackPropertiesDlg();
    CTrackPropertiesDlg(const CTrackPropertiesDlg&) = delete;
    CTrackPropertiesDlg& operator=(const CTrackPropertiesDlg&) = delete;

    // Shows the members in the fields and the caption; returns 1 when OK closes it.
    int DoModal();

    // The window while the box is shown, else nullptr.
    QDialog* Window() const { return m_pWnd; }

private:
    QWidget* m_pParent = nullptr;
    QDialog* m_pWnd = nullptr;
};
