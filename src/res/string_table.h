// The program's string table: every numbered text of the program, by its string number.
#pragma once

#include <string>
#include <string_view>

namespace res {

// The text of string resource `id`, or an empty view when the table has no such string.
std::string_view LoadString(int id);

// Replaces "%1", "%2" ... of a framework message by the arguments, in the manner of
// AfxFormatString1/2.
std::string FormatMessageText(std::string_view pattern, std::string_view arg1, std::string_view arg2 = {});

// The first or the second line of a command's prompt string: the status-bar prompt and the
// tooltip. Empty when the command has no prompt or the prompt no second line.
std::string CommandPrompt(int commandId);
std::string CommandTooltip(int commandId);

} // namespace res
