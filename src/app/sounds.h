// The dialog sounds: an error sound before error messages, a question sound before the Yes/No
// confirmations, a greeting before the About box. The three play operations do nothing when
// PlayDialogSounds is 0; StopSound always stops whatever sound plays (waveforms included).
#pragma once

void PlayErrorSound();
void PlayQuestionSound();
void PlayAboutSound();
void StopSound();
