#include "platform/user_notices.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace platform {

namespace {

std::mutex g_mutex;
std::vector<std::pair<std::string, std::string>> g_notices; // key and text, oldest first
std::set<std::string> g_written;                            // texts already on stderr

} // namespace

void PostUserNotice(const std::string& key, const std::string& text)
{
    std::lock_guard lock(g_mutex);
    if (g_written.insert(text).second)
        std::fprintf(stderr, "Ripwell: %s\n", text.c_str());
    auto found =
        std::find_if(g_notices.begin(), g_notices.end(), [&](const auto& notice) { return notice.first == key; });
    if (found != g_notices.end())
        found->second = text;
    else
        g_notices.emplace_back(key, text);
}

void WithdrawUserNotice(const std::string& key)
{
    std::lock_guard lock(g_mutex);
    g_notices.erase(
        std::remove_if(g_notices.begin(), g_notices.end(), [&](const auto& notice) { return notice.first == key; }),
        g_notices.end());
}

std::string TakeUserNotices()
{
    std::lock_guard lock(g_mutex);
    std::string text;
    for (const auto& notice : g_notices)
        text += (text.empty() ? "" : "\n") + notice.second;
    g_notices.clear();
    return text;
}

} // namespace platform
