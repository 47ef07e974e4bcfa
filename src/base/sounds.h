// The dialog sounds: an error sound before error messages, a question sound before the Yes/No
// confirmations, a greeting before the About box. The three play operations do nothing while
// the dialog sounds are switched off (the PlayDialogSounds setting, which the application
// passes in at start-up and whenever it changes); StopSound always stops whatever sound plays
// (waveforms included).
#pragma once

void PlayErrorSound();
void PlayQuestionSound();
void PlayAboutSound();
void StopSound();

// On by default.
void SetDialogSoundsEnabled(bool enabled);
bool DialogSoundsEnabled();
