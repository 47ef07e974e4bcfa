// Messages for the user from the layers that show no window of their own: a disc image that
// cannot be read, an entry of the drive list that was skipped. A notice is written to the
// standard error stream the first time it is posted and kept until the program shows the kept
// notices to the user: with the next drive error it shows, and at start-up.
#pragma once

#include <string>

namespace platform {

// Keeps a notice under a key; a later notice of the same key takes its place.
void PostUserNotice(const std::string& key, const std::string& text);

// Drops the notice of a key: the problem it told of is gone.
void WithdrawUserNotice(const std::string& key);

// The kept notices, oldest first, one to a line, and forgets them; empty when there is none.
std::string TakeUserNotices();

} // namespace platform
