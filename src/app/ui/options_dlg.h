// COptionsDlg: the modal "Options" dialog (resource 135). A tab control selects one of three
// groups of controls that share one area: "Common" (drive, sounds, wave header, jitter
// correction with its overlap, saving on exit), "Colors" (a sample of the hex dump in the two
// colours and the buttons that choose them) and "Applications" (the CD player and sound
// recorder names, the AutoPlay switch, "Reset"). The Options command fills the fields, shows the
// dialog and applies the fields when the user leaves it with OK.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include <QDialog>

namespace Ui {
class OptionsDlg;
}

class COptionsDlg : public QDialog {
    Q_OBJECT
public:
    // colorDevice: the window whose display the chosen colours are matched to (may be null).
    explicit COptionsDlg(QWidget* colorDevice = nullptr, QWidget* parent = nullptr);
    ~COptionsDlg() override;

    // Moves the fields into the controls, sets the dialog up and shows it; IDOK or IDCANCEL.
    int DoModal();

    // The fields (colours as 0x00BBGGRR). A fresh dialog has every boolean 0, both strings
    // empty and overlap 1.
    uint8_t m_cDrive = 0;
    uint32_t m_crForeground = 0;
    uint32_t m_crBackground = 0;
    bool m_bSoundsOff = false;
    bool m_bShowWaveHeader = false;
    bool m_bJitterCorrection = false;
    std::string m_strCDPlayer;
    std::string m_strSoundRecorder;
    bool m_bSaveOnExit = false;
    bool AutoPlayDisabled = false;
    uint8_t m_nOverlap = 1;

    int CurrentTab() const;
    // The three groups of controls, by tab index.
    QWidget* Group(int tab) const;

    // The buttons' handlers.
    void OnJitterCorrection();
    void OnForeground();
    void OnBackground();
    void OnReset();

public slots:
    // Takes the fields from the controls; stays open when the overlap is not 1 to 20.
    void accept() override;
    // Takes the drive letter from the drive list, however the dialog ends.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void FillDriveList();
    void ShowGroup(int tab);
    // The colour chooser; true and the chosen colour (matched to the display) on OK.
    bool ChooseColor(uint32_t* color);
    void PaintColorSample(QWidget* sample);

    std::unique_ptr<Ui::OptionsDlg> m_ui;
    QWidget* m_pColorDevice;
};

// The colour the display of device shows for a 0x00BBGGRR colour: the colour itself on a
// display of 24 bits or more, else the colour with the bits the display lacks cleared.
uint32_t NearestDisplayColor(const QWidget* device, uint32_t colorRef);

// The nine lines of the colour sample: "The quick brown fox jumps over the lazy dog" and two
// zero bytes, five bytes a line in upper-case hex.
extern const char* const COLOR_SAMPLE_LINES[9];
