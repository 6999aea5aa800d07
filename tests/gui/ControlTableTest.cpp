// The window as built: what kinds of widgets exist, where they sit, what they
// say and how they look, checked against the design rather than the table.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>
#include <cstdlib>
#include <map>

#include "GuiSupport.h"
#include "shell/HyperLink.h"
#include "shell/PictureBox.h"
#include "shell/StatusLine.h"
#include "shell/TabBox.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

using testing::OpenWindow;

const QString kGivenRowCaption = QStringLiteral("       留言：                           卖家：");
const QString kReceivedRowCaption =
    QStringLiteral("       留言：                           买家：");

QWidget* Named(const MainWindow& window, const char* name) {
    return window.findChild<QWidget*>(QString::fromUtf8(name));
}

QString CaptionOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        return button->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(widget)) {
        return group->title();
    }
    if (auto* link = qobject_cast<HyperLink*>(widget)) {
        return link->Caption();
    }
    return {};
}

TEST(ControlTable, EveryKindIsBuiltAsOftenAsTheDesignHasIt) {
    OpenWindow open;
    std::map<std::string, int> byClass;
    for (QObject* object : open.window.findChildren<QObject*>()) {
        if (FindControl(object->objectName().toStdString())) {
            ++byClass[object->metaObject()->className()];
        }
    }
    const std::map<std::string, int> expected = {
        {"QLineEdit", 222},            // 223 edit boxes, one of them multi-line
        {"QPlainTextEdit", 1},         //
        {"QLabel", 115},               // 114 labels and the banner
        {"kestrova::PictureBox", 72},  //
        {"QGroupBox", 6},              //
        {"QPushButton", 1},            //
        {"kestrova::TabBox", 1},       //
        {"kestrova::HyperLink", 3},    //
        {"QTimer", 1},                 //
        {"kestrova::StatusLine", 1},   //
    };
    EXPECT_EQ(byClass, expected);

    auto* tab = open.window.ControlAs<TabBox>(Ctl::选择夹1);
    ASSERT_NE(tab, nullptr);
    ASSERT_EQ(tab->count(), 2);
    EXPECT_EQ(tab->tabText(0), QStringLiteral("  给出的评价+评分+评论  "));
    EXPECT_EQ(tab->tabText(1), QStringLiteral("  收到的评价+评分+评论  "));
    EXPECT_EQ(tab->currentIndex(), 0);

    auto* banner = qobject_cast<QLabel*>(Named(open.window, "透明标签2"));
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->text(), QStringLiteral("淘宝信息专业查询分析"));
    EXPECT_TRUE(banner->font().bold());
    EXPECT_EQ(banner->font().pixelSize(), 39);
    EXPECT_FALSE(banner->autoFillBackground());

    EXPECT_EQ(open.window.findChild<QObject*>(QStringLiteral("脚本组件1")), nullptr);
}

struct Placement {
    const char* name;
    const char* parent;  // nullptr: the window
    int page;            // 1 or 2 on the tab control, else 0
    QRect rect;
    const char* caption;  // nullptr: not checked
};

// Rectangles relative to the parent's top-left corner; for the rating rows that
// is the tab control's own corner, not its page area.
const Placement kPlacements[] = {
    {"分组框1", nullptr, 0, {1, -5, 555, 53}, ""},
    {"编辑框1", "分组框1", 0, {73, 16, 181, 25}, nullptr},
    {"按钮1", "分组框1", 0, {269, 9, 127, 41}, "查 询"},
    {"标签37", nullptr, 0, {6, 55, 62, 24}, "买家分析："},
    {"标签3", "分组框2", 0, {9, 34, 56, 24}, "  淘宝ID："},
    {"超级链接框1", "分组框2", 0, {408, 36, 143, 20}, ""},
    {"图片框72", "分组框2", 0, {407, 107, 145, 75}, nullptr},
    {"标签45", "分组框2", 0, {170, 326, 117, 20}, "写日志：         篇"},
    {"编辑框15", "分组框2", 0, {220, 325, 48, 20}, nullptr},
    {"分组框7", nullptr, 0, {1, 436, 555, 46}, "店铺服务："},
    {"标签20", "分组框7", 0, {425, 15, 128, 24}, "保证金：           元"},
    {"图片框4", "分组框4", 0, {69, 18, 16, 16}, nullptr},
    {"分组框6", nullptr, 0, {1, 545, 555, 48}, "店铺半年内评分："},
    {"标签35", "分组框6", 0, {11, 16, 149, 24}, "宝贝描述相符：        分."},
    {"编辑框中评7", "分组框6", 0, {96, 16, 41, 24}, nullptr},
    {"标签评价", "分组框3", 0, {3, 10, 146, 24}, "收到评价"},
    {"标签13", "分组框3", 0, {3, 102, 146, 24}, "半年以前"},
    {"编辑框年前差", "分组框3", 0, {416, 102, 135, 24}, nullptr},
    {"选择夹1", nullptr, 0, {559, 78, 450, 642}, nullptr},
    {"透明标签2", nullptr, 0, {584, 10, 400, 48}, nullptr},
    {"超级链接框2", nullptr, 0, {861, 721, 143, 18}, "Orvanel：http://www.orvanel.com/"},
    {"状态条1", nullptr, 0, {0, 721, 1009, 20}, nullptr},
    {"编辑框82", nullptr, 0, {96, -128, 80, 20}, nullptr},
    {"编辑框2", "分组框2", 0, {-265, 120, 80, 20}, nullptr},
    {"编辑框98", "分组框2", 0, {-409, 640, 360, 120}, nullptr},
    // Rating rows 1, 11 and 28 of page 1
    {"编辑框140", "选择夹1", 1, {2, 34, 155, 20}, nullptr},
    {"标签31", "选择夹1", 1, {118, 32, 330, 24}, "       留言：                           卖家："},
    {"编辑框16", "选择夹1", 1, {191, 34, 146, 20}, nullptr},
    {"图片框16", "选择夹1", 1, {337, 33, 21, 17}, nullptr},
    {"编辑框20", "选择夹1", 1, {392, 34, 56, 20}, nullptr},
    {"编辑框150", "选择夹1", 1, {2, 249, 155, 20}, nullptr},
    {"标签66", "选择夹1", 1, {118, 247, 330, 24}, "       留言：                           卖家："},
    {"编辑框65", "选择夹1", 1, {191, 249, 146, 20}, nullptr},
    {"图片框35", "选择夹1", 1, {337, 248, 21, 17}, nullptr},
    {"编辑框64", "选择夹1", 1, {392, 249, 56, 20}, nullptr},
    {"编辑框159", "选择夹1", 1, {2, 616, 155, 20}, nullptr},
    {"标签68", "选择夹1", 1, {118, 614, 330, 24}, "       留言：                           卖家："},
    {"编辑框66", "选择夹1", 1, {191, 616, 146, 20}, nullptr},
    {"图片框36", "选择夹1", 1, {337, 615, 21, 17}, nullptr},
    {"编辑框67", "选择夹1", 1, {392, 616, 56, 20}, nullptr},
    // Rating rows 1, 11 and 28 of page 2
    {"编辑框195", "选择夹1", 2, {2, 34, 155, 20}, nullptr},
    {"标签102", "选择夹1", 2, {118, 32, 330, 24}, "       留言：                           买家："},
    {"编辑框139", "选择夹1", 2, {191, 34, 146, 20}, nullptr},
    {"图片框71", "选择夹1", 2, {337, 33, 21, 17}, nullptr},
    {"编辑框138", "选择夹1", 2, {392, 34, 56, 20}, nullptr},
    {"编辑框182", "选择夹1", 2, {2, 249, 155, 20}, nullptr},
    {"标签92", "选择夹1", 2, {118, 247, 330, 24}, "       留言：                           买家："},
    {"编辑框119", "选择夹1", 2, {191, 249, 146, 20}, nullptr},
    {"图片框61", "选择夹1", 2, {337, 248, 21, 17}, nullptr},
    {"编辑框118", "选择夹1", 2, {392, 249, 56, 20}, nullptr},
    {"编辑框171", "选择夹1", 2, {2, 616, 155, 20}, nullptr},
    {"标签76", "选择夹1", 2, {118, 614, 330, 24}, "       留言：                           买家："},
    {"编辑框83", "选择夹1", 2, {191, 616, 146, 20}, nullptr},
    {"图片框44", "选择夹1", 2, {337, 615, 21, 17}, nullptr},
    {"编辑框84", "选择夹1", 2, {392, 616, 56, 20}, nullptr},
};

TEST(ControlTable, ControlsSitAtTheirDesignRectanglesWithTheirCaptions) {
    OpenWindow open;
    auto* tab = open.window.ControlAs<TabBox>(Ctl::选择夹1);
    // The second page lays out only when it is in front.
    for (int shown : {0, 1}) {
        tab->setCurrentIndex(shown);
        QApplication::processEvents();
        for (const Placement& p : kPlacements) {
            SCOPED_TRACE(p.name);
            QWidget* widget = Named(open.window, p.name);
            ASSERT_NE(widget, nullptr);
            QWidget* parent = p.parent != nullptr ? Named(open.window, p.parent) : &open.window;
            ASSERT_NE(parent, nullptr);
            ASSERT_TRUE(parent->isAncestorOf(widget));
            if (p.page != 0) {
                EXPECT_EQ(widget->parentWidget(), tab->widget(p.page - 1));
                if (p.page - 1 != shown) {
                    continue;
                }
            }
            const QRect placed(widget->mapTo(parent, QPoint(0, 0)), widget->size());
            EXPECT_EQ(placed, p.rect);
            if (p.caption != nullptr) {
                EXPECT_EQ(CaptionOf(widget), QString::fromUtf8(p.caption));
            }
        }
    }
}

TEST(ControlTable, ScratchFieldsExistButLieOutsideTheVisibleArea) {
    OpenWindow open;
    for (const char* name : {"编辑框82", "编辑框2", "编辑框98"}) {
        SCOPED_TRACE(name);
        QWidget* widget = Named(open.window, name);
        ASSERT_NE(widget, nullptr);
        QRect inWindow(widget->mapTo(&open.window, QPoint(0, 0)), widget->size());
        // Clipped by its parent too: within 分组框2 the parent's area counts.
        QWidget* parent = widget->parentWidget();
        const QRect parentInWindow(parent->mapTo(&open.window, QPoint(0, 0)), parent->size());
        EXPECT_TRUE(inWindow.intersected(parentInWindow).intersected(open.window.rect()).isEmpty());
    }
    EXPECT_NE(qobject_cast<QPlainTextEdit*>(Named(open.window, "编辑框98")), nullptr);
}

TEST(ControlTable, WindowHasFixedClientSizeMinimiseAndCloseButNoMaximise) {
    OpenWindow open;
    const MainWindow& window = open.window;
    EXPECT_EQ(window.size(), QSize(1009, 741));
    EXPECT_EQ(window.minimumSize(), QSize(1009, 741));
    EXPECT_EQ(window.maximumSize(), QSize(1009, 741));
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowSystemMenuHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(window.windowTitle().isEmpty());
    EXPECT_TRUE(window.isVisible());

    const QList<QSize> sizes = window.windowIcon().availableSizes();
    for (QSize size : {QSize(16, 16), QSize(32, 32), QSize(48, 48), QSize(128, 128)}) {
        EXPECT_TRUE(sizes.contains(size)) << size.width();
    }
}

TEST(ControlTable, WindowOpensInDesignState) {
    OpenWindow open;
    const FieldStore& store = open.window.Fields().Store();
    int emptyEditBoxes = 0;
    for (QLineEdit* edit : open.window.findChildren<QLineEdit*>()) {
        emptyEditBoxes += edit->text().isEmpty() ? 1 : 0;
    }
    EXPECT_EQ(emptyEditBoxes, 222);
    for (Ctl verdict : {Ctl::标签38, Ctl::标签48, Ctl::标签47}) {
        EXPECT_TRUE(open.window.ControlAs<QLabel>(verdict)->text().isEmpty());
        EXPECT_TRUE(store.ReadText(verdict).empty());
    }
    for (Ctl link : {Ctl::超级链接框1, Ctl::超级链接框3}) {
        EXPECT_TRUE(open.window.ControlAs<HyperLink>(link)->Caption().isEmpty());
        EXPECT_TRUE(open.window.ControlAs<HyperLink>(link)->Address().empty());
    }
    EXPECT_TRUE(open.window.ControlAs<StatusLine>(Ctl::状态条1)->Text().isEmpty());

    int shown = 0;
    for (PictureBox* box : open.window.findChildren<PictureBox*>()) {
        if (!box->Picture().isNull()) {
            ++shown;
            EXPECT_TRUE(box->objectName() == QStringLiteral("图片框4") ||
                        box->objectName() == QStringLiteral("图片框2") ||
                        box->objectName() == QStringLiteral("图片框3"))
                << box->objectName().toStdString();
        }
    }
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(open.window.ControlAs<PictureBox>(Ctl::图片框4)->Picture().size(), QSize(18, 19));
    EXPECT_EQ(open.window.ControlAs<PictureBox>(Ctl::图片框2)->Picture().size(), QSize(16, 15));
    EXPECT_EQ(open.window.ControlAs<PictureBox>(Ctl::图片框3)->Picture().size(), QSize(19, 14));
}

QColor PixelOf(QWidget* widget, QPoint at) {
    return widget->grab().toImage().pixelColor(at);
}

// Text is drawn anti-aliased; its strokes come close to the colour.
bool Near(QColor a, QColor b) {
    return std::abs(a.red() - b.red()) <= 48 && std::abs(a.green() - b.green()) <= 48 &&
           std::abs(a.blue() - b.blue()) <= 48;
}

bool HasPixel(const QImage& image, QColor colour) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (Near(image.pixelColor(x, y), colour)) {
                return true;
            }
        }
    }
    return false;
}

TEST(ControlTable, AccountFieldIsWhiteOnBlackAndCentred) {
    OpenWindow open;
    auto* account = open.window.ControlAs<QLineEdit>(Ctl::编辑框1);
    EXPECT_EQ(account->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
    EXPECT_EQ(PixelOf(account, {4, 12}), QColor(Qt::black));
    account->clearFocus();  // no caret in the picture
    QTest::keyClicks(account, QStringLiteral("WWWW"));
    const QImage typed = account->grab().toImage();
    EXPECT_TRUE(HasPixel(typed, QColor(Qt::white)));
    // Centred: the text's white pixels lie around the middle, none at the left.
    bool whiteAtLeft = false;
    for (int y = 0; y < typed.height(); ++y) {
        for (int x = 0; x < 40; ++x) {
            whiteAtLeft |= Near(typed.pixelColor(x, y), QColor(Qt::white));
        }
    }
    EXPECT_FALSE(whiteAtLeft);
}

TEST(ControlTable, LooksOfCellsVerdictsAndLinks) {
    OpenWindow open;
    // Header cells of the summary grid: grey inside a line border.
    for (const char* cell : {"标签评价", "标签18", "标签28", "标签23"}) {
        QWidget* widget = Named(open.window, cell);
        EXPECT_EQ(PixelOf(widget, {3, 3}), QColor(192, 192, 192)) << cell;
        EXPECT_EQ(PixelOf(widget, {0, 5}), QColor(Qt::black)) << cell;
    }
    // A grid cell: white inside a line border.
    QWidget* count = open.window.ControlAs<QLineEdit>(Ctl::编辑框一周好);
    EXPECT_EQ(PixelOf(count, {3, 3}), QColor(Qt::white));
    EXPECT_EQ(PixelOf(count, {0, 5}), QColor(Qt::black));

    QtWindow& fields = open.window.Fields();
    fields.WriteText(Ctl::标签38, Gbk("大大的良民."));
    QApplication::processEvents();
    EXPECT_TRUE(HasPixel(open.window.ControlAs<QLabel>(Ctl::标签38)->grab().toImage(),
                         QColor(255, 0, 255)));
    const QImage buyer = open.window.ControlAs<QLabel>(Ctl::标签37)->grab().toImage();
    EXPECT_TRUE(HasPixel(buyer, QColor(255, 0, 0)));
    EXPECT_TRUE(open.window.ControlAs<QLabel>(Ctl::标签37)->font().bold());

    auto* maker = open.window.ControlAs<HyperLink>(Ctl::超级链接框2);
    EXPECT_EQ(maker->CaptionColour(), QColor(0, 0, 255));
    EXPECT_TRUE(HasPixel(maker->grab().toImage(), QColor(0, 0, 255)));
}

}  // namespace
}  // namespace kestrova
