// The terminal a command-line run talks to: whether an output stream is one (then a progress
// bar may be drawn on it), how wide it is, and Ctrl+C turned into a cancel request.
#pragma once

#include <atomic>
#include <cstdint>

namespace platform {

inline constexpr int STANDARD_OUTPUT = 1;
inline constexpr int STANDARD_ERROR = 2;

bool IsTerminal(int stream);
// Columns of the terminal on that stream; 80 when it does not say.
int TerminalColumns(int stream);

// From now on an interrupt (Ctrl+C) or a termination request sets the flag to 1 instead of
// ending the process; a second interrupt ends it at once.
void CancelOnInterrupt(std::atomic<int32_t>* flag);

} // namespace platform
