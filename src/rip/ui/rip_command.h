// The Rip Disc command (32830): the "Rip Disc" dialog, then the rip behind its progress dialog,
// then the summary. The choices are kept in the settings for the next rip, and changed titles in
// the title file, where the track list finds them.
#pragma once

#include "base/app_settings.h"

class QWidget;

void OnRipDisc(AppSettings& settings, QWidget* parent);
