// Fetching a document over HTTP, as the rip needs for the AccurateRip database and the
// MusicBrainz web service: one GET with request headers, a deadline and a cancel flag, answered
// with the status and the body, or with the reason no answer came.
//
// A call waits for its answer on the calling thread (which runs an event loop of its own for
// it), so it belongs on a worker thread, never on the thread of the windows. The real backend is
// Qt Network; tests install a service of their own or serve files from 127.0.0.1.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

inline constexpr int DEFAULT_HTTP_TIMEOUT_MS = 15000;
inline constexpr uint64_t MAX_HTTP_BODY_BYTES = 16u << 20;

struct HttpRequest {
    std::string url;
    std::vector<std::pair<std::string, std::string>> headers; // name, value
    int timeoutMs = DEFAULT_HTTP_TIMEOUT_MS;                  // for the whole exchange
};

struct HttpResponse {
    bool answered = false; // the server answered with a status (of any kind)
    int status = 0;        // the HTTP status when answered
    std::string body;
    std::string error; // why there is no usable answer: no connection, time-out, cancel...
    bool cancelled = false;

    bool Ok() const { return answered && status == 200; }
};

class HttpService {
public:
    virtual ~HttpService() = default;
    virtual HttpResponse Get(const HttpRequest& request, const std::atomic<int32_t>* cancelFlag) = 0;
};

// One GET; cancelFlag (may be null) ends the wait when it becomes non-zero.
HttpResponse HttpGet(const HttpRequest& request, const std::atomic<int32_t>* cancelFlag = nullptr);

// Installs a service; nullptr goes back to the real one. The caller keeps ownership.
void SetHttpService(HttpService* service);

} // namespace platform
