// A notification server of the tests' own: it takes the name
// org.freedesktop.Notifications on the session bus and writes every
// notification it is sent as one JSON line to a file, as received.
//   notification_recorder FILE [--markup]
// With --markup it says it reads bodies as markup (the "body-markup"
// capability), as most desktop servers do. It prints "ready" once it holds
// the name, and serves until it is ended.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <cstdio>

namespace {

class Recorder final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

  public:
    Recorder(QString file, bool markup) : file_(std::move(file)), markup_(markup) {}

  public slots:
    QStringList GetCapabilities() {
        QStringList capabilities = {QStringLiteral("body")};
        if (markup_) {
            capabilities << QStringLiteral("body-markup");
        }
        return capabilities;
    }

    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion) {
        vendor = QStringLiteral("kestrova tests");
        version = QStringLiteral("1");
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("notification_recorder");
    }

    uint Notify(const QString& appName, uint replacesId, const QString& appIcon,
                const QString& summary, const QString& body, const QStringList& actions,
                const QVariantMap& hints, int expireTimeout) {
        QJsonObject record;
        record[QStringLiteral("app_name")] = appName;
        record[QStringLiteral("replaces_id")] = static_cast<int>(replacesId);
        record[QStringLiteral("app_icon")] = appIcon;
        record[QStringLiteral("summary")] = summary;
        record[QStringLiteral("body")] = body;
        record[QStringLiteral("actions")] = QJsonValue::fromVariant(actions);
        const QVariant urgency = hints.value(QStringLiteral("urgency"));
        // The type on the wire matters: servers read the urgency as a byte.
        record[QStringLiteral("urgency_type")] = QString::fromLatin1(urgency.typeName());
        record[QStringLiteral("urgency")] = urgency.toInt();
        record[QStringLiteral("desktop_entry")] =
            hints.value(QStringLiteral("desktop-entry")).toString();
        record[QStringLiteral("expire_timeout")] = expireTimeout;
        QFile out(file_);
        if (out.open(QIODevice::Append)) {
            out.write(QJsonDocument(record).toJson(QJsonDocument::Compact) + "\n");
        }
        return ++sent_;
    }

    void CloseNotification(uint) {}

  private:
    QString file_;
    bool markup_;
    uint sent_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 2) {
        std::fprintf(stderr, "usage: notification_recorder FILE [--markup]\n");
        return 2;
    }
    Recorder recorder(arguments.at(1), arguments.contains(QStringLiteral("--markup")));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &recorder,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fprintf(stderr, "notification_recorder: cannot serve on the session bus: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}

#include "NotificationRecorder.moc"
