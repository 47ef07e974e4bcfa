// One request to the desktop portal, waited for: the method's reply (the request's object
// path), then the request's Response signal. It ends the hidden modal dialog the caller waits
// in. Used by portal_file_dialog.cpp only.
#pragma once

#include <QDBusConnection>
#include <QDialog>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include "platform/ui/portal_file_dialog.h"

namespace platform {

// The response codes of a portal request (any other code is some other end).
inline constexpr uint PORTAL_RESPONSE_SUCCESS = 0;
inline constexpr uint PORTAL_RESPONSE_CANCELLED = 1;

class PortalRequest : public QObject {
    Q_OBJECT
public:
    PortalRequest(QDBusConnection bus, QDialog* waiter) : m_bus(std::move(bus)), m_waiter(waiter) {}
    ~PortalRequest() override { Unsubscribe(); }

    void Subscribe(const QString& path)
    {
        Unsubscribe();
        m_path = path;
        m_bus.connect(PORTAL_SERVICE, m_path, PORTAL_REQUEST, QStringLiteral("Response"), this,
                      SLOT(OnResponse(uint, QVariantMap)));
    }

    void Fail()
    {
        m_failed = true;
        m_waiter->done(0);
    }

    bool Failed() const { return m_failed; }
    bool Answered() const { return m_answered; }
    uint Response() const { return m_response; }
    const QVariantMap& Results() const { return m_results; }

public slots:
    void OnResponse(uint response, const QVariantMap& results)
    {
        m_answered = true;
        m_response = response;
        m_results = results;
        m_waiter->done(0);
    }

private:
    void Unsubscribe()
    {
        if (!m_path.isEmpty())
            m_bus.disconnect(PORTAL_SERVICE, m_path, PORTAL_REQUEST, QStringLiteral("Response"), this,
                             SLOT(OnResponse(uint, QVariantMap)));
        m_path.clear();
    }

    QDBusConnection m_bus;
    QDialog* m_waiter;
    QString m_path;
    bool m_failed = false;
    bool m_answered = false;
    uint m_response = PORTAL_RESPONSE_CANCELLED;
    QVariantMap m_results;
};

} // namespace platform
