#include "app/ui/options_command.h"

#include <algorithm>

#include "app/external_apps.h"
#include "app/ui/options_dlg.h"
#include "base/app_settings.h"
#include "base/sounds.h"
#include "document/ui/ripwell_view.h"
#include "res/resource.h"

namespace {

constexpr uint8_t kMaxOverlappingSectors = 20;

} // namespace

OptionsOutcome OnOptions(AppSettings& settings, CRipwellView* view, QWidget* parent)
{
    OptionsOutcome outcome;
    // 1. and 2. The view is the display the colours are matched to; the AutoPlay key stays
    //    open while the dialog shows.
    platform::AutoPlayKey autoPlayKey;
    bool autoPlayDisabled = false;
    const bool autoPlayKeyOpened = ReadAutoPlayState(&autoPlayKey, &autoPlayDisabled);
    // 3.
    const bool showWaveHeaderBefore = settings.ShowWaveHeader != 0;
    // 4.
    const uint32_t textColor = view ? ColorRefFromColor(view->m_crText) : settings.Foreground;
    const uint32_t backColor = view ? ColorRefFromColor(view->m_crBack) : settings.Background;
    COptionsDlg dialog(view, parent);
    dialog.m_cDrive = settings.DefaultCDROMDrive;
    dialog.m_crForeground = textColor;
    dialog.m_crBackground = backColor;
    dialog.m_bSoundsOff = settings.PlayDialogSounds == 0;
    dialog.m_bShowWaveHeader = showWaveHeaderBefore;
    dialog.m_bJitterCorrection = settings.DoJitterCorrection != 0;
    dialog.m_strCDPlayer = settings.CDPlayer;
    dialog.m_strSoundRecorder = settings.SoundRecorder;
    dialog.m_bSaveOnExit = settings.SaveSettingsOnExit != 0;
    dialog.AutoPlayDisabled = autoPlayKeyOpened && autoPlayDisabled;
    dialog.m_nOverlap = settings.OverlappingSectors;
    // 5.
    if (dialog.DoModal() != res::IDOK)
        return outcome; // 7. the key closes as it goes
    outcome.confirmed = true;

    // 6.1 The general settings.
    settings.PlayDialogSounds = dialog.m_bSoundsOff ? 0 : 1;
    SetDialogSoundsEnabled(settings.PlayDialogSounds != 0);
    settings.ShowWaveHeader = dialog.m_bShowWaveHeader ? 1 : 0;
    settings.DefaultCDROMDrive = dialog.m_cDrive;
    settings.DoJitterCorrection = dialog.m_bJitterCorrection ? 1 : 0;
    settings.OverlappingSectors = std::min(dialog.m_nOverlap, kMaxOverlappingSectors);
    settings.SaveSettingsOnExit = dialog.m_bSaveOnExit ? 1 : 0;
    // 6.2 The AutoPlay switch, only when it could be opened and the user changed it.
    if (autoPlayKeyOpened && dialog.AutoPlayDisabled != autoPlayDisabled)
        WriteAutoPlayState(autoPlayKey, dialog.AutoPlayDisabled);
    // 6.3
    settings.CDPlayer = dialog.m_strCDPlayer;
    settings.SoundRecorder = dialog.m_strSoundRecorder;
    // 6.4 New colours go to the view, both of them.
    outcome.colorsChanged = dialog.m_crForeground != textColor || dialog.m_crBackground != backColor;
    if (view && outcome.colorsChanged) {
        view->m_crText = ColorFromColorRef(dialog.m_crForeground);
        view->m_crBack = ColorFromColorRef(dialog.m_crBackground);
    } else if (!view) {
        settings.Foreground = dialog.m_crForeground;
        settings.Background = dialog.m_crBackground;
    }
    // 6.5 A changed wave header switch makes the view lay itself out again (in the new colours,
    //     if any); new colours alone repaint the whole window, background included.
    outcome.layoutChanged = (settings.ShowWaveHeader != 0) != showWaveHeaderBefore;
    if (view) {
        if (outcome.colorsChanged)
            view->ApplyColors();
        if (outcome.layoutChanged)
            view->OnUpdate();
    }
    // 7.
    autoPlayKey.Close();
    return outcome;
}
