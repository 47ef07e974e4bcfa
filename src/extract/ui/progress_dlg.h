// CProgressDlg: the modal "Working..." dialog in front of every read. When it opens it empties
// the document, gives it its title and starts the extraction worker; from then on it only shows
// what the worker reports. Cancel only asks the worker to stop; the dialog closes when the
// worker sends its final status, which the read command then takes from m_nStatus.
//
// Use: fill the members, call exec() (the modal result is not used), read m_nStatus.
#pragma once

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "extract/read_sectors_thread.h"

class CRipwellDoc;
class QLabel;
namespace Ui {
class ProgressDlg;
}

class CProgressDlg : public QDialog, public ReadProgressWindow {
    Q_OBJECT
public:
    explicit CProgressDlg(QWidget* parent = nullptr);
    ~CProgressDlg() override;

    // Opens the dialog, runs the read and returns when the worker has sent its final status.
    int exec() override;

    // Set by the read command before exec().
    uint32_t m_nFirstSector = 0;
    uint32_t m_nLastSector = 0; // inclusive
    ReadMode m_nReadMode = READ_MODE_COOKED;
    CRipwellDoc* m_pDocument = nullptr;
    std::string m_strTitle;
    // The drive, jitter correction and overlap the read is made with.
    ReadOptions m_options;
    // Read by the command afterwards: 0, READ_CANCELLED, READ_NO_DOCUMENT_MEMORY,
    // READ_NO_BUFFER_MEMORY or a drive error.
    uint16_t m_nStatus = 0;
    // Polled by the worker; 1 once the user asked to cancel.
    std::atomic<int32_t> m_nCancelFlag{0};
    // The report of a secure read, when the worker sent one (before its final status).
    SecureReadReport m_report;
    bool m_bHaveReport = false;

    // Worker side: each call returns once the handler has run on the dialog's thread.
    void SendMessage(uint32_t message, uintptr_t wParam) override;
    void RunOnWindowThread(const std::function<void()>& work) override;

public slots:
    // Cancel button, Escape and the close box: raise the cancel flag, nothing else.
    void reject() override;
    // The dialog has no OK; Enter must not end it while the worker runs.
    void accept() override;

protected:
    // Starts the worker thread on the request; throws std::system_error when the system has
    // no thread to give.
    virtual void StartWorker(ReadRequest* request);

private:
    bool OnInitDialog();
    void PrepareDocument();
    void ShowRangeAndMode(bool jitterCorrection);
    void OnWorkerMessage(uint32_t message, uintptr_t wParam);
    void JoinWorker();

    std::unique_ptr<Ui::ProgressDlg> m_ui;
    QLabel* m_pFirstSectorText = nullptr; // 1010
    QLabel* m_pLastSectorText = nullptr;  // 1011
    QLabel* m_pPositionText = nullptr;    // 1046
    QLabel* m_pTimeLeftText = nullptr;    // 1047
    QLabel* m_pPercentText = nullptr;     // 1048
    QLabel* m_pReadModeText = nullptr;    // 1049
    QLabel* m_pSizeText = nullptr;        // 1050
    QLabel* m_pSyncLabel = nullptr;       // 1051
    QLabel* m_pSyncText = nullptr;        // 1052
    std::thread m_worker;
};

// The texts the dialog shows, kept apart so that they can be checked without a window.
namespace progress_text {
// "(%.1f MB)" above 1048576 bytes, else "(%.1f KB)", for the sectors of the range.
std::string RangeSize(uint32_t firstSector, uint32_t lastSector, ReadMode mode);
// The same size text for a count of bytes.
std::string ByteSizeText(double bytes);
// "raw" or "cooked", with " (overlapped)" under jitter correction.
std::string ReadModeText(ReadMode mode, bool jitterCorrection);
// Seconds as "%H:%M:%S" of the part below a day.
std::string TimeLeft(uint32_t seconds);
// "%u%%"
std::string Percent(uint32_t percent);
// "OK", "FAILED!" or the shift as "%+i".
std::string SyncResult(uintptr_t wParam);
} // namespace progress_text
