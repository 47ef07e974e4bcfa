#include "platform/ui/portal_file_dialog.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QUrl>
#include <QVariantMap>

#include "platform/file_names.h"
#include "platform/ui/owner_window.h"
#include "platform/ui/portal_request.h"

namespace platform {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalFilterPattern& pattern)
{
    argument.beginStructure();
    argument << pattern.type << pattern.pattern;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalFilterPattern& pattern)
{
    argument.beginStructure();
    argument >> pattern.type >> pattern.pattern;
    argument.endStructure();
    return argument;
}

QDBusArgument& operator<<(QDBusArgument& argument, const PortalFilter& filter)
{
    argument.beginStructure();
    argument << filter.name << filter.patterns;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalFilter& filter)
{
    argument.beginStructure();
    argument >> filter.name >> filter.patterns;
    argument.endStructure();
    return argument;
}

namespace {

// A glob in which each letter matches both cases: "*.wav" gives "*.[wW][aA][vV]".
QString EitherCaseGlob(const QString& pattern)
{
    QString glob;
    for (QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper())
            glob += QStringLiteral("[%1%2]").arg(c.toLower(), c.toUpper());
        else
            glob += c;
    }
    return glob;
}

// How the portal names the window its dialog belongs to; empty where it cannot be named.
QString ParentWindowName()
{
    QWidget* owner = OwnerWindow();
    if (!owner || QGuiApplication::platformName() != QStringLiteral("xcb"))
        return {};
    return QStringLiteral("x11:%1").arg(owner->window()->winId(), 0, 16);
}

// The token of the next request, and the object path the portal gives such a request.
QString NextToken()
{
    static int counter = 0;
    return QStringLiteral("ripwell%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
}

QString RequestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService();
    sender.remove(0, sender.startsWith(u':') ? 1 : 0).replace(u'.', u'_');
    return QStringLiteral("%1/request/%2/%3").arg(QString::fromLatin1(PORTAL_PATH), sender, token);
}

QVariantMap RequestOptions(const framework::FileDialogRequest& request, const std::string& proposal,
                           const QString& token)
{
    QVariantMap options;
    options.insert(QStringLiteral("handle_token"), token);
    options.insert(QStringLiteral("modal"), true);
    const QList<PortalFilter> filters = PortalFilters(request.filters);
    if (!filters.isEmpty()) {
        options.insert(QStringLiteral("filters"), QVariant::fromValue(filters));
        options.insert(QStringLiteral("current_filter"), QVariant::fromValue(filters.first()));
    }
    const QFileInfo proposed(FileNameToQt(proposal));
    const size_t slash = proposal.rfind('/');
    if (slash != std::string::npos) {
        // A file name of the file system's own bytes, with its terminating zero; taken from the
        // proposal's bytes, since a folder name that is not valid text does not survive Qt.
        QByteArray folder(proposal.data(), static_cast<qsizetype>(slash == 0 ? 1 : slash));
        if (!folder.startsWith('/'))
            folder = QFile::encodeName(QDir::currentPath()) + '/' + folder;
        folder.append('\0');
        options.insert(QStringLiteral("current_folder"), folder);
    }
    if (request.openFileDialog)
        options.insert(QStringLiteral("multiple"), false);
    else if (!proposed.fileName().isEmpty())
        options.insert(QStringLiteral("current_name"), proposed.fileName());
    return options;
}

} // namespace

void RegisterPortalTypes()
{
    qDBusRegisterMetaType<PortalFilterPattern>();
    qDBusRegisterMetaType<QList<PortalFilterPattern>>();
    qDBusRegisterMetaType<PortalFilter>();
    qDBusRegisterMetaType<QList<PortalFilter>>();
}

bool PortalFileChooserAvailable()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QString service = QString::fromLatin1(PORTAL_SERVICE);
    if (bus.interface()->isServiceRegistered(service).value())
        return true;
    const QDBusReply<QStringList> activatable = bus.interface()->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(service);
}

QList<PortalFilter> PortalFilters(const std::vector<framework::FileFilter>& filters)
{
    QList<PortalFilter> portalFilters;
    for (const framework::FileFilter& filter : filters) {
        PortalFilter portalFilter;
        portalFilter.name = QString::fromStdString(filter.text);
        for (const QString& pattern : QString::fromStdString(filter.pattern).split(u';', Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            const QString glob = trimmed == QStringLiteral("*.*") ? QStringLiteral("*") : EitherCaseGlob(trimmed);
            portalFilter.patterns.append({0, glob});
        }
        if (portalFilter.patterns.isEmpty())
            portalFilter.patterns.append({0, QStringLiteral("*")});
        portalFilters.append(portalFilter);
    }
    return portalFilters;
}

PortalAnswer RunPortalFileDialog(const framework::FileDialogRequest& request, const std::string& proposal,
                                 std::string* fileName)
{
    RegisterPortalTypes();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return PortalAnswer::Failed;

    const QString parent = ParentWindowName();
    // The program's windows take no input while the portal's dialog is open: the caller waits
    // in a modal dialog that is never put on the screen, as Qt does for native dialogs.
    QDialog waiter(OwnerWindow());
    waiter.setObjectName("PortalFileDialogWaiter");
    waiter.setAttribute(Qt::WA_DontShowOnScreen);
    waiter.setWindowModality(Qt::ApplicationModal);

    PortalRequest portalRequest(bus, &waiter);
    const QString token = NextToken();
    // Listening before asking, so that an answer cannot come before anyone listens.
    portalRequest.Subscribe(RequestPath(bus, token));
    QDBusServiceWatcher gone(QString::fromLatin1(PORTAL_SERVICE), bus, QDBusServiceWatcher::WatchForUnregistration);
    QObject::connect(&gone, &QDBusServiceWatcher::serviceUnregistered, &portalRequest, &PortalRequest::Fail);

    QDBusMessage call = QDBusMessage::createMethodCall(PORTAL_SERVICE, PORTAL_PATH, PORTAL_FILE_CHOOSER,
                                                       request.openFileDialog ? QStringLiteral("OpenFile")
                                                                              : QStringLiteral("SaveFile"));
    call << parent << QString::fromStdString(request.title) << RequestOptions(request, proposal, token);
    QDBusPendingCallWatcher reply(bus.asyncCall(call));
    QObject::connect(&reply, &QDBusPendingCallWatcher::finished, &portalRequest, [&](QDBusPendingCallWatcher* done) {
        const QDBusPendingReply<QDBusObjectPath> path = *done;
        if (path.isError()) {
            portalRequest.Fail();
            return;
        }
        // A portal older than handle tokens names the request itself.
        if (path.value().path() != RequestPath(bus, token))
            portalRequest.Subscribe(path.value().path());
    });

    waiter.exec();
    if (portalRequest.Failed() || !portalRequest.Answered())
        return PortalAnswer::Failed;
    if (portalRequest.Response() != PORTAL_RESPONSE_SUCCESS)
        return portalRequest.Response() == PORTAL_RESPONSE_CANCELLED ? PortalAnswer::Cancelled : PortalAnswer::Failed;
    const QStringList uris = portalRequest.Results().value(QStringLiteral("uris")).toStringList();
    if (uris.isEmpty())
        return PortalAnswer::Cancelled;
    const QUrl chosen(uris.first());
    if (!chosen.isLocalFile())
        return PortalAnswer::Failed;
    *fileName = FileNameFromUrl(chosen);
    return PortalAnswer::Chosen;
}

} // namespace platform
