// A small HTTP server on 127.0.0.1 for tests, on a port the system chooses, answering GETs from
// a table of paths on a thread of its own. Besides files it can answer as broken servers do:
// with a body cut short of its Content-Length, or never (the connection is taken and left).
// Every connection is closed after one answer; the server stops when the object goes.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LocalHttpServer {
public:
    enum class Behaviour { Normal, Truncate, NeverAnswer };

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    bool Started() const { return m_listener >= 0; }
    // "http://127.0.0.1:PORT"
    std::string BaseUrl() const;

    // Serves body at path (anything not listed is a 404).
    void Serve(const std::string& path, const std::string& body, Behaviour behaviour = Behaviour::Normal);

    // The request lines and headers received, one string per request.
    std::vector<std::string> Requests();

private:
    void Loop();
    void Answer(int connection);

    int m_listener = -1;
    uint16_t m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    std::mutex m_mutex;
    std::map<std::string, std::pair<std::string, Behaviour>> m_files;
    std::vector<std::string> m_requests;
    std::vector<int> m_heldConnections; // of NeverAnswer, closed when the server stops
};
