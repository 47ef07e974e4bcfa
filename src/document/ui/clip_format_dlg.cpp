#include "document/ui/clip_format_dlg.h"

#include <QListWidget>
#include <QPushButton>

#include "document/clipboard_transfer.h"
#include "res/resource.h"
#include "ui_clip_format_dlg.h"

namespace {
constexpr const char* kCopyCaption = "Copy to clipboard as";
constexpr const char* kPasteCaption = "Paste from clipboard as";
} // namespace

CClipFormatDlg::CClipFormatDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::ClipFormatDlg>())
{
    m_ui->setupUi(this);
    connect(m_ui->okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

CClipFormatDlg::~CClipFormatDlg() = default;

int CClipFormatDlg::DoModal()
{
    OnInitDialog();
    return exec() == res::IDOK ? res::IDOK : res::IDCANCEL;
}

void CClipFormatDlg::OnInitDialog()
{
    setWindowTitle(m_bCopyMode ? kCopyCaption : kPasteCaption);
    QListWidget* list = m_ui->formatList;
    list->clear();
    const std::vector<ClipFormatEntry> entries = ListClipFormats(m_bCopyMode, this);
    for (const ClipFormatEntry& entry : entries) {
        auto* item = new QListWidgetItem(QString::fromLatin1(entry.text.c_str()), list);
        item->setData(Qt::UserRole, QVariant::fromValue<uint32_t>(entry.format));
    }
    if (!entries.empty())
        list->setCurrentRow(PreselectedClipFormat(entries, m_nFormat));
    list->setFocus();
}

void CClipFormatDlg::done(int result)
{
    // Either button takes the selection; the caller uses it after OK only.
    const QList<QListWidgetItem*> selected = m_ui->formatList->selectedItems();
    m_nFormat = selected.isEmpty() ? LB_ERR : selected.front()->data(Qt::UserRole).value<uint32_t>();
    QDialog::done(result);
}
