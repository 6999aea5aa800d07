// Marks, notes and the account's completion in the window, offscreen: the
// account field's context menu with its section, the dialogs it opens, the
// label in the status bar and its tooltip, and the names the field offers,
// the member looked up last first.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest/QTest>

#include "GuiSupport.h"
#include "history/History.h"
#include "history/LookupHistory.h"
#include "marketplace/SampleMarketplace.h"
#include "shell/AccountCompleter.h"
#include "shell/AccountMarks.h"
#include "shell/SavingThread.h"
#include "shell/StatusLine.h"
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

void Click(MainWindow& window) {
    QTest::mouseClick(window.ControlAs<QPushButton>(Ctl::按钮1), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&window] { return !window.LookupRunning(); }, 20000));
}

// Answers the dialogs that open while it lives, in order: a text to accept,
// or nullopt to cancel; message boxes are recorded and closed.
class DialogAnswers {
  public:
    explicit DialogAnswers(std::vector<std::optional<QString>> answers)
        : answers_(std::move(answers)) {
        QObject::connect(&timer_, &QTimer::timeout, &timer_, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (auto* dialog = qobject_cast<QInputDialog*>(modal)) {
                labels_ << dialog->labelText();
                const std::optional<QString> answer =
                    next_ < answers_.size() ? answers_[next_++] : std::nullopt;
                if (answer) {
                    dialog->setTextValue(*answer);
                    dialog->accept();
                } else {
                    dialog->reject();
                }
            } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                boxes_ << box->text();
                box->buttons().first()->click();
            }
        });
        timer_.start(5);
    }
    std::size_t Answered() const { return next_; }
    const QStringList& Boxes() const { return boxes_; }
    const QStringList& Labels() const { return labels_; }

  private:
    std::vector<std::optional<QString>> answers_;
    std::size_t next_ = 0;
    QStringList boxes_;
    QStringList labels_;
    QTimer timer_;
};

// Right-clicks the account field as a user does and reads the menu that
// opens: the texts of its entries (" (off)" after a disabled one). The entry
// `action` is then chosen, as a click on it does.
QStringList PickFromMenu(MainWindow& window, const char* action) {
    QStringList seen;
    QPointer<QAction> chosen;
    QTimer reader;
    QObject::connect(&reader, &QTimer::timeout, &reader, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            return;
        }
        reader.stop();
        for (QAction* a : menu->actions()) {
            if (!a->isSeparator() || !a->text().isEmpty()) {
                seen << a->text() + (a->isEnabled() ? "" : " (off)");
            }
            if (a->text() == QString::fromUtf8(action) && a->isEnabled()) {
                chosen = a;
            }
        }
        // The menu's own answer to a click: the action after the menu closes.
        if (chosen) {
            menu->setActiveAction(chosen);
            QTest::keyClick(menu, Qt::Key_Return);
        } else {
            menu->close();
        }
    });
    reader.start(5);
    auto* field = window.ControlAs<QLineEdit>(Ctl::编辑框1);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &event);
    QApplication::processEvents();
    return seen;
}

const QLabel* MarkLabelOf(MainWindow& window) {
    return window.ControlAs<StatusLine>(Ctl::状态条1)->Mark();
}

TEST(AccountMarks, TheContextMenuMarksAndNotesTheMemberInTheField) {
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath(QStringLiteral("h.sqlite3")).toStdString();
    History history(file);
    OpenWindow open;
    MainWindow& window = open.window;
    window.KeepMarksIn(&history);

    // An empty field: the section is there, every entry off.
    QStringList menu = PickFromMenu(window, kBlacklistAction);
    ASSERT_GT(menu.size(), 5);  // the field's own editing actions come first
    EXPECT_EQ(menu.mid(menu.size() - 5),
              (QStringList{"会员标记", "加入黑名单… (off)", "标为信任… (off)", "清除标记 (off)",
                           "添加备注… (off)"}));
    EXPECT_FALSE(std::filesystem::exists(file));

    window.Fields().WriteText(Ctl::编辑框1, Gbk(" 青禾手作坊"));
    {
        const DialogAnswers answers({QStringLiteral("<b>收货后</b>给差评要挟")});
        menu = PickFromMenu(window, kBlacklistAction);
        EXPECT_EQ(answers.Answered(), 1u);
        ASSERT_EQ(answers.Labels().size(), 1);
        EXPECT_TRUE(answers.Labels()[0].contains(QStringLiteral(" 青禾手作坊<br>理由")));
    }
    EXPECT_TRUE(menu.contains(QStringLiteral("清除标记 (off)")));  // nothing to clear yet
    const MemberMarks marked = History(file).MarksOf("青禾手作坊");
    ASSERT_TRUE(marked.mark);
    EXPECT_EQ(marked.mark->kind, MarkKind::kBlacklist);
    EXPECT_EQ(marked.mark->text, "<b>收货后</b>给差评要挟");
    EXPECT_EQ(marked.mark->account, " 青禾手作坊");
    const QLabel* label = MarkLabelOf(window);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("黑名单"));
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(200, 0, 0));
    // The reason shows as typed, never as markup.
    EXPECT_TRUE(label->toolTip().contains(QStringLiteral("&lt;b&gt;收货后&lt;/b&gt;给差评要挟")))
        << label->toolTip().toStdString();

    {
        const DialogAnswers answers({QStringLiteral("第二次下单要先付款")});
        PickFromMenu(window, kNoteAction);
    }
    {
        // A note the history cannot keep is refused with a word, and asked again.
        const DialogAnswers answers({QStringLiteral("two\tcolumns"), std::nullopt});
        PickFromMenu(window, kNoteAction);
        EXPECT_EQ(answers.Answered(), 2u);
        ASSERT_EQ(answers.Boxes().size(), 1);
        EXPECT_TRUE(answers.Boxes()[0].contains(QStringLiteral("控制字符")));
    }
    EXPECT_TRUE(label->toolTip().contains(QStringLiteral("第二次下单要先付款")));
    EXPECT_EQ(History(file).MarksOf("青禾手作坊").notes.size(), 1u);
    {
        const DialogAnswers cancelled({std::nullopt});
        PickFromMenu(window, kTrustAction);
        EXPECT_EQ(cancelled.Answered(), 1u);
    }
    EXPECT_EQ(History(file).MarksOf("青禾手作坊").mark->kind, MarkKind::kBlacklist);

    menu = PickFromMenu(window, kClearAction);
    EXPECT_TRUE(menu.contains(QStringLiteral("清除标记")));
    EXPECT_FALSE(History(file).MarksOf("青禾手作坊").mark);
    // Notes alone keep the label up.
    EXPECT_EQ(label->text(), QStringLiteral("备注"));

    {
        const DialogAnswers answers({QString()});
        PickFromMenu(window, kTrustAction);
    }
    EXPECT_EQ(label->text(), QStringLiteral("信任"));
    EXPECT_EQ(History(file).MarksOf("青禾手作坊").mark->kind, MarkKind::kTrusted);
}

TEST(AccountMarks, TheLabelFollowsTheMemberBeingLookedUp) {
    Market().SetMoment(MarketMoment::kFirst);
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath(QStringLiteral("h.sqlite3")).toStdString();
    History(file).SetMark(
        MarkEntry{"书虫阿林", MarkKind::kBlacklist, "拍下不付款", "alice", NowForHistory()});
    History history(file);
    OpenWindow open;
    MainWindow& window = open.window;
    window.KeepMarksIn(&history);
    const QLabel* label = MarkLabelOf(window);
    EXPECT_FALSE(label->isVisible());

    window.Fields().WriteText(Ctl::编辑框1, Gbk("书虫阿林"));
    Click(window);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("黑名单"));
    EXPECT_TRUE(label->toolTip().contains(QStringLiteral("拍下不付款")));
    EXPECT_TRUE(label->toolTip().contains(QStringLiteral("alice")));
    // The status bar's own text and the fields are the lookup's as ever.
    EXPECT_EQ(window.ControlAs<StatusLine>(Ctl::状态条1)->Text(), QString());

    window.Fields().WriteText(Ctl::编辑框1, Gbk("nobody.here"));
    Click(window);
    EXPECT_FALSE(label->isVisible());
}

TEST(AccountCompleter, OffersTheAccountsLookedUpLastFirst) {
    Market().SetMoment(MarketMoment::kFirst);
    QTemporaryDir dir;
    const std::filesystem::path file = dir.filePath(QStringLiteral("h.sqlite3")).toStdString();
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        FieldStore fields;
        for (const char* account : {"青禾手作坊", "青禾茶馆", "书虫阿林", " 青禾手作坊 "}) {
            fields.WriteText(Ctl::编辑框1, Gbk(account));
            fields.StatusBarSetText(0, Gbk("该账号不存在!"));
            const auto now = std::chrono::system_clock::now();
            history.Save(
                LookupRecord{.fields = fields, .account = account, .started = now, .ended = now});
        }
    }
    OpenWindow open;
    MainWindow& window = open.window;
    History history(file, kSavingLockWait);
    SavingThread saving(std::make_unique<LookupHistory>(&history, "test"));
    window.SaveLookupsIn(&saving);
    window.KeepMarksIn(&history);
    ASSERT_NE(window.Completer(), nullptr);
    EXPECT_EQ(window.Completer()->Names(), (QStringList{" 青禾手作坊 ", "书虫阿林", "青禾茶馆"}));

    // Typed as a user types: the list opens with the matches, latest first.
    auto* field = window.ControlAs<QLineEdit>(Ctl::编辑框1);
    field->setFocus();
    testing::Type(field, QStringLiteral("青"));
    QCompleter& completer = window.Completer()->Completer();
    ASSERT_TRUE(QTest::qWaitFor([&completer] { return completer.popup()->isVisible(); }, 5000));
    EXPECT_EQ(completer.completionCount(), 1);
    EXPECT_EQ(completer.currentCompletion(), QStringLiteral("青禾茶馆"));
    QTest::keyClick(completer.popup(), Qt::Key_Down);
    QTest::keyClick(completer.popup(), Qt::Key_Return);
    EXPECT_EQ(field->text(), QStringLiteral("青禾茶馆"));
    // The query reads the chosen name, not what was typed.
    EXPECT_EQ(window.Fields().ReadText(Ctl::编辑框1), Gbk("青禾茶馆"));

    window.Fields().WriteText(Ctl::编辑框1, Gbk("书虫阿林"));
    Click(window);
    EXPECT_EQ(window.Completer()->Names(), (QStringList{"书虫阿林", " 青禾手作坊 ", "青禾茶馆"}));
}

}  // namespace
}  // namespace kestrova
