#include "shell/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusSignature>
#include <QDBusUnixFileDescriptor>
#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

namespace kestrova {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

// The program's name, icon (in the icon theme) and desktop entry.
const QString kAppName = QStringLiteral("Kestrova");
const QString kAppIcon = QStringLiteral("kestrova");

QDBusMessage Call(const QString& method, const QVariantList& arguments, int timeoutMs) {
    QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
    message.setArguments(arguments);
    return QDBusConnection::sessionBus().call(message, QDBus::Block, timeoutMs);
}

QString Problem(const QDBusMessage& reply) {
    return reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage();
}

}  // namespace

QString EscapedForMarkup(const QString& plain) {
    QString escaped;
    escaped.reserve(plain.size());
    for (const QChar c : plain) {
        if (c == u'&') {
            escaped += QStringLiteral("&amp;");
        } else if (c == u'<') {
            escaped += QStringLiteral("&lt;");
        } else if (c == u'>') {
            escaped += QStringLiteral("&gt;");
        } else if (c == u'"') {
            escaped += QStringLiteral("&quot;");
        } else if (c == u'\'') {
            escaped += QStringLiteral("&#39;");
        } else {
            escaped += c;
        }
    }
    return escaped;
}

std::optional<QString> SendDesktopNotification(const DesktopNotification& notification,
                                               int timeoutMs) {
    // Qt registers the bus's own types lazily, and its bus thread may meet
    // one before this thread has registered it ("Trying to construct an
    // instance of an invalid type" on standard error): registered up front.
    qRegisterMetaType<QDBusVariant>();
    qRegisterMetaType<QDBusObjectPath>();
    qRegisterMetaType<QDBusSignature>();
    qRegisterMetaType<QDBusUnixFileDescriptor>();
    qRegisterMetaType<QDBusMessage>();
    qRegisterMetaType<QDBusError>();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return QStringLiteral("no session bus (%1)").arg(bus.lastError().message());
    }
    const QDBusMessage capabilities = Call(QStringLiteral("GetCapabilities"), {}, timeoutMs);
    if (capabilities.type() != QDBusMessage::ReplyMessage || capabilities.arguments().isEmpty()) {
        return QStringLiteral("no notification server on the session bus (%1)")
            .arg(Problem(capabilities));
    }
    const bool markup = capabilities.arguments().constFirst().toStringList().contains(
        QStringLiteral("body-markup"));

    QVariantMap hints;
    hints.insert(QStringLiteral("urgency"),
                 QVariant::fromValue(static_cast<uchar>(notification.urgency)));
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("kestrova"));
    const QDBusMessage sent =
        Call(QStringLiteral("Notify"),
             {kAppName, 0u, kAppIcon, notification.summary,
              markup ? EscapedForMarkup(notification.body) : notification.body, QStringList(),
              hints, -1},
             timeoutMs);
    if (sent.type() != QDBusMessage::ReplyMessage) {
        return QStringLiteral("the notification server refused it (%1)").arg(Problem(sent));
    }
    return std::nullopt;
}

}  // namespace kestrova
