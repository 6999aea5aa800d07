// The Qt window reads back exactly what was written or typed, whatever the
// widget can show.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtTest/QTest>
#include <string>

#include "GuiSupport.h"
#include "shell/StatusLine.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

using testing::OpenWindow;
using testing::Utf8;

// 40 KB of GBK text: double-byte characters, both kinds of line break, tabs.
Text LongPageText() {
    Text text;
    for (int line = 0; text.size() < 40 * 1024; ++line) {
        text += Gbk("第") + std::to_string(line) + Gbk("行：<div class=\"x\">评价</div>\t");
        text += (line % 2 == 0) ? "\r\n" : "\n";
    }
    return text;
}

TEST(QtWindow, ScratchFieldsRoundTripALongTextWithLineBreaks) {
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    const Text page = LongPageText();
    ASSERT_GT(page.size(), 40u * 1024);
    for (Ctl scratch : {Ctl::编辑框82, Ctl::编辑框2, Ctl::编辑框98}) {
        SCOPED_TRACE(Control(scratch).name);
        fields.WriteText(scratch, page);
        EXPECT_EQ(fields.ReadText(scratch), page);
    }
    // The multi-line box shows the whole text too, to its last line.
    const std::size_t lastLine = page.rfind(Gbk("第"));
    const Text lastNumber = page.substr(lastLine, page.find(Gbk("行"), lastLine) - lastLine);
    EXPECT_TRUE(open.window.ControlAs<QPlainTextEdit>(Ctl::编辑框98)
                    ->toPlainText()
                    .contains(Utf8(lastNumber) + QStringLiteral("行")));
}

TEST(QtWindow, InvalidGbkReadsBackByteForByteAndShowsReplacementCharacters) {
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    // A lead byte without its trail byte, a lone 0x80 and 0xFF, then a valid 好.
    const Text broken = std::string("ab\x81", 3) + "\x80" + "\xFF" + Gbk("好");
    fields.WriteText(Ctl::编辑框3, broken);
    fields.WriteText(Ctl::标签38, broken);
    EXPECT_EQ(fields.ReadText(Ctl::编辑框3), broken);
    EXPECT_EQ(fields.ReadText(Ctl::标签38), broken);
    const QString shown = open.window.ControlAs<QLineEdit>(Ctl::编辑框3)->text();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("ab")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("好")));
    EXPECT_TRUE(shown.contains(QChar(0xFFFD)));
    EXPECT_FALSE(shown.contains(QLatin1Char('?')));
    EXPECT_TRUE(open.window.ControlAs<QLabel>(Ctl::标签38)->text().contains(QChar(0xFFFD)));
}

TEST(QtWindow, TypedTextBecomesTheFieldsGbkText) {
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    auto* account = open.window.ControlAs<QLineEdit>(Ctl::编辑框1);
    testing::Type(account, QStringLiteral("  小柚子zz "));
    EXPECT_EQ(fields.ReadText(Ctl::编辑框1), Gbk("  小柚子zz "));  // not trimmed
    QTest::keyClick(account, Qt::Key_Backspace);
    EXPECT_EQ(fields.ReadText(Ctl::编辑框1), Gbk("  小柚子zz"));
    // A written text replaces what was typed.
    fields.WriteText(Ctl::编辑框1, Gbk("路过的云"));
    EXPECT_EQ(account->text(), QStringLiteral("路过的云"));
    EXPECT_EQ(fields.ReadText(Ctl::编辑框1), Gbk("路过的云"));
}

TEST(QtWindow, LabelsShowMarkupAsPlainText) {
    OpenWindow open;
    const Text markup = "<b>bold</b> &amp;";
    open.window.Fields().WriteText(Ctl::标签47, markup);
    auto* label = open.window.ControlAs<QLabel>(Ctl::标签47);
    EXPECT_EQ(label->textFormat(), Qt::PlainText);
    EXPECT_EQ(label->text(), QString::fromStdString(markup));
}

TEST(QtWindow, StatusBarHasOnlyItsFirstPart) {
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    auto* status = open.window.ControlAs<StatusLine>(Ctl::状态条1);
    fields.StatusBarSetText(0, Gbk("该账号不存在!"));
    EXPECT_EQ(status->Text(), QStringLiteral("该账号不存在!"));
    EXPECT_EQ(fields.Store().StatusText(), Gbk("该账号不存在!"));
    for (int part : {1, -1, 7}) {
        fields.StatusBarSetText(part, Gbk("别处"));
    }
    EXPECT_EQ(status->Text(), QStringLiteral("该账号不存在!"));
    EXPECT_EQ(fields.Store().StatusText(), Gbk("该账号不存在!"));
}

TEST(QtWindow, TitleIsWrittenThroughTheWindow) {
    OpenWindow open;
    open.window.Fields().WriteTitle(Gbk("标题 title"));
    EXPECT_EQ(open.window.windowTitle(), QStringLiteral("标题 title"));
    EXPECT_EQ(open.window.Fields().Store().Title(), Gbk("标题 title"));
}

TEST(QtWindow, LinkCaptionAndAddressReadBack) {
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    fields.WriteText(Ctl::超级链接框1, Gbk("青禾手作坊"));
    fields.WriteLinkAddress(Ctl::超级链接框1, "http://shop102345678.taobao.com");
    EXPECT_EQ(fields.ReadText(Ctl::超级链接框1), Gbk("青禾手作坊"));
    EXPECT_EQ(fields.Store().ReadLinkAddress(Ctl::超级链接框1), "http://shop102345678.taobao.com");
}

}  // namespace
}  // namespace kestrova
