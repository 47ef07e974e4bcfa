// Start-up and shut-down of the settings, in the order the application object runs them:
//
//   if (!CheckOperatingSystem()) return failure;    // 1. nothing touched yet, no window
//   InitRegistry();                                  // 2. SetRegistryKey("Brightmoor")
//   framework::LoadRecentFileList();                 // 3. the four recent files
//   LoadSettings(settings);                          // 4. the application's record; the
//                                                    //    application keeps SaveSettingsOnExit
//                                                    //    as it was loaded
//   ... document template, command line, message loop; the frame and the view are destroyed
//   (the view writes its colours into the record) ...
//   SaveSettings(settings, saveOnExitAtStart);       // written only as the user asked
//   framework::SaveRecentFileList(list);             // always written
#pragma once

#include "base/app_settings.h"
#include "platform/version.h"

#include <cstdint>
#include <string>

// The name of a system outside the NT family, for the warning; empty when it is not known.
std::string DescribeOperatingSystem(const platform::OSVERSIONINFOA& version);

// True when start-up may go on: on the NT family at once; otherwise after the user said Yes to
// the warning. False without a message when the system cannot even be asked.
bool CheckOperatingSystem();

// Settings live under HKEY_CURRENT_USER\Software\Brightmoor\Ripwell.
void InitRegistry();
// The same with the key name given, as the application object writes it.
void SetRegistryKey(const char* companyKey);

// Reads every setting into the record, with defaults for missing values, a stored drive that is
// no CD-ROM drive replaced by the first one, the overlap limited to 20, ReadIntoRAM held at 1.
void LoadSettings(AppSettings& settings);

// The shut-down writing: SaveSettingsOnExit when it differs from its value at start-up, then
// everything else when it is on.
void SaveSettings(const AppSettings& settings, int32_t saveSettingsOnExitAtStart);
