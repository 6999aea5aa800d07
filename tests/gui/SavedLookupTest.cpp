// The window and the history: a lookup clicked in the window is saved as the
// window shows it; --saved opens a window with the same fields and pictures,
// the status bar saying when, and never touches the network.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

#include "GuiSupport.h"
#include "history/LookupHistory.h"
#include "lookup/Lookup.h"
#include "marketplace/Members.h"
#include "marketplace/SampleMarketplace.h"
#include "shell/PictureBox.h"
#include "shell/SavingThread.h"
#include "shell/StatusLine.h"
#include "shell/WindowHistory.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

using testing::OpenWindow;

SampleMarketplace& Market() {
    static SampleMarketplace market;
    static const int port = market.Start();
    SetConnectTo(ConnectTarget{"127.0.0.1", port});
    return market;
}

// What the window holds of every control, the status apart.
struct Held {
    std::vector<Text> texts;
    std::vector<Text> links;
    std::vector<ByteBuffer> pictures;
    friend bool operator==(const Held&, const Held&) = default;
};

Held HeldBy(const FieldStore& store) {
    Held held;
    for (const ControlDef& def : Controls()) {
        if (def.kind == ControlKind::EditBox || def.kind == ControlKind::Label ||
            def.kind == ControlKind::HyperLinker) {
            held.texts.push_back(store.ReadText(def.id));
        }
        if (def.kind == ControlKind::HyperLinker) {
            held.links.push_back(store.ReadLinkAddress(def.id));
        }
        if (def.kind == ControlKind::PicBox) {
            held.pictures.push_back(store.ReadPicture(def.id));
        }
    }
    return held;
}

// A click on 查 询, and the wait until the lookup it starts has ended.
void Click(MainWindow& window) {
    QTest::mouseClick(window.ControlAs<QPushButton>(Ctl::按钮1), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.LookupRunning(); }, 20000));
}

// The window's picture without its status bar, which says different things,
// and without a blinking caret.
QImage AboveTheStatusBar(MainWindow& window) {
    if (QWidget* focused = window.focusWidget()) {
        focused->clearFocus();
    }
    const QImage shot = window.grab().toImage();
    return shot.copy(0, 0, shot.width(), shot.height() - 22);
}

class EveryMemberInTheWindow : public ::testing::TestWithParam<std::size_t> {};

TEST_P(EveryMemberInTheWindow, IsSavedAndOpensAgainWithTheSameFieldsAndPictures) {
    Market().SetMoment(MarketMoment::kFirst);
    const std::string account = marketplace::Members()[GetParam()].account;
    QTemporaryDir dir;
    const std::filesystem::path file =
        dir.filePath(QStringLiteral("history.sqlite3")).toStdString();
    History history(file, kSavingLockWait);
    SavingThread saving(std::make_unique<LookupHistory>(&history, "test"));

    OpenWindow looked;
    looked.window.SaveLookupsIn(&saving);
    looked.window.Fields().WriteText(Ctl::编辑框1, Utf8ToGbk(account));
    Click(looked.window);
    saving.Finish();

    History saved(file);
    const auto lookups = saved.Recent(std::nullopt, 0);
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].account, account);
    const auto latest = saved.Latest(account);
    ASSERT_TRUE(latest);
    EXPECT_EQ(HeldBy(latest->fields), HeldBy(looked.window.Fields().Store()));
    EXPECT_EQ(latest->fields.StatusText(), looked.window.Fields().Store().StatusText());

    OpenWindow reopened;
    ShowSavedLookup(reopened.window.Fields(), *latest);
    EXPECT_EQ(HeldBy(reopened.window.Fields().Store()), HeldBy(looked.window.Fields().Store()));
    for (const ControlDef& def : Controls()) {
        if (def.kind == ControlKind::PicBox) {
            const auto* box = reopened.window.ControlAs<PictureBox>(def.id);
            const auto* original = looked.window.ControlAs<PictureBox>(def.id);
            EXPECT_EQ(box->Picture(), original->Picture()) << def.name;
        }
    }
    // Drawn alike, pictures and all; the button the first window was clicked
    // through draws no different once the click is over.
    EXPECT_EQ(AboveTheStatusBar(reopened.window), AboveTheStatusBar(looked.window));
    const QString status = reopened.window.ControlAs<StatusLine>(Ctl::状态条1)->Text();
    EXPECT_TRUE(status.contains(QStringLiteral("已保存的查询，查询时间：")))
        << status.toStdString();
    const std::string stop = marketplace::IntendedStatus(marketplace::Members()[GetParam()]);
    EXPECT_EQ(status.startsWith(QString::fromStdString(stop + "  ")), !stop.empty());
}

INSTANTIATE_TEST_SUITE_P(Members, EveryMemberInTheWindow,
                         ::testing::Range<std::size_t>(0, marketplace::Members().size()));

TEST(WindowHistory, SavesNothingForAnEmptyAccountOrARefusedClick) {
    Market().SetMoment(MarketMoment::kFirst);
    QTemporaryDir dir;
    const std::filesystem::path file =
        dir.filePath(QStringLiteral("history.sqlite3")).toStdString();
    History history(file, kSavingLockWait);
    SavingThread saving(std::make_unique<LookupHistory>(&history, "test"));
    OpenWindow open;
    MainWindow& window = open.window;
    window.SaveLookupsIn(&saving);

    const auto seen = testing::AnswerNextMessageBox();
    Click(window);
    ASSERT_TRUE(seen->seen);
    saving.Finish();
    EXPECT_FALSE(std::filesystem::exists(file));

    window.Fields().WriteText(Ctl::编辑框1, Gbk("walker.zhou"));
    QTest::mouseClick(window.ControlAs<QPushButton>(Ctl::按钮1), Qt::LeftButton);
    // A second click while the lookup runs is refused and saves nothing.
    EXPECT_FALSE(window.RunQuery());
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.LookupRunning(); }, 20000));
    saving.Finish();
    const auto lookups = History(file).Recent(std::nullopt, 0);
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].account, "walker.zhou");
    EXPECT_EQ(lookups[0].end, "verdicts");
    EXPECT_EQ(lookups[0].mode, "sequential");
    // The message box of the empty click was not this lookup's.
    EXPECT_FALSE(History(file).Load(lookups[0].id)->fields.LastMessageBox().has_value());
}

TEST(WindowHistory, ACancelledLookupIsSavedAsCancelledOnceTheProfileIsIn) {
    SampleMarketplace slow(150);
    SetConnectTo(ConnectTarget{"127.0.0.1", slow.Start()});
    QTemporaryDir dir;
    const std::filesystem::path file =
        dir.filePath(QStringLiteral("history.sqlite3")).toStdString();
    History history(file, kSavingLockWait);
    SavingThread saving(std::make_unique<LookupHistory>(&history, "test"));
    OpenWindow open;
    MainWindow& window = open.window;
    window.SaveLookupsIn(&saving);
    window.SetLookupMode(LookupMode::Fast);

    // Cancelled while the profile is still on its way: nothing of the member.
    window.Fields().WriteText(Ctl::编辑框1, Gbk("青禾手作坊"));
    ASSERT_TRUE(window.RunQuery());
    QTest::qWait(50);
    ASSERT_TRUE(window.CancelLookup());
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.LookupRunning(); }, 2000));
    saving.Finish();
    EXPECT_FALSE(std::filesystem::exists(file));

    // Cancelled after it: saved, as cancelled, with what the window held.
    ASSERT_TRUE(window.RunQuery());
    ASSERT_TRUE(QTest::qWaitFor(
        [&window] { return !window.Fields().Store().ReadText(Ctl::编辑框24).empty(); }, 5000));
    ASSERT_TRUE(window.CancelLookup());
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.LookupRunning(); }, 2000));
    saving.Finish();
    const auto lookups = History(file).Recent(std::nullopt, 0);
    ASSERT_EQ(lookups.size(), 1u);
    EXPECT_EQ(lookups[0].end, "cancelled");
    EXPECT_EQ(lookups[0].mode, "fast");
    const auto saved = History(file).Load(lookups[0].id);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->fields.ReadText(Ctl::编辑框24),
              window.Fields().Store().ReadText(Ctl::编辑框24));
    SetConnectTo(std::nullopt);
    Market();
}

// ---------------------------------------------------------------- the program

int RunKestrova(const QStringList& arguments, const QTemporaryDir& dir, int connectPort) {
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    environment.remove(QStringLiteral("KESTROVA_HISTORY"));
    environment.insert(QStringLiteral("KESTROVA_CONNECT_TO"),
                       QStringLiteral("127.0.0.1:%1").arg(connectPort));
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(KESTROVA_EXECUTABLE), arguments);
    if (!program.waitForFinished(60000)) {
        program.kill();
        program.waitForFinished();
        return -1;
    }
    return program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1;
}

TEST(SavedOption, OpensTheLatestLookupWithoutTheNetwork) {
    SampleMarketplace& market = Market();
    market.SetMoment(MarketMoment::kFirst);
    QTemporaryDir dir;
    const QString live = dir.filePath(QStringLiteral("live.png"));
    const QString reopened = dir.filePath(QStringLiteral("saved.png"));
    ASSERT_EQ(RunKestrova({QStringLiteral("--account"), QStringLiteral("书虫阿林"),
                           QStringLiteral("--screenshot"), live},
                          dir, market.Port()),
              0);
    market.ClearRequests();
    ASSERT_EQ(RunKestrova({QStringLiteral("--saved"), QStringLiteral("书虫阿林"),
                           QStringLiteral("--screenshot"), reopened},
                          dir, market.Port()),
              0);
    EXPECT_TRUE(market.Requests().empty());
    const QImage before(live, "PNG");
    const QImage after(reopened, "PNG");
    ASSERT_EQ(after.size(), QSize(1009, 741));
    EXPECT_EQ(after.copy(0, 0, 1009, 719), before.copy(0, 0, 1009, 719));
    EXPECT_NE(after, before);  // the status bar says when
}

TEST(SavedOption, FailsWithOneWhereThereIsNothingToOpen) {
    const int port = Market().Port();
    QTemporaryDir dir;
    const QString shot = dir.filePath(QStringLiteral("x.png"));
    EXPECT_EQ(RunKestrova({QStringLiteral("--saved"), QStringLiteral("nobody.here"),
                           QStringLiteral("--screenshot"), shot},
                          dir, port),
              1);
    const QString broken = dir.filePath(QStringLiteral("broken.sqlite3"));
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(5000, 'z'));
    file.close();
    EXPECT_EQ(
        RunKestrova({QStringLiteral("--saved"), QStringLiteral("nobody.here"),
                     QStringLiteral("--history"), broken, QStringLiteral("--screenshot"), shot},
                    dir, port),
        1);
    EXPECT_FALSE(QFile::exists(shot));
    EXPECT_EQ(RunKestrova({QStringLiteral("--saved"), QStringLiteral("a"),
                           QStringLiteral("--account"), QStringLiteral("a")},
                          dir, port),
              2);
    EXPECT_EQ(RunKestrova({QStringLiteral("--history"), broken, QStringLiteral("--no-history")},
                          dir, port),
              2);
}

}  // namespace
}  // namespace kestrova
