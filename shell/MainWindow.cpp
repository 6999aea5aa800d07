#include "shell/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "assets/Assets.h"
#include "form/DesignPictures.h"
#include "history/LookupHistory.h"
#include "lookup/Lookup.h"
#include "shell/ExitLink.h"
#include "shell/Looks.h"
#include "shell/MessageBox.h"
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

MainWindow::MainWindow(QueryState& state, QueryRunner runner)
    : QWidget(nullptr),
      controls_(BuildControls(Prepared(*this))),
      fields_(*this, controls_),
      state_(state),
      runner_(runner ? std::move(runner) : QueryRunner(QueryRoutine)) {
    setWindowIcon(MainWindowIcon());
    WriteDesignPictures(fields_, DesignPictures{assets::ToByteBuffer(assets::GoodRatingIcon()),
                                                assets::ToByteBuffer(assets::NeutralRatingIcon()),
                                                assets::ToByteBuffer(assets::BadRatingIcon())});

    connect(ControlAs<QPushButton>(Ctl::按钮1), &QPushButton::clicked, this,
            [this] { RunQuery(); });
    auto* clock = ControlAs<QTimer>(Ctl::时钟1);
    connect(clock, &QTimer::timeout, this, [this] { TitleRoutine(fields_); });
    clock->start();
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
    show();
}

bool MainWindow::RunQuery() {
    // A click while a query runs is refused by the query: no lookup of its own.
    const bool refused = state_.running;
    const Text account = fields_.Store().ReadText(Ctl::编辑框1);
    const int messageBoxes = fields_.Store().MessageBoxCount();
    const auto started = std::chrono::system_clock::now();
    try {
        runner_(fields_, state_);
    } catch (const RuntimeFault& fault) {
        fields_.MessageBox(fault.BoxText(), kMbIconError, Gbk("信息："));
        QCoreApplication::exit(kRuntimeFaultExitCode);
        return false;
    }
    if (history_ != nullptr && !refused) {
        history_->Save(LookupRecord{.fields = fields_.Store(),
                                    .account = GbkToUtf8(account),
                                    .started = started,
                                    .ended = std::chrono::system_clock::now(),
                                    .messageBoxesBefore = messageBoxes});
    }
    return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    ExitLinkRoutine();
    event->accept();
}

}  // namespace kestrova
