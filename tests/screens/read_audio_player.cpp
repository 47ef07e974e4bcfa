// Shows the "Read CD digital audio" dialog on a drive, chooses a track and plays it, so that the
// player can be watched or photographed while the playing time, the sector and the slider
// move; after a while it opens the track's properties box.
//
//   read_audio_player [--drive LETTER] [--track N] [--properties-after SECONDS]
//
// The drive is one of the drive table (without a CD-ROM drive, D: is the demo disc); the sound
// goes to the sound server that PULSE_SERVER names. Ends when the dialog is closed.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ui/dialog_data.h"
#include "player/ui/read_audio_dlg.h"
#include "res/resource.h"

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    char drive = 'D';
    long track = 1;
    long propertiesAfter = 6;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--drive")
            drive = argv[i + 1][0];
        else if (arg == "--track")
            track = std::strtol(argv[i + 1], nullptr, 10);
        else if (arg == "--properties-after")
            propertiesAfter = std::strtol(argv[i + 1], nullptr, 10);
        else {
            std::fprintf(stderr, "usage: read_audio_player [--drive LETTER] [--track N] [--properties-after S]\n");
            return 2;
        }
    }

    CReadAudioDlg dialog;
    dialog.m_chDrive = drive;
    dialog.m_nFirstSeconds = 3;
    dialog.m_nLastSeconds = 3;
    QTimer::singleShot(500, [&] {
        auto* list = GetDlgControl<QTreeWidget>(dialog.Window(), res::read_audio::IDC_TRACK_LIST);
        QTreeWidgetItem* row = list ? list->topLevelItem(int(track) - 1) : nullptr;
        if (!row) {
            std::fprintf(stderr, "read_audio_player: drive %c: has no track %ld\n", drive, track);
            return;
        }
        row->setSelected(true);
        dialog.OnTrackClicked();
        GetDlgControl<QPushButton>(dialog.Window(), res::read_audio::IDC_PLAY)->click();
    });
    QTimer::singleShot(int(propertiesAfter * 1000), [&] {
        if (dialog.PrepareListMenu())
            dialog.OnCommand(res::ID_TRACK_PROPERTIES);
    });
    dialog.DoModal();
    return 0;
}
