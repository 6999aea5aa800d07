// kestrova-notify: sends one desktop notification for Kestrova's command line,
// which links no toolkit. Needs no display, only a session bus.
//   kestrova-notify [--urgency low|normal|critical] [--] SUMMARY [BODY]
// Exit status: 0 sent, 1 not sent (said in one line on standard error), 2 for
// a usage error.
#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

#include "shell/DesktopNotification.h"

namespace {

constexpr int kNotSent = 1;
constexpr int kUsageError = 2;

int UsageError(const QString& problem) {
    std::fprintf(stderr, "kestrova-notify: %s (see --help)\n", qPrintable(problem));
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace kestrova;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kestrova-notify"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTROVA_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Sends one desktop notification (freedesktop Notifications on the session bus) for "
        "kestrova-cli recheck --notify. The body is plain text."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption urgency(QStringLiteral("urgency"),
                                     QStringLiteral("low, normal (the default) or critical."),
                                     QStringLiteral("LEVEL"), QStringLiteral("normal"));
    parser.addOption(urgency);
    parser.addPositionalArgument(QStringLiteral("SUMMARY"), QStringLiteral("The headline."));
    parser.addPositionalArgument(QStringLiteral("BODY"), QStringLiteral("The text below it."),
                                 QStringLiteral("[BODY]"));
    if (!parser.parse(app.arguments())) {
        return UsageError(parser.errorText());
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    const QStringList words = parser.positionalArguments();
    if (words.isEmpty() || words.size() > 2) {
        return UsageError(QStringLiteral("wants SUMMARY and at most one BODY"));
    }
    DesktopNotification notification;
    notification.summary = words.at(0);
    notification.body = words.size() > 1 ? words.at(1) : QString();
    const QString level = parser.value(urgency);
    if (level == u"low") {
        notification.urgency = NotificationUrgency::kLow;
    } else if (level == u"critical") {
        notification.urgency = NotificationUrgency::kCritical;
    } else if (level != u"normal") {
        return UsageError(QStringLiteral("--urgency wants low, normal or critical"));
    }
    const std::optional<QString> problem = SendDesktopNotification(notification);
    if (problem) {
        std::fprintf(stderr, "kestrova-notify: warning: no desktop notification: %s\n",
                     qPrintable(*problem));
        return kNotSent;
    }
    return 0;
}
