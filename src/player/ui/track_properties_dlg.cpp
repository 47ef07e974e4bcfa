#include "player/ui/track_properties_dlg.h"

#include <QDialog>
#include <QPushButton>

#include "platform/dialog_items.h"
#include "platform/ui/qt_dialog_items.h"
#include "res/resource.h"
#include "ui_track_properties_dlg.h"

using namespace res::track_properties;

CTrackPropertiesDlg::CTrackPropertiesDlg(QWidget* parent) : m_pParent(parent) {}

CTrackPropertiesDlg::~CTrackPropertiesDlg() = default;

int CTrackPropertiesDlg::DoModal()
{
    QDialog window(m_pParent);
    Ui::TrackPropertiesDlg ui;
    ui.setupUi(&window);
    QObject::connect(ui.okButton, &QPushButton::clicked, &window, &QDialog::accept);
    m_pWnd = &window;

    // Opening: the members into the controls, then the caption.
    QtDialogItems items(&window);
    items.CheckButton(IDC_AUDIO_TRACK, m_bAudio != 0);
    items.SetItemText(IDC_RB_START, m_strRbStart);
    items.SetItemText(IDC_RB_END, m_strRbEnd);
    items.SetItemText(IDC_RB_LENGTH, m_strRbLength);
    items.SetItemText(IDC_HS_START, m_strHsStart);
    items.SetItemText(IDC_HS_END, m_strHsEnd);
    items.SetItemText(IDC_HS_LENGTH, m_strHsLength);
    items.SetItemText(IDC_SIZE, m_strSize);
    window.setWindowTitle(QString::fromLocal8Bit(m_strTitle.c_str()));
    ui.okButton->setFocus();

    const int result = window.exec();
    m_pWnd = nullptr;
    return result == QDialog::Accepted ? res::IDOK : res::IDCANCEL;
}
