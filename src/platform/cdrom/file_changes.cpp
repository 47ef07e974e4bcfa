#include "platform/cdrom/file_changes.h"

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <set>

namespace platform::cdrom {

namespace {

constexpr uint32_t EVENTS = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO | IN_CREATE |
    IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF;

// A file as a folder and a name in it, as the reports name it.
struct Place {
    std::string folder;
    std::string name;
    bool operator<(const Place& other) const
    {
        return folder != other.folder ? folder < other.folder : name < other.name;
    }
};

class Watcher {
public:
    uint64_t Watch(const std::vector<std::string>& paths)
    {
        std::lock_guard lock(m_mutex);
        if (m_fd < 0 && !m_failed) {
            m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
            m_failed = m_fd < 0;
        }
        if (m_fd < 0)
            return 0;
        Drain(); // reports of earlier changes must not count against the new token
        std::vector<Place> places;
        for (const std::string& path : paths) {
            struct stat info;
            // A change of a link's target is reported in the target's folder, not here.
            if (lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode))
                return 0;
            const size_t slash = path.find_last_of('/');
            Place place{slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash),
                        slash == std::string::npos ? path : path.substr(slash + 1)};
            if (!WatchFolder(place.folder))
                return 0;
            places.push_back(place);
        }
        const uint64_t token = ++m_lastToken;
        m_changed[token] = false;
        for (const Place& place : places)
            m_tokensOf[place].insert(token);
        m_placesOf[token] = places;
        return token;
    }

    bool Changed(uint64_t token)
    {
        std::lock_guard lock(m_mutex);
        Drain();
        const auto found = m_changed.find(token);
        return found == m_changed.end() || found->second;
    }

    void Forget(uint64_t token)
    {
        std::lock_guard lock(m_mutex);
        for (const Place& place : m_placesOf[token]) {
            auto tokens = m_tokensOf.find(place);
            if (tokens != m_tokensOf.end()) {
                tokens->second.erase(token);
                if (tokens->second.empty())
                    m_tokensOf.erase(tokens);
            }
        }
        m_placesOf.erase(token);
        m_changed.erase(token);
    }

private:
    bool WatchFolder(const std::string& folder)
    {
        if (m_watchOf.count(folder))
            return true;
        const int wd = inotify_add_watch(m_fd, folder.c_str(), EVENTS);
        if (wd < 0)
            return false;
        m_watchOf[folder] = wd;
        m_foldersOf[wd].insert(folder);
        return true;
    }

    void MarkFolder(const std::string& folder)
    {
        for (auto& [place, tokens] : m_tokensOf)
            if (place.folder == folder)
                for (uint64_t token : tokens)
                    m_changed[token] = true;
    }

    // Reads every report that has come and marks the tokens whose files they name.
    void Drain()
    {
        alignas(inotify_event) char buffer[16384];
        for (;;) {
            const ssize_t got = read(m_fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->mask & IN_Q_OVERFLOW) { // reports were lost: anything may have changed
                    for (auto& [token, changed] : m_changed)
                        changed = true;
                    continue;
                }
                const auto folders = m_foldersOf.find(event->wd);
                if (folders == m_foldersOf.end())
                    continue;
                if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
                    for (const std::string& folder : folders->second) {
                        MarkFolder(folder);
                        m_watchOf.erase(folder);
                    }
                    m_foldersOf.erase(folders);
                    continue;
                }
                if (event->len == 0)
                    continue;
                for (const std::string& folder : folders->second) {
                    const auto tokens = m_tokensOf.find(Place{folder, event->name});
                    if (tokens != m_tokensOf.end())
                        for (uint64_t token : tokens->second)
                            m_changed[token] = true;
                }
            }
        }
    }

    std::mutex m_mutex;
    int m_fd = -1;
    bool m_failed = false;
    uint64_t m_lastToken = 0;
    std::map<std::string, int> m_watchOf;
    std::map<int, std::set<std::string>> m_foldersOf;
    std::map<Place, std::set<uint64_t>> m_tokensOf;
    std::map<uint64_t, std::vector<Place>> m_placesOf;
    std::map<uint64_t, bool> m_changed;
};

// Never destroyed: kept images let go of their tokens as late as the end of the program.
Watcher& TheWatcher()
{
    static Watcher* const watcher = new Watcher;
    return *watcher;
}

} // namespace

uint64_t WatchFiles(const std::vector<std::string>& paths) { return TheWatcher().Watch(paths); }

bool FilesChanged(uint64_t token) { return TheWatcher().Changed(token); }

void ForgetFiles(uint64_t token) { TheWatcher().Forget(token); }

} // namespace platform::cdrom
