// The window's warning of pages a lookup did not get, against the sample
// marketplace's member whose rating lists answer 503: shown while and after
// the lookup with the pages, reasons and a word on the verdicts in its
// tooltip, gone for a complete lookup, shown again by --saved; the status
// bar's own text stays the query's throughout.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "GuiSupport.h"
#include "marketplace/SampleMarketplace.h"
#include "shell/StatusLine.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

using testing::OpenWindow;

const QString kBusy = QStringLiteral("人气茶馆");  // both rating lists answer 503
const QString kBuyer = QStringLiteral("书虫阿林");

// Red text of the warning's colour anywhere in the status bar's strip.
bool WarningDrawn(const QImage& shot) {
    const QImage strip =
        shot.copy(0, shot.height() - 22, shot.width(), 22).convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < strip.height(); ++y) {
        for (int x = 0; x < strip.width(); ++x) {
            const QColor c = strip.pixelColor(x, y);
            if (c.red() > 120 && c.green() < 60 && c.blue() < 60) {
                return true;
            }
        }
    }
    return false;
}

TEST(MissingPagesWindow, WarnsWhileAndAfterALookupWithMissingPagesAndNotForAComplete) {
    // Slow enough for the pages after the rating lists to keep the lookup going.
    SampleMarketplace market(40);
    SetConnectTo(ConnectTarget{"127.0.0.1", market.Start()});
    OpenWindow open;
    MainWindow& window = open.window;
    auto* status = window.ControlAs<StatusLine>(Ctl::状态条1);
    MissingPagesLabel* warning = status->Missing();

    window.Fields().WriteText(Ctl::编辑框1, Utf8ToGbk(kBusy.toStdString()));
    QTest::mouseClick(window.ControlAs<QPushButton>(Ctl::按钮1), Qt::LeftButton);
    bool shownWhileRunning = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            shownWhileRunning =
                shownWhileRunning || (warning->isVisible() && window.LookupRunning());
            return !window.LookupRunning();
        },
        20000));
    EXPECT_TRUE(shownWhileRunning);
    ASSERT_TRUE(warning->isVisible());
    EXPECT_EQ(warning->text(), QStringLiteral("2 页未取到"));
    const QString tip = warning->toolTip();
    for (const QString& part :
         {QStringLiteral("给出的评价：被市场拒绝：HTTP 503"),
          QStringLiteral("收到的评价：被市场拒绝：HTTP 503"), QStringLiteral("按零计算")}) {
        EXPECT_TRUE(tip.contains(part)) << tip.toStdString();
    }
    // The status bar says what the query wrote, nothing of the warning.
    EXPECT_EQ(status->Text(), testing::Utf8(window.Fields().Store().StatusText()));
    EXPECT_FALSE(status->Text().contains(QStringLiteral("页未取到")));
    EXPECT_TRUE(WarningDrawn(window.grab().toImage()));

    // The next lookup takes the warning away at its start; complete, it stays away.
    window.Fields().WriteText(Ctl::编辑框1, Utf8ToGbk(kBuyer.toStdString()));
    QTest::mouseClick(window.ControlAs<QPushButton>(Ctl::按钮1), Qt::LeftButton);
    EXPECT_FALSE(warning->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.LookupRunning(); }, 20000));
    EXPECT_FALSE(warning->isVisible());
    EXPECT_TRUE(warning->toolTip().isEmpty());
    EXPECT_FALSE(WarningDrawn(window.grab().toImage()));
    SetConnectTo(std::nullopt);
}

// The program as a user starts it: a lookup saved, then opened with --saved.
QImage Screenshot(const QStringList& arguments, const QTemporaryDir& dir, int port) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    environment.remove(QStringLiteral("KESTROVA_HISTORY"));
    environment.insert(QStringLiteral("KESTROVA_CONNECT_TO"),
                       QStringLiteral("127.0.0.1:%1").arg(port));
    program.setProcessEnvironment(environment);
    const QString shot = dir.filePath(QStringLiteral("shot.png"));
    QFile::remove(shot);
    program.start(QStringLiteral(KESTROVA_EXECUTABLE),
                  arguments + QStringList{QStringLiteral("--screenshot"), shot});
    EXPECT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
    return QImage(shot, "PNG");
}

TEST(MissingPagesWindow, SavedOpensWithTheWarningOfAnIncompleteLookupOnly) {
    SampleMarketplace market;
    const int port = market.Start();
    QTemporaryDir dir;
    for (const auto& [account, incomplete] : {std::pair{kBusy, true}, std::pair{kBuyer, false}}) {
        SCOPED_TRACE(account.toStdString());
        EXPECT_EQ(WarningDrawn(Screenshot({QStringLiteral("--account"), account}, dir, port)),
                  incomplete);
        market.ClearRequests();
        EXPECT_EQ(WarningDrawn(Screenshot({QStringLiteral("--saved"), account}, dir, port)),
                  incomplete);
        EXPECT_TRUE(market.Requests().empty());
    }
}

}  // namespace
}  // namespace kestrova
