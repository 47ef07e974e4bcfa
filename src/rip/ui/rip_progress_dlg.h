// CRipProgressDlg: the modal "Ripping..." dialog (resource 181) in front of a rip. When it opens
// it starts the rip on a worker thread; from then on it shows what the rip reports: the track,
// the pass of its read, the position on the disc, the speed, the time left and the share done.
// Cancel asks the rip to stop; the dialog closes when the rip has ended, and m_result says how.
#pragma once

#include <QDialog>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "rip/rip_job.h"

namespace Ui {
class RipProgressDlg;
}

class CRipProgressDlg : public QDialog {
    Q_OBJECT
public:
    CRipProgressDlg(const RipRequest& request, RangeReader& reader, QWidget* parent = nullptr);
    ~CRipProgressDlg() override;

    // Runs the rip and returns when it has ended.
    int exec() override;

    RipResult m_result;
    std::atomic<int32_t> m_nCancelFlag{0};

public slots:
    void reject() override; // Cancel, Escape and the close box: ask the rip to stop
    void accept() override; // nothing: the dialog ends with the rip

private:
    class Observer;
    void ShowTrack(size_t index, const std::string& title);
    void ShowPass(ReadPass pass);
    void ShowProgress(uint32_t sector, uint64_t done, uint64_t total);
    void OnFinished();

    const RipRequest& m_request;
    RangeReader& m_reader;
    std::unique_ptr<Ui::RipProgressDlg> m_ui;
    std::unique_ptr<Observer> m_observer;
    std::thread m_worker;
    std::chrono::steady_clock::time_point m_started;
    bool m_bFinished = false;
};
