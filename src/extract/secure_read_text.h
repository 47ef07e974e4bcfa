// What the user is told about a secure read: the mode text of each pass, and the message that
// follows a read with its two checksums and the positions no two reads agreed on.
#pragma once

#include <cstdint>
#include <string>

#include "extract/secure_read.h"

// "raw (test)", "raw (copy)", "raw (re-read)" for the pass of WM_READ_PASS.
std::string SecurePassText(uintptr_t pass);

// A sector as "mm:ss:ff (sector n)", minute, second and frame of the disc's time.
std::string SuspiciousPositionText(uint32_t sector);

// The message box text after a read that ended well: "Everything went OK." with the test and
// copy CRC-32 when every sector was proven; else the suspicious positions (the first
// MAX_LISTED_POSITIONS of them) with the checksums. Either with the count of samples beyond the
// disc that became silence, when there are any.
inline constexpr size_t MAX_LISTED_POSITIONS = 12;
std::string SecureReadMessage(const SecureReadReport& report);
