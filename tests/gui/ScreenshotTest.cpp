// The program itself, run offscreen: --screenshot saves the window and ends
// without opening anything; a bad option is a usage error.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace kestrova {
namespace {

struct ProgramRun {
    int exitCode = -1;
    bool finished = false;
};

// Runs the program with a PATH whose xdg-open only leaves a mark, so that
// nothing the program opens reaches a browser and anything it opens shows.
ProgramRun RunProgram(const QStringList& arguments, const QTemporaryDir& dir) {
    const QString fakeOpener = dir.filePath(QStringLiteral("xdg-open"));
    QFile script(fakeOpener);
    if (!script.exists()) {
        script.open(QIODevice::WriteOnly);
        script.write(QByteArray("#!/bin/sh\necho \"$@\" >> '") +
                     dir.filePath(QStringLiteral("opened")).toUtf8() + "'\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("PATH"),
                       dir.path() + QLatin1Char(':') + environment.value(QStringLiteral("PATH")));
    environment.remove(QStringLiteral("KESTROVA_CONNECT_TO"));
    // Lookups are saved in the test's folder, never in the user's history.
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    environment.remove(QStringLiteral("KESTROVA_HISTORY"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KESTROVA_EXECUTABLE), arguments);
    ProgramRun run;
    run.finished = program.waitForFinished(60000);
    if (!run.finished) {
        program.kill();
        program.waitForFinished();
    }
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    return run;
}

TEST(Screenshot, SavesTheWindowAtItsClientSize) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("window.png"));
    const ProgramRun run = RunProgram({QStringLiteral("--screenshot"), file}, dir);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    const QImage shot(file, "PNG");
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(1009, 741));
    // The account field is black.
    EXPECT_EQ(shot.pixelColor(1 + 73 + 20, -5 + 16 + 12), QColor(Qt::black));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("opened"))));
}

TEST(Screenshot, DemoQueryIsShownInTheScreenshot) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString empty = dir.filePath(QStringLiteral("empty.png"));
    const QString queried = dir.filePath(QStringLiteral("queried.png"));
    ASSERT_EQ(RunProgram({QStringLiteral("--screenshot"), empty}, dir).exitCode, 0);
    const ProgramRun run =
        RunProgram({QStringLiteral("--demo"), QStringLiteral("--account"),
                    QStringLiteral("青禾手作坊"), QStringLiteral("--screenshot"), queried},
                   dir);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    const QImage before(empty, "PNG");
    const QImage after(queried, "PNG");
    ASSERT_EQ(after.size(), QSize(1009, 741));
    // The member facts area has changed: fields are filled.
    EXPECT_NE(before.copy(0, 80, 556, 350), after.copy(0, 80, 556, 350));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("opened"))));
}

TEST(Screenshot, EmptyAccountsMessageBoxDoesNotHoldUpTheScreenshot) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("window.png"));
    const ProgramRun run = RunProgram(
        {QStringLiteral("--account"), QString(), QStringLiteral("--screenshot"), file}, dir);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(QImage(file, "PNG").size(), QSize(1009, 741));
}

TEST(Screenshot, BadOptionsAreUsageErrors) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QStringList bad[] = {
        {QStringLiteral("--connect-to"), QStringLiteral("no-port-here")},
        {QStringLiteral("--connect-to"), QStringLiteral("127.0.0.1:70000")},
        {QStringLiteral("--no-such-option")},
        {QStringLiteral("stray")},
        {QStringLiteral("--demo"), QStringLiteral("--connect-to"), QStringLiteral("127.0.0.1:80")},
    };
    for (const QStringList& arguments : bad) {
        const ProgramRun run = RunProgram(arguments, dir);
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(QLatin1Char(' ')).toStdString();
    }
}

}  // namespace
}  // namespace kestrova
