// kestrova's --version and --help: answered without a display, since the
// window's application object would end the program before them; an option
// value that merely looks like --help still starts the window.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <ostream>

namespace kestrova {
namespace {

struct Answer {
    int exitCode = -1;
    QString out;
};

enum class Display { None, Offscreen };

Answer RunKestrova(const QStringList& arguments, Display display) {
    // The lookups these runs make go into a history of their own, never the user's.
    static const QTemporaryDir data;
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
    environment.remove(QStringLiteral("KESTROVA_HISTORY"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("KESTROVA_CONNECT_TO"));
    // xcb with no display to connect to: what an ssh session without X has.
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), display == Display::None
                                                              ? QStringLiteral("xcb")
                                                              : QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KESTROVA_EXECUTABLE), arguments);
    Answer answer;
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
        return answer;
    }
    answer.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
    answer.out = QString::fromUtf8(program.readAllStandardOutput());
    return answer;
}

struct AnswerCase {
    QStringList arguments;
    const char* printed;  // expected in standard output
};

void PrintTo(const AnswerCase& c, std::ostream* os) {
    *os << c.arguments.join(' ').toStdString();
}

class AnsweredWithoutDisplay : public ::testing::TestWithParam<AnswerCase> {};

TEST_P(AnsweredWithoutDisplay, PrintsAndExitsWithZero) {
    const Answer answer = RunKestrova(GetParam().arguments, Display::None);
    EXPECT_EQ(answer.exitCode, 0) << GetParam().arguments.join(' ').toStdString();
    EXPECT_TRUE(answer.out.contains(QString::fromUtf8(GetParam().printed)))
        << answer.out.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Program, AnsweredWithoutDisplay,
    ::testing::Values(AnswerCase{{"--version"}, "kestrova " KESTROVA_VERSION "\n"},
                      AnswerCase{{"-v"}, "kestrova " KESTROVA_VERSION "\n"},
                      AnswerCase{{"--help"}, "--connect-to <HOST:PORT>"},
                      AnswerCase{{"-h"}, "--screenshot <FILE.png>"},
                      // Asked for help, the rest of the line does not matter.
                      AnswerCase{{"--no-such-option", "--help"}, "--demo"},
                      AnswerCase{{"--demo", "--connect-to", "x", "--version"}, KESTROVA_VERSION}));

TEST(Program, VersionIsExactlyNameAndVersion) {
    EXPECT_EQ(RunKestrova({"--version"}, Display::None).out, "kestrova " KESTROVA_VERSION "\n");
}

TEST(Program, OnlyTheWholeOptionNameAsksForTheVersion) {
    // Not answered early, so it needs the window's platform to be refused.
    const Answer answer = RunKestrova({"--versio"}, Display::Offscreen);
    EXPECT_EQ(answer.exitCode, 2);
    EXPECT_FALSE(answer.out.contains(QStringLiteral(KESTROVA_VERSION)));
}

TEST(Program, AnAccountNamedLikeHelpStillOpensTheWindow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("window.png"));
    const Answer answer =
        RunKestrova({"--account", "--help", "--demo", "--screenshot", file}, Display::Offscreen);
    EXPECT_EQ(answer.exitCode, 0);
    EXPECT_EQ(QImage(file, "PNG").size(), QSize(1009, 741));
}

}  // namespace
}  // namespace kestrova
