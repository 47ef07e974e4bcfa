// The application's profile in the registry, as the framework keeps it: after
// SetRegistryKey("Brightmoor") every section lives under
// HKEY_CURRENT_USER\Software\Brightmoor\<application name>\<section>. Opening a section,
// for reading as for writing, creates its key and the keys above it.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// companyKey: "Brightmoor". The application name is the program's title, "Ripwell".
void SetRegistryKey(const std::string& companyKey);
// The key below HKEY_CURRENT_USER that holds the sections ("Software\Brightmoor\Ripwell").
std::string ProfileKeyPath();

// The four bytes stored under the entry; the default when the entry is missing, the profile
// key cannot be opened, or the value does not fit four bytes. Shorter values are zero-filled.
uint32_t GetProfileInt(const std::string& section, const std::string& entry, uint32_t defaultValue);
std::string GetProfileString(const std::string& section, const std::string& entry,
                             const std::string& defaultValue = {});
// Return whether the value was written.
bool WriteProfileInt(const std::string& section, const std::string& entry, uint32_t value);
bool WriteProfileString(const std::string& section, const std::string& entry, const std::string& value);
// Removes the entry; true when it is gone afterwards.
bool DeleteProfileValue(const std::string& section, const std::string& entry);

} // namespace platform
