#include "player/ui/device_status_dlg.h"

#include <QPixmap>

#include "platform/ui/dialog_data.h"
#include "platform/ui/program_resources.h"
#include "player/device_status.h"
#include "res/resource.h"
#include "ui_device_status_dlg.h"

CDeviceStatusDlg::CDeviceStatusDlg(char driveLetter, QWidget* parent)
    : QDialog(parent),
      m_driveLetter(driveLetter),
      m_ui(std::make_unique<Ui::DeviceStatusDlg>())
{
    m_ui->setupUi(this);
    m_ui->deviceIcon->setPixmap(QPixmap(platform::IconResource(res::IDI_DEVICE_STATUS)));
    connect(m_ui->IDOK, &QPushButton::clicked, this, &QDialog::accept);
}

CDeviceStatusDlg::~CDeviceStatusDlg() = default;

int CDeviceStatusDlg::DoModal()
{
    GatherDeviceStatus(m_driveLetter, [this](int control, const std::string& text) {
        SetDlgItemText(this, control, QString::fromStdString(text));
    });
    m_ui->IDOK->setFocus();
    return exec() == QDialog::Accepted ? res::IDOK : res::IDCANCEL;
}
