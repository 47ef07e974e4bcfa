// CClipFormatDlg: the small modal "Clipboard" dialog in which Copy and Paste choose a clipboard
// format. In copy mode it lists the four formats Copy can make; in paste mode every format on
// the clipboard, in the clipboard's order, by registered name or by description.
#pragma once

#include <cstdint>
#include <memory>

#include <QDialog>

namespace Ui {
class ClipFormatDlg;
}

class CClipFormatDlg : public QDialog {
    Q_OBJECT
public:
    explicit CClipFormatDlg(QWidget* parent = nullptr);
    ~CClipFormatDlg() override;

    // Builds the list (the clipboard is opened with the dialog as owner meanwhile), selects the
    // entry of m_nFormat or the first one, shows the dialog; 1 (OK) or 2 (Cancel).
    int DoModal();

    // What the list is read with when no entry is selected (an empty list).
    static constexpr uint32_t LB_ERR = 0xFFFFFFFF;

    bool m_bCopyMode = false;
    // On entry the format to preselect; on exit the format of the selected entry.
    uint32_t m_nFormat = 0;

public slots:
    void done(int result) override;

private:
    void OnInitDialog();

    std::unique_ptr<Ui::ClipFormatDlg> m_ui;
};
