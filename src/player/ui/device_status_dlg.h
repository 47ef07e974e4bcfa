// CDeviceStatusDlg: the modal "CD-ROM device status" dialog (resource 148). It shows what can be
// learnt about the drive and its disc: identity, UPC, media change count, total sectors and
// total time, gathered once when it opens (see player/device_status.h). It changes nothing.
#pragma once

#include <memory>

#include <QDialog>

namespace Ui {
class DeviceStatusDlg;
}

class CDeviceStatusDlg : public QDialog {
    Q_OBJECT
public:
    explicit CDeviceStatusDlg(char driveLetter, QWidget* parent = nullptr);
    ~CDeviceStatusDlg() override;

    // Gathers the values (an MCI error shows before the dialog does), then shows the dialog
    // until OK or its close box; returns 1 (OK) or 2.
    int DoModal();

private:
    char m_driveLetter;
    std::unique_ptr<Ui::DeviceStatusDlg> m_ui;
};
