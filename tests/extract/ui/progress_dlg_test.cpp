#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <atomic>
#include <cstring>
#include <functional>
#include <system_error>

#include "document/ripwell_doc.h"
#include "platform/block_memory.h"
#include "platform/ui/animate_ctrl.h"
#include "extract/ui/progress_dlg.h"
#include "platform/wait_for_thread.h"
#include "platform/ui/dialog_data.h"
#include "res/resource.h"
#include "support/read_run.h"
#include "support/scripted_drive.h"
#include "support/simulated_drive.h"

namespace {

QString Text(const CProgressDlg& dialog, int control)
{
    const auto* label = GetDlgControl<QLabel>(&dialog, control);
    return label ? label->text() : QStringLiteral("<missing>");
}

int Bar(const CProgressDlg& dialog)
{
    return GetDlgControl<QProgressBar>(&dialog, res::progress::IDC_PROGRESS_BAR)->value();
}

struct CountingView : framework::DocumentView {
    void OnUpdate() override { ++updates; }
    int updates = 0;
};

// A document that was holding a saved, modified file before the read.
void FillDocument(CRipwellDoc& document)
{
    uint8_t* block = platform::AllocateDataBlock(48);
    std::memset(block, 0, 48);
    document.AdoptBlock(block, block, 4, false, WAVE_FORMAT_22050_8_MONO);
    document.SetPathName("/tmp/old.wav", false);
    document.SetTitle("old.wav");
    document.SetModifiedFlag(true);
}

// Runs onFirstPosition on the dialog's thread once the worker has reported its first position.
class CancelOnFirstPosition : public CProgressDlg {
public:
    std::function<void()> onFirstPosition;

    void SendMessage(uint32_t message, uintptr_t wParam) override
    {
        CProgressDlg::SendMessage(message, wParam);
        if (message == res::WM_READ_POSITION && !m_posted.exchange(true))
            platform::RunOnThreadAndWait(this, onFirstPosition);
    }

private:
    std::atomic<bool> m_posted{false};
};

class UnstartableProgressDlg : public CProgressDlg {
protected:
    void StartWorker(ReadRequest*) override
    {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    }
};

} // namespace

TEST(ProgressText, SizesTimesPercentagesAndShifts)
{
    using namespace progress_text;
    EXPECT_EQ(RangeSize(0, 445, READ_MODE_RAW), "(1.0 MB)"); // 1048992 bytes
    EXPECT_EQ(RangeSize(0, 444, READ_MODE_RAW), "(1022.1 KB)");
    EXPECT_EQ(RangeSize(0, 511, READ_MODE_COOKED), "(1024.0 KB)"); // exactly 1048576 bytes
    EXPECT_EQ(RangeSize(600, 1350, READ_MODE_RAW), "(1.7 MB)");
    EXPECT_EQ(RangeSize(0, 350000, READ_MODE_RAW), "(785.1 MB)");
    EXPECT_EQ(ReadModeText(READ_MODE_RAW, false), "raw");
    EXPECT_EQ(ReadModeText(READ_MODE_COOKED, true), "cooked (overlapped)");
    EXPECT_EQ(ReadModeText(7, false), "cooked");
    EXPECT_EQ(TimeLeft(90061), "01:01:01"); // whole days are not shown
    EXPECT_EQ(TimeLeft(86399), "23:59:59");
    EXPECT_EQ(TimeLeft(0), "00:00:00");
    EXPECT_EQ(Percent(42), "42%");
    EXPECT_EQ(SyncResult(0), "OK");
    EXPECT_EQ(SyncResult(res::SYNC_FAILED), "FAILED!");
    EXPECT_EQ(SyncResult(12), "+12");
    EXPECT_EQ(SyncResult(static_cast<uintptr_t>(intptr_t{-588})), "-588");
}

TEST(ProgressDlg, ShowsTheReadAsItGoesAndHandsTheDataToTheDocument)
{
    ScriptedDrive drive('D', 1000);
    drive.SetDelay(std::chrono::milliseconds(40));
    const ReadOptions settings{'D', true, 2};
    CRipwellDoc document;
    FillDocument(document);
    CountingView view;
    document.AddView(&view);

    CProgressDlg dialog;
    dialog.m_nFirstSector = 10;
    dialog.m_nLastSector = 109;
    dialog.m_nReadMode = READ_MODE_RAW;
    dialog.m_options = settings;
    dialog.m_pDocument = &document;
    dialog.m_strTitle = "Track 3";
    bool visible = false, playing = false, emptied = false;
    QString title;
    QTimer::singleShot(0, &dialog, [&] {
        visible = dialog.isVisible();
        playing = GetDlgControl<CAnimateCtrl>(&dialog, res::progress::IDC_ANIMATION)->IsPlaying();
        emptied = !document.IsModified() && document.GetPathName().empty();
        title = dialog.windowTitle();
    });
    dialog.exec();

    EXPECT_TRUE(visible);
    EXPECT_TRUE(playing);
    EXPECT_TRUE(emptied);
    EXPECT_EQ(title, "Working...");
    EXPECT_EQ(dialog.m_nStatus, 0);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Text(dialog, res::progress::IDC_FIRST_SECTOR), "10");
    EXPECT_EQ(Text(dialog, res::progress::IDC_LAST_SECTOR), "109");
    EXPECT_EQ(Text(dialog, res::progress::IDC_READ_MODE), "raw (overlapped)");
    EXPECT_EQ(Text(dialog, res::progress::IDC_RANGE_SIZE), "(229.7 KB)");
    EXPECT_EQ(Text(dialog, res::progress::IDC_SYNC_LABEL), "Synchronization:");
    EXPECT_EQ(Text(dialog, res::progress::IDC_SYNC_RESULT), "OK");
    EXPECT_EQ(Text(dialog, res::progress::IDC_POSITION), "85"); // the final block
    EXPECT_EQ(Text(dialog, res::progress::IDC_TIME_LEFT), "00:00:00");
    EXPECT_EQ(Text(dialog, res::progress::IDC_PERCENT), "75%");
    EXPECT_EQ(Bar(dialog), 75);

    EXPECT_EQ(document.GetTitle(), "Track 3");
    EXPECT_EQ(view.updates, 1);
    EXPECT_FALSE(document.IsModified());
    ASSERT_EQ(document.m_nDataLength, 100u * 2352);
    EXPECT_EQ(std::vector<uint8_t>(document.m_pData, document.m_pData + document.m_nDataLength),
              drive.RawBytes(10, 100));
    document.RemoveView(&view);
}

TEST(ProgressDlg, CancelOnlyAsksAndTheDialogWaitsForTheWorker)
{
    ScriptedDrive drive('D', 1000);
    drive.SetDelay(std::chrono::milliseconds(30));
    const ReadOptions settings{'D', false, 2};
    CRipwellDoc document;
    // The user cancels as soon as the first position is shown, whatever the machine's speed.
    CancelOnFirstPosition dialog;
    dialog.m_nFirstSector = 0;
    dialog.m_nLastSector = 999;
    dialog.m_nReadMode = READ_MODE_RAW;
    dialog.m_options = settings;
    dialog.m_pDocument = &document;

    std::vector<bool> openAfter;
    dialog.onFirstPosition = [&] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &escape);
        openAfter.push_back(dialog.isVisible());
        dialog.close();
        openAfter.push_back(dialog.isVisible());
        GetDlgControl<QPushButton>(&dialog, res::IDCANCEL)->click();
        openAfter.push_back(dialog.isVisible());
    };
    dialog.exec();

    EXPECT_EQ(openAfter, (std::vector<bool>{true, true, true}));
    EXPECT_EQ(dialog.m_nCancelFlag.load(), 1);
    EXPECT_EQ(dialog.m_nStatus, res::READ_CANCELLED);
    EXPECT_EQ(document.m_pBlock, nullptr);
    EXPECT_EQ(document.m_nDataLength, 0u);
    // The worker stopped at its next block, long before the end of the range.
    EXPECT_LT(drive.Requests().size(), 10u);
}

TEST(ProgressDlg, WithoutJitterCorrectionAndInOneBlockTheFieldsStayEmpty)
{
    ScriptedDrive drive('D', 1000);
    const ReadOptions settings{'D', false, 2};
    CRipwellDoc document;
    CProgressDlg dialog;
    dialog.m_nFirstSector = 16;
    dialog.m_nLastSector = 35;
    dialog.m_nReadMode = READ_MODE_COOKED;
    dialog.m_options = settings;
    dialog.m_pDocument = &document;
    dialog.exec();

    EXPECT_EQ(dialog.m_nStatus, 0);
    EXPECT_EQ(Text(dialog, res::progress::IDC_READ_MODE), "cooked");
    EXPECT_EQ(Text(dialog, res::progress::IDC_RANGE_SIZE), "(40.0 KB)");
    EXPECT_EQ(Text(dialog, res::progress::IDC_SYNC_LABEL), "");
    EXPECT_EQ(Text(dialog, res::progress::IDC_SYNC_RESULT), "");
    EXPECT_EQ(Text(dialog, res::progress::IDC_POSITION), "");
    EXPECT_EQ(Text(dialog, res::progress::IDC_TIME_LEFT), "");
    EXPECT_EQ(Text(dialog, res::progress::IDC_PERCENT), "0%");
    EXPECT_EQ(Bar(dialog), 0);
    EXPECT_EQ(document.m_nDataLength, 20u * 2048);
}

TEST(ProgressDlg, FailuresArriveAsTheStatus)
{
    ScriptedDrive drive('D', 1000);
    drive.FailOpen();
    const ReadOptions settings{'D', true, 2};
    {
        CRipwellDoc document;
        FillDocument(document);
        CProgressDlg dialog;
        dialog.m_nLastSector = 99;
        dialog.m_nReadMode = READ_MODE_RAW;
        dialog.m_options = settings;
        dialog.m_pDocument = &document;
        dialog.m_strTitle = "Untitled";
        dialog.exec();
        EXPECT_EQ(dialog.m_nStatus, 2);
        EXPECT_EQ(document.m_pBlock, nullptr);
        EXPECT_EQ(document.GetTitle(), "Untitled");
    }
    {
        // No thread for the worker: the dialog ends at once as if memory had run out.
        CRipwellDoc document;
        FillDocument(document);
        UnstartableProgressDlg dialog;
        dialog.m_nLastSector = 99;
        dialog.m_pDocument = &document;
        dialog.m_strTitle = "Untitled";
        dialog.exec();
        EXPECT_EQ(dialog.m_nStatus, res::READ_NO_BUFFER_MEMORY);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(document.m_pBlock, nullptr);
        EXPECT_EQ(document.GetTitle(), "Untitled");
    }
}

namespace {

// Notes the read mode text as each pass of a secure read begins.
class PassWatchingDlg : public CProgressDlg {
public:
    void SendMessage(uint32_t message, uintptr_t wParam) override
    {
        CProgressDlg::SendMessage(message, wParam);
        if (message == res::WM_READ_PASS)
            RunOnWindowThread([this] { modeTexts.push_back(Text(*this, res::progress::IDC_READ_MODE)); });
    }
    std::vector<QString> modeTexts;
};

} // namespace

TEST(ProgressDlg, ASecureReadShowsItsPassesAndKeepsItsReport)
{
    SimulatedDrive drive('D', 1000);
    drive.SetScratches({50}, 1, 2);
    ReadOptions options{'D', true, 2};
    options.secureMode = true;
    CRipwellDoc document;
    PassWatchingDlg dialog;
    dialog.m_nFirstSector = 0;
    dialog.m_nLastSector = 99;
    dialog.m_nReadMode = READ_MODE_RAW;
    dialog.m_options = options;
    dialog.m_pDocument = &document;
    dialog.exec();

    EXPECT_EQ(dialog.m_nStatus, 0);
    EXPECT_EQ(dialog.modeTexts, (std::vector<QString>{"raw (test)", "raw (copy)", "raw (re-read)"}));
    EXPECT_EQ(Text(dialog, res::progress::IDC_SYNC_LABEL), ""); // no synchronisation in a secure read
    EXPECT_EQ(Text(dialog, res::progress::IDC_PERCENT), "100%");
    ASSERT_TRUE(dialog.m_bHaveReport);
    EXPECT_EQ(dialog.m_report.suspiciousSectors, (std::vector<uint32_t>{50}));
    EXPECT_EQ(document.m_nDataLength, 100u * 2352);
}
