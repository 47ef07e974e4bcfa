#include "extract/ui/read_cooked_dlg.h"

#include "cdrom/address.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "ui_read_cooked_dlg.h"

CReadCookedDlg::CReadCookedDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::ReadCookedDlg>())
{
    m_ui->setupUi(this);
    connect(m_ui->startButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CReadCookedDlg::~CReadCookedDlg() = default;

int CReadCookedDlg::DoModal()
{
    SetDlgItemUInt(this, res::read_cooked::IDC_FIRST_SECTOR, m_nFirstSector);
    SetDlgItemUInt(this, res::read_cooked::IDC_LAST_SECTOR, m_nLastSector);
    m_ui->firstSectorEdit->setFocus();
    return exec() == res::IDOK ? res::IDOK : res::IDCANCEL;
}

void CReadCookedDlg::accept()
{
    uint32_t first = m_nFirstSector;
    uint32_t last = m_nLastSector;
    if (!DdxUInt(this, res::read_cooked::IDC_FIRST_SECTOR, first, 0, MAX_READ_SECTOR) ||
        !DdxUInt(this, res::read_cooked::IDC_LAST_SECTOR, last, 0, MAX_READ_SECTOR))
        return;
    m_nFirstSector = first;
    m_nLastSector = last;
    done(res::IDOK);
}
