#include "support/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace {

constexpr int kPollMs = 20;

void SendAll(int connection, const std::string& text)
{
    size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = send(connection, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

} // namespace

LocalHttpServer::LocalHttpServer()
{
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0)
        return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(m_listener, 16) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(m_listener);
        m_listener = -1;
        return;
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Loop(); });
}

LocalHttpServer::~LocalHttpServer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    for (int connection : m_heldConnections)
        close(connection);
    if (m_listener >= 0)
        close(m_listener);
}

std::string LocalHttpServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(m_port); }

void LocalHttpServer::Serve(const std::string& path, const std::string& body, Behaviour behaviour)
{
    std::lock_guard lock(m_mutex);
    m_files[path] = {body, behaviour};
}

std::vector<std::string> LocalHttpServer::Requests()
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void LocalHttpServer::Loop()
{
    while (!m_stop) {
        pollfd listener{m_listener, POLLIN, 0};
        if (poll(&listener, 1, kPollMs) <= 0)
            continue;
        const int connection = accept(m_listener, nullptr, nullptr);
        if (connection >= 0)
            Answer(connection);
    }
}

void LocalHttpServer::Answer(int connection)
{
    // Read the request head (up to the blank line), waiting no longer than the server lives.
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && !m_stop) {
        pollfd in{connection, POLLIN, 0};
        if (poll(&in, 1, kPollMs) <= 0)
            continue;
        const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        head.append(buffer, static_cast<size_t>(n));
    }
    const size_t space = head.find(' ');
    const size_t secondSpace = head.find(' ', space + 1);
    const std::string path =
        space == std::string::npos ? std::string() : head.substr(space + 1, secondSpace - space - 1);
    std::pair<std::string, Behaviour> file;
    bool found = false;
    {
        std::lock_guard lock(m_mutex);
        m_requests.push_back(head);
        if (auto it = m_files.find(path); it != m_files.end()) {
            file = it->second;
            found = true;
        }
    }
    if (found && file.second == Behaviour::NeverAnswer) {
        std::lock_guard lock(m_mutex);
        m_heldConnections.push_back(connection);
        return;
    }
    if (!found) {
        SendAll(connection, "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nnot found");
    } else {
        const std::string& body = file.first;
        std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
            std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
        answer += file.second == Behaviour::Truncate ? body.substr(0, body.size() / 2) : body;
        SendAll(connection, answer);
    }
    shutdown(connection, SHUT_RDWR);
    close(connection);
}
