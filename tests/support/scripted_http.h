// An HTTP service for tests that answers from a table of URLs and records every request with
// the time it came, installed for the object's lifetime. A URL not in the table has no answer
// (as with no network).
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/http.h"

class ScriptedHttp : public platform::HttpService {
public:
    struct Call {
        platform::HttpRequest request;
        std::chrono::steady_clock::time_point when;
    };

    ScriptedHttp() { platform::SetHttpService(this); }
    ~ScriptedHttp() override { platform::SetHttpService(nullptr); }
    ScriptedHttp(const ScriptedHttp&) = delete;
    ScriptedHttp& operator=(const ScriptedHttp&) = delete;

    void Answer(const std::string& url, int status, const std::string& body)
    {
        std::lock_guard lock(m_mutex);
        m_answers[url] = {status, body};
    }

    platform::HttpResponse Get(const platform::HttpRequest& request, const std::atomic<int32_t>*) override
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back({request, std::chrono::steady_clock::now()});
        platform::HttpResponse response;
        const auto it = m_answers.find(request.url);
        if (it == m_answers.end()) {
            response.error = "no network";
            return response;
        }
        response.answered = true;
        response.status = it->second.first;
        response.body = it->second.second;
        if (response.status != 200)
            response.error = "HTTP " + std::to_string(response.status);
        return response;
    }

    std::vector<Call> Calls()
    {
        std::lock_guard lock(m_mutex);
        return m_calls;
    }

private:
    std::mutex m_mutex;
    std::map<std::string, std::pair<int, std::string>> m_answers;
    std::vector<Call> m_calls;
};
