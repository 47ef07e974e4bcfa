// A desktop portal's file chooser for tests, on a bus of the test's own (PrivateSessionBus):
// every OpenFile and SaveFile call is recorded and answered from a queue, with the Response
// signal on the request's object path as the real portal sends it (an empty queue cancels).
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <deque>

class FakePortal : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.FileChooser")
public:
    struct Call {
        QString method;
        QString parentWindow;
        QString title;
        QVariantMap options;
    };

    explicit FakePortal(const QString& busAddress);
    ~FakePortal() override;

    // Owns org.freedesktop.portal.Desktop on the bus.
    bool Registered() const { return m_registered; }
    // Takes the name off the bus, as a portal that ends.
    void Quit();

    // The next answer: response 0 with the chosen file, 1 cancelled, 2 any other end.
    void AnswerNext(uint response, const QString& uri = {}) { m_answers.push_back({response, uri}); }
    const QList<Call>& Calls() const { return m_calls; }

public slots:
    QDBusObjectPath OpenFile(const QString& parentWindow, const QString& title, const QVariantMap& options,
                             const QDBusMessage& message);
    QDBusObjectPath SaveFile(const QString& parentWindow, const QString& title, const QVariantMap& options,
                             const QDBusMessage& message);

private:
    struct Answer {
        uint response;
        QString uri;
    };
    QDBusObjectPath Handle(const QString& method, const QString& parentWindow, const QString& title,
                           const QVariantMap& options, const QDBusMessage& message);

    QDBusConnection m_bus;
    bool m_registered = false;
    std::deque<Answer> m_answers;
    QList<Call> m_calls;
};
