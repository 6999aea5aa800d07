// The GUI tests share one QApplication on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>

#include "GuiSupport.h"
#include "shell/Opener.h"
#include "shell/QueryWorker.h"

namespace {

// Times the UI thread's own work for every queued call, when a test asks.
class TestApplication final : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* event) override {
        if (event->type() != QEvent::MetaCall) {
            return QApplication::notify(receiver, event);
        }
        const double before = kestrova::testing::ThreadCpuMs();
        const bool handled = QApplication::notify(receiver, event);
        kestrova::testing::QueuedCallCpu::Note(kestrova::testing::ThreadCpuMs() - before);
        return handled;
    }
};

}  // namespace

int main(int argc, char** argv) {
    // Test discovery runs this without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TestApplication app(argc, argv);
    // No test ever reaches the desktop's browser; tests that look at what is
    // opened install a recorder of their own.
    kestrova::InstallOpener({});
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // A cancelled lookup's thread may still finish a picture: the process
    // ends after it, not under it.
    for (int i = 0; i < 600 && kestrova::QueryWorker::ThreadsStillRunning() > 0; ++i) {
        QThread::msleep(50);
    }
    return result;
}
