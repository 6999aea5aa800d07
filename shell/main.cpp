// kestrova: the window. Options serve the demo and looking at the window:
//   --demo                 serve the sample marketplace in-process and query it
//   --demo-latency-ms N    hold each of its answers back N ms, to watch a lookup
//   --fast                 start every request as soon as its address is known
//   --connect-to HOST:PORT send every request to HOST:PORT over plain HTTP
//   --allow-private-network  also connect to loopback and private addresses
//   --account NAME         type NAME into the account field and run the query
//   --screenshot FILE.png  save the window as a picture and end
//   --startup-probe        print the milliseconds from the start of main to the
//                          window shown and painted, and end (for benchmarks)
//   --history PATH         save lookups in PATH (--no-history: nowhere)
//   --saved NAME           open with NAME's latest saved lookup, without the network
#include <QAbstractButton>
#include <QApplication>
#include <QCommandLineParser>
#include <QEvent>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include "lookup/LookupSession.h"
#include "marketplace/SampleMarketplace.h"
#include "shell/MainWindow.h"
#include "shell/QueryWorker.h"
#include "shell/SavingThread.h"
#include "shell/WindowHistory.h"
#include "text/Gbk.h"
#include "text/MemoryUse.h"
#include "text/TerminalText.h"
#include "web/Endpoints.h"
#include "web/NetworkGuard.h"

namespace {

constexpr int kUsageError = 2;

struct Options {
    bool demo = false;
    int demoLatencyMs = 0;
    bool fast = false;
    bool allowPrivateNetwork = false;
    std::optional<std::string> connectTo;
    std::optional<std::string> account;
    std::optional<QString> screenshot;
    bool startupProbe = false;
    kestrova::WindowHistoryOptions history;
};

std::optional<Options> ParseOptions(const QCoreApplication& app) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Looks up a Taobao member's public pages and shows what they say."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Query the built-in sample marketplace."));
    const QCommandLineOption demoLatency(
        QStringLiteral("demo-latency-ms"),
        QStringLiteral(
            "Hold each answer of the built-in sample marketplace back N ms (with --demo)."),
        QStringLiteral("N"));
    const QCommandLineOption fast(
        QStringLiteral("fast"),
        QStringLiteral("Send every request as soon as its address is known: the same results, "
                       "less waiting (also KESTROVA_FAST=1)."));
    const QCommandLineOption connectTo(
        QStringLiteral("connect-to"),
        QStringLiteral("Send every request to HOST:PORT over plain HTTP."),
        QStringLiteral("HOST:PORT"));
    const QCommandLineOption allowPrivateNetwork(
        QStringLiteral("allow-private-network"),
        QStringLiteral("Also connect to loopback and private network addresses (a marketplace "
                       "mirror on your own network; also KESTROVA_ALLOW_PRIVATE_NETWORK=1)."));
    const QCommandLineOption account(
        QStringLiteral("account"),
        QStringLiteral("Type NAME into the account field and run the query."),
        QStringLiteral("NAME"));
    const QCommandLineOption screenshot(
        QStringLiteral("screenshot"),
        QStringLiteral("Save the window (after the query, with --account) as a PNG and end."),
        QStringLiteral("FILE.png"));
    const QCommandLineOption startupProbe(
        QStringLiteral("startup-probe"),
        QStringLiteral("Print the milliseconds to the window shown and painted, and end."));
    const QCommandLineOption history(
        QStringLiteral("history"), QStringLiteral("Save lookups in PATH."), QStringLiteral("PATH"));
    const QCommandLineOption noHistory(QStringLiteral("no-history"),
                                       QStringLiteral("Do not save lookups."));
    const QCommandLineOption saved(
        QStringLiteral("saved"),
        QStringLiteral("Open with NAME's latest saved lookup, without the network."),
        QStringLiteral("NAME"));
    parser.addOptions({demo, demoLatency, fast, connectTo, allowPrivateNetwork, account, screenshot,
                       startupProbe, history, noHistory, saved});
    const bool parsed = parser.parse(app.arguments());
    // Asked for help or the version, the rest of the line does not matter.
    if (parser.isSet(QStringLiteral("help-all"))) {
        parser.process(app);  // the help with Qt's own options; ends the program
    }
    if (parser.isSet(QStringLiteral("help"))) {
        parser.showHelp(0);
    }
    if (parser.isSet(QStringLiteral("version"))) {
        parser.showVersion();
    }
    if (!parsed) {
        std::fprintf(stderr, "kestrova: %s\n", qPrintable(parser.errorText()));
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "kestrova: unexpected argument %s\n",
                     qPrintable(parser.positionalArguments().first()));
        return std::nullopt;
    }
    if (parser.isSet(demo) && parser.isSet(connectTo)) {
        std::fprintf(stderr, "kestrova: --demo and --connect-to exclude each other\n");
        return std::nullopt;
    }
    if ((parser.isSet(history) && parser.isSet(noHistory)) ||
        (parser.isSet(saved) && parser.isSet(account))) {
        std::fprintf(stderr,
                     "kestrova: --history and --no-history, --saved and --account exclude each "
                     "other\n");
        return std::nullopt;
    }
    Options options;
    options.demo = parser.isSet(demo);
    options.fast = parser.isSet(fast);
    options.allowPrivateNetwork = parser.isSet(allowPrivateNetwork);
    if (parser.isSet(demoLatency)) {
        bool number = false;
        options.demoLatencyMs = parser.value(demoLatency).toInt(&number);
        if (!number || options.demoLatencyMs < 0 || options.demoLatencyMs > 60000) {
            std::fprintf(stderr,
                         "kestrova: --demo-latency-ms wants milliseconds from 0 to 60000\n");
            return std::nullopt;
        }
        if (!options.demo) {
            std::fprintf(stderr,
                         "kestrova: --demo-latency-ms slows the built-in marketplace; "
                         "it needs --demo\n");
            return std::nullopt;
        }
    }
    if (parser.isSet(connectTo)) {
        options.connectTo = parser.value(connectTo).toStdString();
    }
    if (parser.isSet(account)) {
        options.account = parser.value(account).toStdString();
    }
    if (parser.isSet(screenshot)) {
        options.screenshot = parser.value(screenshot);
    }
    options.startupProbe = parser.isSet(startupProbe);
    if (parser.isSet(history)) {
        options.history.file = parser.value(history).toStdString();
    }
    options.history.off = parser.isSet(noHistory);
    if (parser.isSet(saved)) {
        options.history.saved = parser.value(saved).toStdString();
    }
    return options;
}

// --help and --version are answered before the window's application object
// exists: without a display (over ssh, in a package check) it would end the
// program before the answer.
bool AsksForHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help" || arg == "-v" || arg == "--version") {
            return true;
        }
    }
    return false;
}

// Reports, once the window's first paint has gone through, how long the start
// took, and ends the program.
class StartupProbe final : public QObject {
  public:
    explicit StartupProbe(std::chrono::steady_clock::time_point started) : started_(started) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !reported_) {
            reported_ = true;
            // Behind the paint that is under way, children included.
            QTimer::singleShot(0, this, [this] {
                const std::chrono::duration<double, std::milli> took =
                    std::chrono::steady_clock::now() - started_;
                std::printf("%.2f\n", took.count());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::chrono::steady_clock::time_point started_;
    bool reported_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    const auto started = std::chrono::steady_clock::now();
    using namespace kestrova;
    // A history growing past the user's file size limit (ulimit -f) is a
    // failed write the history reports, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
    KeepLargeBuffersOutOfTheHeap();
    QCoreApplication::setApplicationName(QStringLiteral("kestrova"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KESTROVA_VERSION));
    if (AsksForHelpOrVersion(argc, argv)) {
        const QCoreApplication core(argc, argv);
        if (!ParseOptions(core)) {
            return kUsageError;
        }
        // Only an option's value looked like one of them: on to the window.
    }
    QApplication app(argc, argv);

    const std::optional<Options> options = ParseOptions(app);
    if (!options) {
        return kUsageError;
    }

    if (options->allowPrivateNetwork) {
        SetPrivateNetworkAllowed(true);
    }
    std::unique_ptr<SampleMarketplace> marketplace;
    if (options->demo) {
        marketplace = std::make_unique<SampleMarketplace>(options->demoLatencyMs);
        const int port = marketplace->Start();
        if (port <= 0) {
            std::fprintf(stderr, "kestrova: the sample marketplace could not start\n");
            return 1;
        }
        SetConnectTo(ConnectTarget{"127.0.0.1", port});
    } else if (options->connectTo) {
        const std::optional<ConnectTarget> target = ParseConnectTarget(*options->connectTo);
        if (!target) {
            std::fprintf(stderr, "kestrova: --connect-to wants HOST:PORT, not %s\n",
                         options->connectTo->c_str());
            return kUsageError;
        }
        SetConnectTo(*target);
    }

    const std::unique_ptr<History> history = OpenWindowHistory(options->history);
    SavingThread saving(std::make_unique<LookupHistory>(
        SavesLookups(options->history) ? history.get() : nullptr, "kestrova"));
    MainWindow window({}, ChooseLookupMode(options->fast));
    window.SaveLookupsIn(&saving);
    window.KeepMarksIn(history.get());
    std::optional<Completeness> savedPages;
    if (!OpenSavedLookup(window.Fields(), history.get(), options->history, &savedPages)) {
        return 1;
    }
    if (savedPages) {
        window.ShowPagesNotGot(savedPages->missing);
    }
    if (options->history.saved) {
        window.ShowMarksFor(*options->history.saved);
    }
    StartupProbe probe(started);
    if (options->startupProbe) {
        window.installEventFilter(&probe);
    }
    window.ShowCentred();

    if (options->screenshot) {
        // Nobody is there to answer a message box (an empty --account gets
        // one): each is answered with its default button, and said on stderr.
        auto* answerer = new QTimer(&window);
        QObject::connect(answerer, &QTimer::timeout, answerer, [] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr || box->buttons().isEmpty()) {
                return;
            }
            std::fprintf(
                stderr, "kestrova: %s\n",
                TerminalText(
                    (box->windowTitle() + QStringLiteral(": ") + box->text()).toStdString())
                    .c_str());
            QAbstractButton* answer = box->defaultButton();
            (answer != nullptr ? answer : box->buttons().first())->click();
        });
        answerer->start(10);
    }

    const auto takeScreenshot = [&window, &options] {
        QCoreApplication::processEvents();
        if (!window.grab().save(*options->screenshot, "PNG")) {
            std::fprintf(stderr, "kestrova: cannot write %s\n", qPrintable(*options->screenshot));
            QCoreApplication::exit(1);
            return;
        }
        // Not a close by the user: the exit link stays shut.
        QCoreApplication::exit(0);
    };
    if (options->screenshot && options->account) {
        window.OnLookupFinished([takeScreenshot](const FinishedLookup& lookup) {
            if (lookup.outcome != LookupOutcome::Fault) {
                takeScreenshot();
            }
        });
    }
    if (options->account || options->screenshot) {
        QTimer::singleShot(0, &window, [&window, &options, takeScreenshot] {
            if (options->account) {
                window.Fields().WriteText(Ctl::编辑框1, Utf8ToGbk(*options->account));
                window.RunQuery();
            } else {
                takeScreenshot();
            }
        });
    }
    const int exitCode = app.exec();
    // Every lookup the window concluded is saved before the program ends.
    saving.Finish();
    if (QueryWorker::ThreadsStillRunning() > 0) {
        // A cancelled lookup's thread is still busy (a large picture being
        // re-encoded): the program ends without waiting for it, and without
        // tearing down what it may still touch.
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(exitCode);
    }
    return exitCode;
}
