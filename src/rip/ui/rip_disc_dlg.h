// CRipDiscDlg: the modal "Rip Disc" dialog (resource 180). It reads the disc of the chosen
// drive, lists its tracks with check boxes and their titles (editable), and offers the album,
// the folder and the file names, the format, secure mode and the read offset. "Look up in
// MusicBrainz" asks the web service on a thread of its own and fills the names when it answers.
// Rip checks the choices (a message names what is missing) and ends the dialog; the command
// then runs the rip with m_choices and m_layout.
#pragma once

#include <QDialog>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "base/app_settings.h"
#include "platform/cdrom/disc_layout.h"
#include "rip/disc_metadata.h"
#include "rip/rip_choices.h"

namespace Ui {
class RipDiscDlg;
}
class QTreeWidgetItem;

class CRipDiscDlg : public QDialog {
    Q_OBJECT
public:
    CRipDiscDlg(const AppSettings& settings, QWidget* parent = nullptr);
    ~CRipDiscDlg() override;

    // The disc and the choices: valid after the dialog ended with Rip.
    platform::DiscLayout m_layout;
    DiscMetadata m_metadataRead; // as the title file and CD-TEXT gave it, before any change
    RipChoices m_choices;

    // Reads the disc in the drive into the list (also when the drive is chosen).
    void LoadDisc(char drive);
    // Whether the last LoadDisc found a disc with tracks.
    bool HasDisc() const { return m_bHaveDisc; }

public slots:
    void accept() override;

private:
    void FillTrackList();
    void CollectChoices();
    void UpdateExample();
    void OnLookUp();
    void OnLookUpDone(bool found, const ReleaseInfo& release, const std::string& reason);
    void OnBrowse();

    const AppSettings& m_settings;
    std::unique_ptr<Ui::RipDiscDlg> m_ui;
    bool m_bHaveDisc = false;
    bool m_bFilling = false;
    std::thread m_lookup;
    std::atomic<int32_t> m_lookupCancel{0};
};

// "4:10" of a count of sectors, rounded as the track list rounds.
std::string TrackLengthText(uint32_t sectors);
