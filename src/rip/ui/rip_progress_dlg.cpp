#include "rip/ui/rip_progress_dlg.h"

#include "ui_rip_progress_dlg.h"

#include <QMetaObject>

#include "res/resource.h"
#include "res/string_table.h"
#include "rip/rip_progress.h"

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

} // namespace

// Hands what the rip reports to the dialog's thread without waiting for it: the rip never
// stops for the window.
class CRipProgressDlg::Observer : public RipObserver {
public:
    explicit Observer(CRipProgressDlg* dialog) : m_dialog(dialog) {}

    void OnTrackStarted(size_t index, const RipTrackResult& track) override
    {
        Post([this, index, title = track.title] { m_dialog->ShowTrack(index, title); });
    }
    void OnPass(size_t, ReadPass pass) override
    {
        Post([this, pass] { m_dialog->ShowPass(pass); });
    }
    void OnProgress(size_t, uint32_t sector, uint64_t done, uint64_t total) override
    {
        Post([this, sector, done, total] { m_dialog->ShowProgress(sector, done, total); });
    }
    void OnTrackFinished(size_t, const RipTrackResult&) override {}

private:
    template <typename Work> void Post(Work work)
    {
        QMetaObject::invokeMethod(m_dialog, std::move(work), Qt::QueuedConnection);
    }
    CRipProgressDlg* m_dialog;
};

CRipProgressDlg::CRipProgressDlg(const RipRequest& request, RangeReader& reader, QWidget* parent)
    : QDialog(parent),
      m_request(request),
      m_reader(reader),
      m_ui(std::make_unique<Ui::RipProgressDlg>()),
      m_observer(std::make_unique<Observer>(this))
{
    m_ui->setupUi(this);
    m_ui->progressBar->setRange(0, 100);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CRipProgressDlg::reject);
}

CRipProgressDlg::~CRipProgressDlg()
{
    m_nCancelFlag.store(1);
    if (m_worker.joinable())
        m_worker.join();
}

int CRipProgressDlg::exec()
{
    m_nCancelFlag.store(0);
    m_bFinished = false;
    m_started = std::chrono::steady_clock::now();
    m_ui->passText->setText(FromStd(PassText(ReadPass::Read)));
    m_worker = std::thread([this] {
        m_result = RunRip(m_request, m_reader, m_observer.get(), &m_nCancelFlag);
        QMetaObject::invokeMethod(
            this, [this] { OnFinished(); }, Qt::QueuedConnection);
    });
    m_ui->cancelButton->setFocus();
    const int result = QDialog::exec();
    if (m_worker.joinable())
        m_worker.join();
    return result;
}

void CRipProgressDlg::reject()
{
    if (m_bFinished) {
        QDialog::reject();
        return;
    }
    m_nCancelFlag.store(1);
    m_ui->cancelButton->setEnabled(false);
}

void CRipProgressDlg::accept() {}

void CRipProgressDlg::ShowTrack(size_t index, const std::string& title)
{
    // "%1 of %2: %3"; the title goes in last, so that a title with a "%1" in it stays as it is.
    QString text = FromStd(std::string(res::LoadString(res::IDS_RIP_TRACK)));
    text.replace(QStringLiteral("%1"), QString::number(index + 1))
        .replace(QStringLiteral("%2"), QString::number(m_request.tracks.size()))
        .replace(QStringLiteral("%3"), FromStd(title));
    m_ui->trackText->setText(text);
}

void CRipProgressDlg::ShowPass(ReadPass pass) { m_ui->passText->setText(FromStd(PassText(pass))); }

void CRipProgressDlg::ShowProgress(uint32_t sector, uint64_t done, uint64_t total)
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - m_started).count();
    const RipProgressFigures figures = RipProgressOf(done, total, seconds);
    m_ui->positionText->setText(FromStd(DiscPositionText(sector)));
    m_ui->speedText->setText(FromStd(SpeedText(figures.speed)));
    m_ui->timeLeftText->setText(FromStd(TimeLeftText(figures.secondsLeft)));
    m_ui->progressBar->setValue(static_cast<int>(figures.percent));
    m_ui->percentText->setText(QString::number(figures.percent) + '%');
}

void CRipProgressDlg::OnFinished()
{
    m_bFinished = true;
    QDialog::done(m_result.status == 0 ? res::IDOK : res::IDCANCEL);
}
