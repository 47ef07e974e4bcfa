// The calling thread's last error: the system error code that a failed platform operation
// leaves behind for GetLastError, as Win32 keeps it. Every operation of the platform layer that
// documents a last error sets it through SetLastError.
#pragma once

#include <cstdint>

namespace platform {

// System error codes kept by GetLastError.
inline constexpr uint32_t ERROR_SUCCESS = 0;
inline constexpr uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr uint32_t ERROR_NOT_READY = 21;
inline constexpr uint32_t ERROR_CRC = 23;
inline constexpr uint32_t ERROR_SECTOR_NOT_FOUND = 27;
inline constexpr uint32_t ERROR_READ_FAULT = 30;
inline constexpr uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr uint32_t ERROR_INSUFFICIENT_BUFFER = 122;

uint32_t GetLastError();
void SetLastError(uint32_t error);

} // namespace platform
