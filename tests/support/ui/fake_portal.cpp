#include "support/ui/fake_portal.h"

#include <QTimer>

#include "platform/ui/portal_file_dialog.h"

FakePortal::FakePortal(const QString& busAddress)
    : m_bus(QDBusConnection::connectToBus(busAddress, QStringLiteral("fake-portal")))
{
    platform::RegisterPortalTypes();
    m_registered = m_bus.isConnected() &&
        m_bus.registerObject(platform::PORTAL_PATH, this, QDBusConnection::ExportAllSlots) &&
        m_bus.registerService(platform::PORTAL_SERVICE);
}

FakePortal::~FakePortal()
{
    Quit();
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
}

void FakePortal::Quit()
{
    if (!m_registered)
        return;
    m_bus.unregisterService(platform::PORTAL_SERVICE);
    m_bus.unregisterObject(platform::PORTAL_PATH);
    m_registered = false;
}

QDBusObjectPath FakePortal::OpenFile(const QString& parentWindow, const QString& title, const QVariantMap& options,
                                     const QDBusMessage& message)
{
    return Handle(QStringLiteral("OpenFile"), parentWindow, title, options, message);
}

QDBusObjectPath FakePortal::SaveFile(const QString& parentWindow, const QString& title, const QVariantMap& options,
                                     const QDBusMessage& message)
{
    return Handle(QStringLiteral("SaveFile"), parentWindow, title, options, message);
}

QDBusObjectPath FakePortal::Handle(const QString& method, const QString& parentWindow, const QString& title,
                                   const QVariantMap& options, const QDBusMessage& message)
{
    m_calls.append({method, parentWindow, title, options});
    QString sender = message.service();
    sender.remove(0, 1).replace(u'.', u'_');
    const QString path = QStringLiteral("%1/request/%2/%3")
                             .arg(QString::fromLatin1(platform::PORTAL_PATH), sender,
                                  options.value(QStringLiteral("handle_token")).toString());
    Answer answer{1, {}};
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    // The dialog "closes" after the reply has gone.
    QTimer::singleShot(0, this, [this, path, answer] {
        QDBusMessage response = QDBusMessage::createSignal(path, platform::PORTAL_REQUEST, QStringLiteral("Response"));
        QVariantMap results;
        if (!answer.uri.isEmpty())
            results.insert(QStringLiteral("uris"), QStringList{answer.uri});
        response << answer.response << results;
        m_bus.send(response);
    });
    return QDBusObjectPath(path);
}
