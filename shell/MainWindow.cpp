#include "shell/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <chrono>

#include "assets/Assets.h"
#include "form/DesignPictures.h"
#include "lookup/Lookup.h"
#include "shell/AccountCompleter.h"
#include "shell/AccountMarks.h"
#include "shell/ExitLink.h"
#include "shell/Looks.h"
#include "shell/MessageBox.h"
#include "shell/SavingThread.h"
#include "shell/StatusLine.h"
#include "shell/TitleClock.h"
#include "shell/WindowIcon.h"
#include "text/Gbk.h"
#include "text/RuntimeFault.h"

namespace kestrova {
namespace {

// Minimise and close boxes, no maximise box.
constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

QWidget& Prepared(QWidget& window) {
    window.setWindowFlags(kWindowFlags);
    window.setFixedSize(kClientWidth, kClientHeight);
    // The whole application's font, not only the window's: a widget with a
    // style sheet takes its font from the application.
    QApplication::setFont(DefaultGuiFont());
    window.setFont(DefaultGuiFont());
    window.setAutoFillBackground(true);  // the palette's window colour: button face
    return window;
}

}  // namespace

MainWindow::MainWindow(QueryRunner runner, LookupMode mode)
    : QWidget(nullptr),
      controls_(BuildControls(Prepared(*this))),
      fields_(*this, controls_),
      worker_(*this, fields_, std::move(runner),
              QueryWorker::Hooks{
                  [this](const LookupProgress& progress) {
                      if (auto* status = ControlAs<StatusLine>(Ctl::状态条1)) {
                          status->ShowProgress(progress.finished, progress.expected);
                      }
                  },
                  [this](const FinishedLookup& lookup) { Finished(lookup); },
                  [this](const std::vector<MissingPage>& missing) { ShowPagesNotGot(missing); }}) {
    worker_.SetMode(mode);
    setWindowIcon(MainWindowIcon());
    WriteDesignPictures(fields_, DesignPictures{assets::ToByteBuffer(assets::GoodRatingIcon()),
                                                assets::ToByteBuffer(assets::NeutralRatingIcon()),
                                                assets::ToByteBuffer(assets::BadRatingIcon())});

    connect(ControlAs<QPushButton>(Ctl::按钮1), &QPushButton::clicked, this,
            [this] { RunQuery(); });
    auto* clock = ControlAs<QTimer>(Ctl::时钟1);
    connect(clock, &QTimer::timeout, this, [this] { TitleRoutine(fields_); });
    clock->start();
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, [this] { CancelLookup(); });
}

// The worker goes before the fields it writes into; a lookup still running
// is cancelled, and nothing waits for its thread.
MainWindow::~MainWindow() = default;

void MainWindow::KeepMarksIn(History* history) {
    auto* account = ControlAs<QLineEdit>(Ctl::编辑框1);
    auto* status = ControlAs<StatusLine>(Ctl::状态条1);
    marks_ = std::make_unique<AccountMarks>(*this, *account, *status, history);
    completer_ = std::make_unique<AccountCompleter>(*account, history);
}

void MainWindow::ShowMarksFor(const std::string& account) {
    if (marks_) {
        marks_->ShowFor(account);
    }
}

QObject* MainWindow::ControlObject(Ctl control) const {
    return controls_.at(static_cast<std::size_t>(control));
}

void MainWindow::ShowCentred() {
    const QScreen* screen =
        this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        // The design's outer size, frame and title bar included; kept on the
        // screen so that the title bar can always be reached.
        const QRect available = screen->availableGeometry();
        const int left = available.left() + (available.width() - kWindowOuterWidth) / 2;
        const int top = available.top() + (available.height() - kWindowOuterHeight) / 2;
        move(std::max(left, available.left()), std::max(top, available.top()));
    }
    // Until the clock's first tick the title is empty, but a window system is
    // handed the application's name for an empty title: a blank stands in on
    // the native window until then.
    if (windowTitle().isEmpty()) {
        create();
        windowHandle()->setTitle(QStringLiteral(" "));
    }
    show();
}

bool MainWindow::RunQuery() {
    if (!worker_.Start(fields_.Store())) {
        return false;
    }
    ShowMarksFor(GbkToUtf8(fields_.Store().ReadText(Ctl::编辑框1)));
    ShowPagesNotGot({});
    return true;
}

void MainWindow::ShowPagesNotGot(const std::vector<MissingPage>& missing) {
    if (auto* status = ControlAs<StatusLine>(Ctl::状态条1)) {
        status->Missing()->ShowMissing(missing);
    }
}

bool MainWindow::CancelLookup() {
    const std::optional<FinishedLookup> cancelled = worker_.Cancel();
    if (!cancelled) {
        return false;
    }
    fields_.StatusBarSetText(0, Gbk(kCancelledStatus));
    if (auto* status = ControlAs<StatusLine>(Ctl::状态条1)) {
        status->HideProgress();
    }
    Conclude(*cancelled);
    return true;
}

void MainWindow::OnLookupFinished(std::function<void(const FinishedLookup&)> callback) {
    onFinished_ = std::move(callback);
}

void MainWindow::Finished(const FinishedLookup& lookup) {
    if (auto* status = ControlAs<StatusLine>(Ctl::状态条1)) {
        status->HideProgress();
    }
    if (lookup.outcome == LookupOutcome::Fault && lookup.fault) {
        fields_.MessageBox(lookup.fault->BoxText(), kMbIconError, Gbk("信息："));
        QCoreApplication::exit(kRuntimeFaultExitCode);
    }
    Conclude(lookup);
}

void MainWindow::Conclude(const FinishedLookup& lookup) {
    // Saved once the profile's answer was in: a lookup stopped before it, or
    // at the input check, has nothing of the member to keep. What is saved is
    // what the window shows: after a cancel, what had reached it.
    if (completer_ && lookup.outcome != LookupOutcome::Fault && lookup.pastProfile) {
        completer_->LookedUp(QString::fromStdString(GbkToUtf8(lookup.account)));
    }
    if (saving_ != nullptr && lookup.outcome != LookupOutcome::Fault && lookup.pastProfile) {
        saving_->Save(SavedWindowLookup{.fields = fields_.Store(),
                                        .account = GbkToUtf8(lookup.account),
                                        .started = lookup.started,
                                        .ended = lookup.ended,
                                        .mode = LookupModeName(lookup.mode),
                                        .cancelled = lookup.outcome == LookupOutcome::Cancelled,
                                        .messageBoxesBefore = lookup.messageBoxesBefore,
                                        .pages = lookup.pages});
    }
    if (onFinished_) {
        onFinished_(lookup);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A lookup that has just ended gets its last writes and its save; one
    // still running is cancelled and saved as far as it got. Nothing waits
    // for a worker that is busy.
    worker_.Flush();
    CancelLookup();
    ExitLinkRoutine();
    event->accept();
}

}  // namespace kestrova
