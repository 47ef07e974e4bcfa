#include "document/ui/properties_dlg.h"

#include "document/data_properties.h"
#include "document/ripwell_doc.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "ui_properties_dlg.h"

CPropertiesDlg::CPropertiesDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::PropertiesDlg>())
{
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->formatList, &QComboBox::currentIndexChanged, this, [this] { UpdatePlayingTime(); });
}

CPropertiesDlg::~CPropertiesDlg() = default;

int CPropertiesDlg::DoModal()
{
    SetDlgItemUInt(this, res::IDC_1018, m_nDataLength);
    m_ui->assumeSoundCheck->setChecked(m_bAssumeSound);
    // Each entry at its own position, entry i for code i, so that nothing can reorder them.
    QSignalBlocker quiet(m_ui->formatList);
    m_ui->formatList->clear();
    for (int code = 0; code < 16; ++code)
        m_ui->formatList->insertItem(code, QString::fromLatin1(WaveFormatTable[code].text));
    m_ui->formatList->setCurrentIndex(m_nWaveFormat >= 0 && m_nWaveFormat < 16 ? m_nWaveFormat : -1);
    quiet.unblock();
    UpdatePlayingTime();
    m_ui->formatList->setFocus();
    return exec() == res::IDOK ? res::IDOK : res::IDCANCEL;
}

void CPropertiesDlg::UpdatePlayingTime()
{
    SetDlgItemText(this, res::IDC_1019,
                   QString::fromStdString(PlayingTimeText(m_nDataLength, m_ui->formatList->currentIndex())));
}

void CPropertiesDlg::accept()
{
    m_bAssumeSound = m_ui->assumeSoundCheck->isChecked();
    done(res::IDOK);
}

void CPropertiesDlg::done(int result)
{
    m_nWaveFormat = m_ui->formatList->currentIndex();
    QDialog::done(result);
}

PropertiesChange ShowDataProperties(CRipwellDoc& document, QWidget* parent)
{
    CPropertiesDlg dialog(parent);
    dialog.m_nDataLength = document.m_nDataLength;
    dialog.m_bAssumeSound = document.m_bIsSound;
    dialog.m_nWaveFormat = document.m_nWaveFormat;
    if (dialog.DoModal() != res::IDOK)
        return {};
    return ApplyDataProperties(document, dialog.m_nWaveFormat, dialog.m_bAssumeSound);
}
