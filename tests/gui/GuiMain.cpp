// The GUI tests share one QApplication on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "shell/Opener.h"

int main(int argc, char** argv) {
    // Test discovery runs this without the test's environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // No test ever reaches the desktop's browser; tests that look at what is
    // opened install a recorder of their own.
    kestrova::InstallOpener({});
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
