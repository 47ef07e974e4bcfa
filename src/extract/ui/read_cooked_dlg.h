// CReadCookedDlg: the small modal "Read CD-ROM sectors" dialog, a first and a last sector of a
// data read, each 0..350000.
#pragma once

#include <cstdint>
#include <memory>

#include <QDialog>

namespace Ui {
class ReadCookedDlg;
}

class CReadCookedDlg : public QDialog {
    Q_OBJECT
public:
    explicit CReadCookedDlg(QWidget* parent = nullptr);
    ~CReadCookedDlg() override;

    // Fills the fields from the members, shows the dialog; 1 (Start) or 2 (Cancel).
    int DoModal();

    uint32_t m_nFirstSector = 0;
    uint32_t m_nLastSector = 0;

public slots:
    void accept() override;

private:
    std::unique_ptr<Ui::ReadCookedDlg> m_ui;
};
