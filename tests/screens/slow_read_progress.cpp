// Shows the "Working..." dialog in front of a read that takes its time, so that the dialog can
// be watched or photographed while every field changes: a jittering test drive that waits
// before each block, with jitter correction on. With --secure, a secure read of a drive that
// misreads two sectors in the middle every time, and the message that ends the read.
//
//   slow_read_progress [--sectors N] [--delay MS] [--jitter BYTES] [--secure]
//
// Prints the final status when the dialog has closed; exit status 0 when it is 0.
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "document/ripwell_doc.h"
#include "extract/ui/progress_dlg.h"
#include "extract/ui/read_commands.h"
#include "platform/ui/qt_message_box.h"
#include "support/jitter_drive.h"
#include "support/read_run.h"
#include "support/simulated_drive.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    long sectors = 3000;
    long delay = 150;
    long jitter = 588;
    bool secure = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--secure") {
            secure = true;
            continue;
        }
        long* target = arg == "--sectors" ? &sectors
            : arg == "--delay"            ? &delay
            : arg == "--jitter"           ? &jitter
                                          : nullptr;
        if (!target || i + 1 >= argc) {
            std::fprintf(stderr, "usage: slow_read_progress [--sectors N] [--delay MS] [--jitter BYTES] [--secure]\n");
            return 2;
        }
        char* end = nullptr;
        *target = std::strtol(argv[++i], &end, 10);
        if (*end != '\0' || *target < 0 || *target > 300000 || (target == &sectors && *target < 1)) {
            std::fprintf(stderr, "slow_read_progress: %s wants a number from %d to 300000\n", arg.c_str(),
                         target == &sectors ? 1 : 0);
            return 2;
        }
    }

    // The range lies inside the disc, so that early and late reads find neighbouring sectors.
    constexpr uint32_t FIRST = 150;
    const uint32_t discSectors = static_cast<uint32_t>(sectors) + 2 * FIRST;
    JitterDrive drive('D', discSectors);
    drive.SetRandomJitter(static_cast<uint32_t>(jitter), 7, true);
    drive.SetDelay(std::chrono::milliseconds(delay));
    ReadOptions settings{'D', true, 2};
    std::unique_ptr<SimulatedDrive> simulated;
    if (secure) {
        simulated = std::make_unique<SimulatedDrive>('D', discSectors);
        const uint32_t middle = FIRST + static_cast<uint32_t>(sectors) / 2;
        simulated->SetScratches({middle, middle + 1}, 1, 7);
        simulated->SetDelay(std::chrono::milliseconds(delay));
        settings.secureMode = true;
    }

    CRipwellDoc document;
    CProgressDlg dialog;
    dialog.m_nFirstSector = FIRST;
    dialog.m_nLastSector = FIRST + static_cast<uint32_t>(sectors) - 1;
    dialog.m_nReadMode = READ_MODE_RAW;
    dialog.m_options = settings;
    dialog.m_pDocument = &document;
    dialog.m_strTitle = "Track 01";
    dialog.exec();

    std::printf("status %u, %u bytes read\n", dialog.m_nStatus, document.m_nDataLength);
    std::fflush(stdout);
    if (secure) {
        platform::InstallQtMessageBoxService();
        ReportReadStatus(&document, dialog.m_nStatus, dialog.m_bHaveReport ? &dialog.m_report : nullptr);
    }
    return dialog.m_nStatus == 0 ? 0 : 1;
}
