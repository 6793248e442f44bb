#include "app/desktop_notification.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>

namespace korvel {

namespace {

constexpr int kCallTimeoutMs = 3000; // a service that does not answer must not hold a scheduled run

// Without an address and without the bus socket of the user's runtime directory,
// asking for the session bus would only try to start one.
bool SessionBusConfigured() {
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

} // namespace

bool SendDesktopNotification(const QString& summary, const QString& body) {
    if (!SessionBusConfigured())
        return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("urgency"), QVariant::fromValue<uchar>(2)}}; // critical
    call << QStringLiteral("Korvel") << 0u << QStringLiteral("dialog-error") << summary << body
         << QStringList() << hints << -1;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

void AlertFailedScheduledRun(const QString& taskName, const QString& error) {
    const QString summary =
        QCoreApplication::translate("korvel::Alerts", "The scheduled backup \"%1\" failed").arg(taskName);
    std::fprintf(stderr, "Korvel: %s: %s\n", qPrintable(summary), qPrintable(error));
    std::fflush(stderr);
    SendDesktopNotification(summary, error);
}

} // namespace korvel
