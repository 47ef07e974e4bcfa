// The Options command: shows COptionsDlg filled from the settings, the view's colours and the
// system's AutoPlay switch, and applies what the user confirmed with OK. Nothing changes on
// Cancel; the settings reach the settings file at shut-down, the AutoPlay switch at once.
#pragma once

struct AppSettings;
class CRipwellView;
class QWidget;

// What applying the dialog did to the view.
struct OptionsOutcome {
    bool confirmed = false;     // left with OK
    bool colorsChanged = false; // the view got new colours and repaints
    bool layoutChanged = false; // the wave header switch changed: the view recomputed its layout
};

// view: the data view, whose colours the dialog shows and changes (may be null).
OptionsOutcome OnOptions(AppSettings& settings, CRipwellView* view, QWidget* parent);
