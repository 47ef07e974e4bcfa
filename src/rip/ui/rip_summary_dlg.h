// CRipSummaryDlg: the modal "Rip Summary" dialog (resource 182) after a rip: one row per track
// with its title, how its read went, its copy CRC-32 and its AccurateRip verdict, then the
// line that says whether every track is accurate, and where the files, the cue sheet and the
// log are.
#pragma once

#include <QDialog>

#include <memory>

#include "rip/rip_job.h"

namespace Ui {
class RipSummaryDlg;
}

class CRipSummaryDlg : public QDialog {
    Q_OBJECT
public:
    CRipSummaryDlg(const RipRequest& request, const RipResult& result, QWidget* parent = nullptr);
    ~CRipSummaryDlg() override;

private:
    std::unique_ptr<Ui::RipSummaryDlg> m_ui;
};
