// Shows the "Working..." dialog in front of a read that takes its time, so that the dialog can
// be watched or photographed while every field changes: a jittering test drive that waits
// before each block, with jitter correction on.
//
//   slow_read_progress [--sectors N] [--delay MS] [--jitter BYTES]
//
// Prints the final status when the dialog has closed; exit status 0 when it is 0.
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "document/ripwell_doc.h"
#include "extract/ui/progress_dlg.h"
#include "support/jitter_drive.h"
#include "support/read_run.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    long sectors = 3000;
    long delay = 150;
    long jitter = 588;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        long* target = arg == "--sectors" ? &sectors : arg == "--delay" ? &delay : arg == "--jitter" ? &jitter : nullptr;
        if (!target || i + 1 >= argc) {
            std::fprintf(stderr, "usage: slow_read_progress [--sectors N] [--delay MS] [--jitter BYTES]\n");
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
    JitterDrive drive('D', static_cast<uint32_t>(sectors) + 2 * FIRST);
    drive.SetRandomJitter(static_cast<uint32_t>(jitter), 7, true);
    drive.SetDelay(std::chrono::milliseconds(delay));
    const ReadOptions settings{'D', true, 2};

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
    return dialog.m_nStatus == 0 ? 0 : 1;
}
