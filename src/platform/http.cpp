#include "platform/http.h"

#include <QByteArray>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

#include <cstdio>

namespace platform {
namespace {

constexpr int kCancelPollMs = 50;

std::atomic<HttpService*> g_service{nullptr};

std::string FormatSeconds(int milliseconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", milliseconds / 1000.0);
    return text;
}

// Qt Network on the calling thread: a manager and an event loop of the call's own, so that any
// thread (with the application object alive) may fetch without touching the windows' thread.
class QtHttpService : public HttpService {
public:
    HttpResponse Get(const HttpRequest& request, const std::atomic<int32_t>* cancelFlag) override
    {
        HttpResponse response;
        const QUrl url(QString::fromStdString(request.url), QUrl::StrictMode);
        if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https"))) {
            response.error = "not an http address: " + request.url;
            return response;
        }
        QNetworkAccessManager manager;
        QNetworkRequest networkRequest(url);
        for (const auto& [name, value] : request.headers)
            networkRequest.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
        networkRequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                                    QNetworkRequest::NoLessSafeRedirectPolicy);
        QNetworkReply* reply = manager.get(networkRequest);

        QEventLoop loop;
        bool timedOut = false;
        bool tooLarge = false;
        QTimer deadline;
        deadline.setSingleShot(true);
        QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
            timedOut = true;
            reply->abort();
        });
        QTimer cancelPoll;
        QObject::connect(&cancelPoll, &QTimer::timeout, &loop, [&] {
            if (cancelFlag && cancelFlag->load() != 0) {
                response.cancelled = true;
                reply->abort();
            }
        });
        QObject::connect(reply, &QNetworkReply::downloadProgress, &loop, [&](qint64 received, qint64) {
            if (static_cast<uint64_t>(received) > MAX_HTTP_BODY_BYTES) {
                tooLarge = true;
                reply->abort();
            }
        });
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        deadline.start(request.timeoutMs);
        cancelPoll.start(kCancelPollMs);
        if (!reply->isFinished())
            loop.exec();

        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        // Errors below 100 are the connection's (refused, closed early, unknown host): whatever
        // status came before them, the body is not whole.
        const bool connectionFailed = reply->error() != QNetworkReply::NoError && reply->error() < 100;
        if (timedOut)
            response.error = "no answer within " + FormatSeconds(request.timeoutMs) + " s";
        else if (response.cancelled)
            response.error = "cancelled";
        else if (tooLarge)
            response.error = "the answer is larger than " + std::to_string(MAX_HTTP_BODY_BYTES) + " bytes";
        else if (status.isValid() && !connectionFailed) {
            response.answered = true;
            response.status = status.toInt();
            const QByteArray body = reply->readAll();
            response.body.assign(body.constData(), static_cast<size_t>(body.size()));
            if (response.status != 200)
                response.error = "HTTP " + std::to_string(response.status);
        } else
            response.error = reply->errorString().toStdString();
        reply->deleteLater();
        return response;
    }
};

} // namespace

HttpResponse HttpGet(const HttpRequest& request, const std::atomic<int32_t>* cancelFlag)
{
    static QtHttpService real;
    HttpService* service = g_service;
    return (service ? *service : real).Get(request, cancelFlag);
}

void SetHttpService(HttpService* service) { g_service = service; }

} // namespace platform
