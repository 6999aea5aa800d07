// A click on 查 询: the empty-input message box, a second click while a query
// runs, and a run-time fault out of the query.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <atomic>
#include <optional>

#include "GuiSupport.h"
#include "assets/Assets.h"
#include "lookup/Lookup.h"
#include "marketplace/SampleMarketplace.h"
#include "shell/PictureBox.h"
#include "shell/StatusLine.h"
#include "text/Gbk.h"
#include "text/RuntimeFault.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

using testing::AnswerNextMessageBox;
using testing::OpenWindow;
using testing::Utf8;

// Everything the window shows, as the store holds it.
struct Snapshot {
    std::vector<Text> texts;
    std::vector<Text> links;
    std::vector<ByteBuffer> pictures;
    Text status;
    Text title;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Take(const FieldStore& store) {
    Snapshot s;
    for (const ControlDef& def : Controls()) {
        switch (def.kind) {
            case ControlKind::EditBox:
            case ControlKind::Label:
                s.texts.push_back(store.ReadText(def.id));
                break;
            case ControlKind::HyperLinker:
                s.texts.push_back(store.ReadText(def.id));
                s.links.push_back(store.ReadLinkAddress(def.id));
                break;
            case ControlKind::PicBox:
                s.pictures.push_back(store.ReadPicture(def.id));
                break;
            default:
                break;
        }
    }
    s.status = store.StatusText();
    s.title = store.Title();
    return s;
}

QPushButton* QueryButton(const MainWindow& window) {
    return window.ControlAs<QPushButton>(Ctl::按钮1);
}

TEST(QueryButton, EmptyAccountShowsTheMessageBoxAndChangesNothing) {
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    // What an earlier query left behind.
    fields.WriteText(Ctl::编辑框3, Gbk("卖家为主"));
    fields.WriteText(Ctl::标签38, Gbk("大大的良民."));
    fields.WriteLinkAddress(Ctl::超级链接框1, "http://shop.example.com/");
    fields.WritePicture(Ctl::图片框5, assets::ToByteBuffer(assets::TickPicture()));
    fields.StatusBarSetText(0, Gbk("该账号被查封!"));
    const Snapshot before = Take(fields.Store());

    const auto seen = AnswerNextMessageBox();
    QTest::mouseClick(QueryButton(open.window), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !open.window.LookupRunning(); }, 10000));

    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->text, QStringLiteral("请添写淘宝帐号."));
    EXPECT_EQ(seen->title, QStringLiteral("提 示："));
    EXPECT_EQ(seen->icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen->buttons.size(), 1);
    Snapshot after = Take(fields.Store());
    EXPECT_EQ(after, before);
    EXPECT_FALSE(open.window.ControlAs<PictureBox>(Ctl::图片框5)->Picture().isNull());
    EXPECT_EQ(open.window.ControlAs<QLineEdit>(Ctl::编辑框3)->text(), QStringLiteral("卖家为主"));
    // Nothing of that run holds the next click back.
    const auto again = AnswerNextMessageBox();
    EXPECT_TRUE(open.window.RunQuery());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !open.window.LookupRunning(); }, 10000));
    EXPECT_TRUE(again->seen);
}

TEST(QueryButton, ClickWhileALookupRunsIsRefusedAndTheRunCompletes) {
    SampleMarketplace market(150);
    const int port = market.Start();
    ASSERT_GT(port, 0);
    SetConnectTo(ConnectTarget{"127.0.0.1", port});
    std::atomic<int> runs{0};
    OpenWindow open([&](Window& window, QueryState& state) {
        ++runs;
        QueryRoutine(window, state);
    });
    testing::Type(open.window.ControlAs<QLineEdit>(Ctl::编辑框1), QStringLiteral("青禾手作坊"));

    QTest::mouseClick(QueryButton(open.window), Qt::LeftButton);
    ASSERT_TRUE(open.window.LookupRunning());
    QTest::qWait(200);
    QTest::mouseClick(QueryButton(open.window), Qt::LeftButton);
    EXPECT_FALSE(open.window.RunQuery());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !open.window.LookupRunning(); }, 20000));
    SetConnectTo(std::nullopt);

    EXPECT_EQ(runs, 1);
    const FieldStore& store = open.window.Fields().Store();
    EXPECT_EQ(store.MessageBoxCount(), 0);
    EXPECT_TRUE(store.StatusText().empty());
    EXPECT_EQ(store.ReadText(Ctl::编辑框3), Gbk("卖家为主"));
    EXPECT_EQ(store.ReadText(Ctl::编辑框4), "102345678");
    EXPECT_FALSE(store.ReadText(Ctl::标签38).empty());
    EXPECT_EQ(Utf8(store.ReadText(Ctl::编辑框4)),
              open.window.ControlAs<QLineEdit>(Ctl::编辑框4)->text());
}

TEST(QueryButton, RuntimeFaultShowsItsBoxAndEndsTheProgramWithAnError) {
    const RuntimeFault fault(1, Gbk("数组成员引用下标超出定义范围"));
    OpenWindow open([&fault](Window&, QueryState&) { throw fault; });
    testing::Type(open.window.ControlAs<QLineEdit>(Ctl::编辑框1), QStringLiteral("路过的云"));

    const auto seen = AnswerNextMessageBox();
    QTimer::singleShot(0, &open.window,
                       [&open] { QTest::mouseClick(QueryButton(open.window), Qt::LeftButton); });
    // Should the fault not end the loop, the test fails instead of hanging.
    QTimer failsafe;
    failsafe.setSingleShot(true);
    QObject::connect(&failsafe, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    failsafe.start(10000);
    // The application's own loop: the program's exit code is what it returns.
    const int exitCode = QApplication::exec();

    EXPECT_EQ(exitCode, kRuntimeFaultExitCode);
    ASSERT_TRUE(seen->seen);
    EXPECT_EQ(seen->text, Utf8(fault.BoxText()));
    EXPECT_EQ(seen->icon, QMessageBox::Critical);
    EXPECT_TRUE(seen->text.contains(QStringLiteral("数组成员引用下标超出定义范围")));
}

}  // namespace
}  // namespace kestrova
