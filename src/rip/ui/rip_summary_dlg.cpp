#include "rip/ui/rip_summary_dlg.h"

#include "ui_rip_summary_dlg.h"

#include <QHeaderView>
#include <QPushButton>

#include <cstdio>

#include "rip/rip_log.h"

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

std::string ReadText(const RipTrackResult& track)
{
    switch (track.status) {
    case RipTrackResult::Status::Ripped:
        if (!track.read.suspiciousSectors.empty())
            return std::to_string(track.read.suspiciousSectors.size()) + " suspicious";
        return track.read.reReads ? "OK, " + std::to_string(track.read.reReads) + " re-reads" : "OK";
    case RipTrackResult::Status::ReadFailed: return "read error " + std::to_string(track.readStatus);
    case RipTrackResult::Status::WriteFailed: return "not written: " + track.error;
    case RipTrackResult::Status::Cancelled: return "cancelled";
    case RipTrackResult::Status::Waiting: break;
    }
    return "-";
}

} // namespace

CRipSummaryDlg::CRipSummaryDlg(const RipRequest& request, const RipResult& result, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::RipSummaryDlg>())
{
    m_ui->setupUi(this);
    connect(m_ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    QTableWidget* table = m_ui->trackTable;
    table->setRowCount(static_cast<int>(result.tracks.size()));
    for (size_t i = 0; i < result.tracks.size(); ++i) {
        const RipTrackResult& track = result.tracks[i];
        char number[8], crc[16];
        std::snprintf(number, sizeof number, "%02u", track.number);
        std::snprintf(crc, sizeof crc, "%08X", track.read.copyCrc);
        const bool ripped = track.status == RipTrackResult::Status::Ripped;
        const std::string cells[] = {number, track.title, ReadText(track), ripped ? crc : "",
                                     ripped ? VerdictText(track.verdict) : ""};
        for (int column = 0; column < 5; ++column)
            table->setItem(static_cast<int>(i), column, new QTableWidgetItem(FromStd(cells[column])));
    }
    table->verticalHeader()->hide();
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    m_ui->verdictText->setText(FromStd(RipVerdictLine(result)));
    std::string files = request.outputFolder;
    if (!result.cueSheetFile.empty())
        files += "\n" + result.cueSheetFile;
    if (!result.logFile.empty())
        files += "\n" + result.logFile;
    m_ui->filesText->setText(FromStd(files));
}

CRipSummaryDlg::~CRipSummaryDlg() = default;
