// The read offset a drive is read with, and the secure reading options the settings give.
//
// A drive that names its model has an offset of its own, kept per model in DriveReadOffsets;
// any other drive is read with ReadOffset.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "extract/secure_read.h"

struct AppSettings;

// "MODEL=OFFSET;..." to a table and back; entries that are not "name=integer" are dropped.
std::map<std::string, int32_t> ParseDriveReadOffsets(const std::string& text);
std::string FormatDriveReadOffsets(const std::map<std::string, int32_t>& offsets);

// The offset for a drive of this model (empty: it names none), within -5000..5000.
int32_t ReadOffsetFor(const AppSettings& settings, const std::string& model);
// Keeps the offset for the model, or as ReadOffset when the model is empty.
void StoreReadOffset(AppSettings& settings, const std::string& model, int32_t offset);

// The engine's options for a read of a drive of this model.
SecureReadOptions SecureReadOptionsFor(const AppSettings& settings, const std::string& model);
