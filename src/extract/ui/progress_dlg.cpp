#include "extract/ui/progress_dlg.h"

#include "ui_progress_dlg.h"

#include <QLabel>
#include <QThread>

#include <cstdio>
#include <new>
#include <system_error>

#include "cdrom/address.h"
#include "document/ripwell_doc.h"
#include "extract/secure_read_text.h"
#include "platform/wait_for_thread.h"
#include "res/resource.h"

namespace {

constexpr double kBytesPerMegabyte = 1048576.0;
constexpr double kBytesPerKilobyte = 1024.0;
constexpr uint32_t kSecondsPerDay = 86400;
constexpr int kClipLastFrame = 0xFFFF; // "to the last frame"

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

} // namespace

namespace progress_text {

std::string RangeSize(uint32_t firstSector, uint32_t lastSector, ReadMode mode)
{
    const double sectors = static_cast<double>(lastSector) - firstSector + 1;
    return ByteSizeText(sectors * double(mode == READ_MODE_RAW ? RAW_SECTOR_SIZE : COOKED_SECTOR_SIZE));
}

std::string ByteSizeText(double bytes)
{
    char text[64];
    if (bytes > kBytesPerMegabyte)
        std::snprintf(text, sizeof text, "(%.1f MB)", bytes / kBytesPerMegabyte);
    else
        std::snprintf(text, sizeof text, "(%.1f KB)", bytes / kBytesPerKilobyte);
    return text;
}

std::string ReadModeText(ReadMode mode, bool jitterCorrection)
{
    std::string text = mode == READ_MODE_RAW ? "raw" : "cooked";
    if (jitterCorrection)
        text += " (overlapped)";
    return text;
}

std::string TimeLeft(uint32_t seconds)
{
    const uint32_t ofDay = seconds % kSecondsPerDay;
    char text[16];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", ofDay / 3600, ofDay / 60 % 60, ofDay % 60);
    return text;
}

std::string Percent(uint32_t percent)
{
    char text[16];
    std::snprintf(text, sizeof text, "%u%%", percent);
    return text;
}

std::string SyncResult(uintptr_t wParam)
{
    const auto shift = static_cast<int32_t>(static_cast<uint32_t>(wParam));
    if (shift == 0)
        return "OK";
    if (shift == res::SYNC_FAILED)
        return "FAILED!";
    char text[16];
    std::snprintf(text, sizeof text, "%+i", shift);
    return text;
}

} // namespace progress_text

CProgressDlg::CProgressDlg(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::ProgressDlg>())
{
    m_ui->setupUi(this);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CProgressDlg::reject);
}

CProgressDlg::~CProgressDlg() { JoinWorker(); }

int CProgressDlg::exec()
{
    // Without a worker nobody would ever send the final status: end at once with it set.
    if (!OnInitDialog())
        return res::IDCANCEL;
    m_ui->cancelButton->setFocus();
    const int result = QDialog::exec();
    JoinWorker();
    return result;
}

bool CProgressDlg::OnInitDialog()
{
    m_nStatus = 0;
    m_nCancelFlag.store(0);
    m_bHaveReport = false;
    // A secure read places no blocks by comparison: it shows its passes instead.
    const bool secure = m_options.secureMode && m_nReadMode == READ_MODE_RAW;
    const bool jitterCorrection = m_options.jitterCorrection && !secure;

    m_pFirstSectorText = m_ui->firstSectorText;
    m_pLastSectorText = m_ui->lastSectorText;
    m_pPositionText = m_ui->positionText;
    m_pTimeLeftText = m_ui->timeLeftText;
    m_pPercentText = m_ui->percentText;
    m_pReadModeText = m_ui->readModeText;
    m_pSizeText = m_ui->rangeSizeText;
    m_pSyncLabel = m_ui->syncLabel;
    m_pSyncText = m_ui->syncResultText;

    auto* request = new (std::nothrow) ReadRequest;
    if (request) {
        request->firstSector = m_nFirstSector;
        request->lastSector = m_nLastSector;
        request->mode = m_nReadMode;
        request->document = m_pDocument;
        request->progressWindow = this;
        request->cancelFlag = &m_nCancelFlag;
        request->options = m_options;
    }

    PrepareDocument();
    ShowRangeAndMode(jitterCorrection);
    m_ui->progressBar->setRange(0, 100);
    m_ui->progressBar->setValue(0);
    if (m_ui->animation->Open(res::IDR_AVI_PROGRESS))
        m_ui->animation->Play(-1, 0, kClipLastFrame);

    // A missing request or thread is a shortage of the system's memory for the read.
    if (!request) {
        m_nStatus = res::READ_NO_BUFFER_MEMORY;
        return false;
    }
    try {
        StartWorker(request);
    } catch (const std::system_error&) {
        delete request;
        m_nStatus = res::READ_NO_BUFFER_MEMORY;
        return false;
    }
    return true;
}

// The previous data is gone from here on, whatever the read's outcome.
void CProgressDlg::PrepareDocument()
{
    if (!m_pDocument)
        return;
    m_pDocument->OnNewDocument();
    m_pDocument->SetTitle(m_strTitle);
    m_pDocument->UpdateAllViews();
}

void CProgressDlg::ShowRangeAndMode(bool jitterCorrection)
{
    m_pFirstSectorText->setText(QString::number(m_nFirstSector));
    m_pLastSectorText->setText(QString::number(m_nLastSector));
    m_pReadModeText->setText(FromStd(progress_text::ReadModeText(m_nReadMode, jitterCorrection)));
    m_pSizeText->setText(FromStd(progress_text::RangeSize(m_nFirstSector, m_nLastSector, m_nReadMode)));
    if (jitterCorrection)
        m_pSyncLabel->setText(QStringLiteral("Synchronization:"));
}

void CProgressDlg::StartWorker(ReadRequest* request) { m_worker = std::thread(ReadSectorsThread, request); }

void CProgressDlg::JoinWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void CProgressDlg::reject() { m_nCancelFlag.store(1); }

void CProgressDlg::accept() {}

void CProgressDlg::SendMessage(uint32_t message, uintptr_t wParam)
{
    RunOnWindowThread([this, message, wParam] { OnWorkerMessage(message, wParam); });
}

void CProgressDlg::RunOnWindowThread(const std::function<void()>& work) { platform::RunOnThreadAndWait(this, work); }

void CProgressDlg::OnWorkerMessage(uint32_t message, uintptr_t wParam)
{
    const auto value = static_cast<uint32_t>(wParam);
    switch (message) {
    case res::WM_READ_POSITION: m_pPositionText->setText(QString::number(value)); break;
    case res::WM_READ_TIMELEFT: m_pTimeLeftText->setText(FromStd(progress_text::TimeLeft(value))); break;
    case res::WM_READ_PERCENT:
        m_ui->progressBar->setValue(static_cast<int>(std::min<uint32_t>(value, 100)));
        m_pPercentText->setText(FromStd(progress_text::Percent(value)));
        break;
    case res::WM_READ_SYNC: m_pSyncText->setText(FromStd(progress_text::SyncResult(wParam))); break;
    case res::WM_READ_PASS: m_pReadModeText->setText(FromStd(SecurePassText(wParam))); break;
    case res::WM_READ_REPORT:
        m_report = *reinterpret_cast<const SecureReadReport*>(wParam);
        m_bHaveReport = true;
        break;
    case res::WM_READ_DONE:
        m_nStatus = static_cast<uint16_t>(value & 0xFFFF);
        QDialog::done(res::IDCANCEL);
        break;
    default: break;
    }
}
