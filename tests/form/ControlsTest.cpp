#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>
#include <string>

#include "form/Controls.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

std::string Spaces(int count) {
    return std::string(static_cast<std::size_t>(count), ' ');
}

int CountKind(ControlKind kind) {
    return static_cast<int>(std::count_if(Controls().begin(), Controls().end(),
                                          [&](const ControlDef& def) { return def.kind == kind; }));
}

TEST(Controls, CountsEveryKind) {
    const struct {
        ControlKind kind;
        int count;
    } cases[] = {
        {ControlKind::EditBox, 223},   {ControlKind::Label, 114}, {ControlKind::PicBox, 72},
        {ControlKind::GroupBox, 6},    {ControlKind::Button, 1},  {ControlKind::TabBox, 1},
        {ControlKind::HyperLinker, 3}, {ControlKind::Timer, 1},   {ControlKind::StatusBar, 1},
        {ControlKind::TransLabel, 1},  {ControlKind::Script, 1},
    };
    int total = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(CountKind(c.kind), c.count) << static_cast<int>(c.kind);
        total += c.count;
    }
    EXPECT_EQ(total, static_cast<int>(kControlCount));
}

TEST(Controls, EntryIsFoundByIdAndByName) {
    std::set<std::string> names;
    for (std::size_t i = 0; i < kControlCount; ++i) {
        const ControlDef& def = Controls()[i];
        EXPECT_EQ(static_cast<std::size_t>(def.id), i);
        EXPECT_EQ(&Control(def.id), &def);
        EXPECT_TRUE(names.insert(def.name).second) << "duplicate name " << def.name;
        EXPECT_EQ(FindControl(def.name), def.id) << def.name;
    }
}

TEST(Controls, FindControlRefusesWhatIsNoName) {
    for (const char* name : {"", "编辑框", "编辑框0", "编辑框999", "标签评价 ", " 按钮1",
                             "MainWindow", "edit1", "标签评"}) {
        EXPECT_EQ(FindControl(name), std::nullopt) << name;
    }
}

TEST(Controls, ControlOfNoControlThrows) {
    EXPECT_THROW(Control(kWindow), std::out_of_range);
    EXPECT_THROW(Control(static_cast<Ctl>(kControlCount)), std::out_of_range);
}

TEST(Controls, ParentsAreTheWindowAGroupBoxOrATabPage) {
    for (const ControlDef& def : Controls()) {
        if (def.parent == kWindow) {
            EXPECT_EQ(def.page, 0) << def.name;
            continue;
        }
        const ControlDef& parent = Control(def.parent);
        if (parent.kind == ControlKind::TabBox) {
            EXPECT_TRUE(def.page == 1 || def.page == 2) << def.name;
        } else {
            EXPECT_EQ(parent.kind, ControlKind::GroupBox) << def.name;
            EXPECT_EQ(def.page, 0) << def.name;
        }
        EXPECT_EQ(parent.parent, kWindow) << def.name << ": containers are not nested";
    }
}

struct Sample {
    Ctl id;
    const char* name;
    ControlKind kind;
    Ctl parent;
    Rect rect;
    std::string caption;
};

TEST(Controls, SampleEntriesMatchTheDesign) {
    const Sample samples[] = {
        {Ctl::编辑框1, "编辑框1", ControlKind::EditBox, Ctl::分组框1, {73, 16, 181, 25}, ""},
        {Ctl::按钮1, "按钮1", ControlKind::Button, Ctl::分组框1, {269, 9, 127, 41}, "查 询"},
        {Ctl::编辑框19, "编辑框19", ControlKind::EditBox, Ctl::分组框1, {467, 19, 62, 20}, ""},
        {Ctl::编辑框98, "编辑框98", ControlKind::EditBox, Ctl::分组框2, {-409, 640, 360, 120}, ""},
        {Ctl::编辑框2, "编辑框2", ControlKind::EditBox, Ctl::分组框2, {-265, 120, 80, 20}, ""},
        {Ctl::编辑框82, "编辑框82", ControlKind::EditBox, kWindow, {96, -128, 80, 20}, ""},
        {Ctl::标签45,
         "标签45",
         ControlKind::Label,
         Ctl::分组框2,
         {170, 326, 117, 20},
         "写日志：" + Spaces(9) + "篇"},
        {Ctl::编辑框15, "编辑框15", ControlKind::EditBox, Ctl::分组框2, {220, 325, 48, 20}, ""},
        {Ctl::标签20,
         "标签20",
         ControlKind::Label,
         Ctl::分组框7,
         {425, 15, 128, 24},
         "保证金：" + Spaces(11) + "元"},
        {Ctl::标签35,
         "标签35",
         ControlKind::Label,
         Ctl::分组框6,
         {11, 16, 149, 24},
         "宝贝描述相符：" + Spaces(8) + "分."},
        {Ctl::标签34,
         "标签34",
         ControlKind::Label,
         Ctl::分组框6,
         {184, 16, 167, 24},
         "卖家的服务态度：" + Spaces(8) + "分."},
        {Ctl::标签26,
         "标签26",
         ControlKind::Label,
         Ctl::分组框6,
         {367, 16, 176, 24},
         "卖家的发货速度：" + Spaces(8) + "分."},
        {Ctl::标签3,
         "标签3",
         ControlKind::Label,
         Ctl::分组框2,
         {9, 34, 56, 24},
         Spaces(2) + "淘宝ID："},
        {Ctl::标签40,
         "标签40",
         ControlKind::Label,
         Ctl::分组框2,
         {180, 82, 56, 24},
         Spaces(4) + "姓名："},
        {Ctl::标签108,
         "标签108",
         ControlKind::Label,
         Ctl::分组框2,
         {345, 133, 56, 24},
         "店铺LOGO："},
        {Ctl::标签评价, "标签评价", ControlKind::Label, Ctl::分组框3, {3, 10, 146, 24}, "收到评价"},
        {Ctl::标签18, "标签18", ControlKind::Label, Ctl::分组框3, {148, 10, 135, 24}, "好评"},
        {Ctl::标签28, "标签28", ControlKind::Label, Ctl::分组框3, {282, 10, 135, 24}, "中评"},
        {Ctl::标签23, "标签23", ControlKind::Label, Ctl::分组框3, {416, 10, 135, 24}, "差评"},
        {Ctl::标签13, "标签13", ControlKind::Label, Ctl::分组框3, {3, 102, 146, 24}, "半年以前"},
        {Ctl::编辑框年前差,
         "编辑框年前差",
         ControlKind::EditBox,
         Ctl::分组框3,
         {416, 102, 135, 24},
         ""},
        {Ctl::编辑框一周好,
         "编辑框一周好",
         ControlKind::EditBox,
         Ctl::分组框3,
         {148, 33, 135, 24},
         ""},
        {Ctl::图片框72, "图片框72", ControlKind::PicBox, Ctl::分组框2, {407, 107, 145, 75}, ""},
        {Ctl::图片框14, "图片框14", ControlKind::PicBox, Ctl::分组框2, {530, 11, 22, 20}, ""},
        {Ctl::图片框4, "图片框4", ControlKind::PicBox, Ctl::分组框4, {69, 18, 16, 16}, ""},
        {Ctl::标签29, "标签29", ControlKind::Label, Ctl::分组框4, {411, 15, 24, 24}, "差评"},
        {Ctl::编辑框差评, "编辑框差评", ControlKind::EditBox, Ctl::分组框4, {443, 14, 50, 24}, ""},
        {Ctl::标签37, "标签37", ControlKind::Label, kWindow, {6, 55, 62, 24}, "买家分析："},
        {Ctl::标签48, "标签48", ControlKind::Label, kWindow, {373, 55, 179, 24}, ""},
        {Ctl::标签47, "标签47", ControlKind::Label, Ctl::分组框7, {9, 16, 410, 24}, ""},
        {Ctl::超级链接框1,
         "超级链接框1",
         ControlKind::HyperLinker,
         Ctl::分组框2,
         {408, 36, 143, 20},
         ""},
        {Ctl::超级链接框3,
         "超级链接框3",
         ControlKind::HyperLinker,
         Ctl::分组框2,
         {408, 59, 74, 20},
         ""},
        {Ctl::分组框1, "分组框1", ControlKind::GroupBox, kWindow, {1, -5, 555, 53}, ""},
        {Ctl::分组框7, "分组框7", ControlKind::GroupBox, kWindow, {1, 436, 555, 46}, "店铺服务："},
        {Ctl::分组框4, "分组框4", ControlKind::GroupBox, kWindow, {1, 490, 555, 46}, "给出评价："},
        {Ctl::分组框6,
         "分组框6",
         ControlKind::GroupBox,
         kWindow,
         {1, 545, 555, 48},
         "店铺半年内评分："},
        {Ctl::选择夹1, "选择夹1", ControlKind::TabBox, kWindow, {559, 78, 450, 642}, ""},
        {Ctl::透明标签2,
         "透明标签2",
         ControlKind::TransLabel,
         kWindow,
         {584, 10, 400, 48},
         "淘宝信息专业查询分析"},
        {Ctl::时钟1, "时钟1", ControlKind::Timer, kWindow, {568, 32, 26, 26}, ""},
        {Ctl::脚本组件1, "脚本组件1", ControlKind::Script, kWindow, {576, 8, 26, 26}, ""},
    };
    for (const Sample& s : samples) {
        const ControlDef& def = Control(s.id);
        SCOPED_TRACE(s.name);
        EXPECT_STREQ(def.name, s.name);
        EXPECT_EQ(def.kind, s.kind);
        EXPECT_EQ(def.parent, s.parent);
        EXPECT_EQ(def.page, 0);
        EXPECT_EQ(def.rect, s.rect);
        EXPECT_EQ(std::string(def.caption), s.caption);
    }
}

struct LookSample {
    Ctl id;
    Border border;
    Align align;
    Style style;
    bool readOnly;
};

TEST(Controls, LooksMatchTheDesign) {
    const LookSample samples[] = {
        {Ctl::编辑框1, Border::Line, Align::Center, Style::WhiteOnBlack, false},
        {Ctl::编辑框19, Border::Thin, Align::Center, Style::RedText, false},
        {Ctl::编辑框3, Border::Line, Align::Left, Style::Plain, false},
        {Ctl::编辑框15, Border::Line, Align::Center, Style::Plain, false},
        {Ctl::编辑框23, Border::Line, Align::Center, Style::Plain, false},
        {Ctl::编辑框82, Border::Sunken, Align::Left, Style::Plain, false},
        {Ctl::编辑框2, Border::Sunken, Align::Left, Style::Plain, false},
        {Ctl::编辑框98, Border::Sunken, Align::Left, Style::Plain, false},
        {Ctl::编辑框好评, Border::Thin, Align::Center, Style::Plain, true},
        {Ctl::编辑框中评7, Border::Thin, Align::Center, Style::Plain, true},
        {Ctl::编辑框半年中, Border::Line, Align::Center, Style::Plain, true},
        {Ctl::编辑框140, Border::Sunken, Align::Left, Style::Plain, false},
        {Ctl::标签评价, Border::Line, Align::Center, Style::HeaderCell, false},
        {Ctl::标签23, Border::Line, Align::Center, Style::HeaderCell, false},
        {Ctl::标签8, Border::Line, Align::Center, Style::Plain, false},
        {Ctl::标签37, Border::None, Align::Left, Style::BoldRed, false},
        {Ctl::标签49, Border::None, Align::Left, Style::BoldRed, false},
        {Ctl::标签38, Border::None, Align::Left, Style::Magenta, false},
        {Ctl::标签48, Border::None, Align::Left, Style::Magenta, false},
        {Ctl::标签47, Border::None, Align::Left, Style::RedText, false},
        {Ctl::标签30, Border::None, Align::Right, Style::Plain, false},
        {Ctl::标签35, Border::None, Align::Right, Style::Plain, false},
        {Ctl::标签1, Border::None, Align::Left, Style::Plain, false},
        {Ctl::图片框72, Border::Line, Align::Left, Style::Plain, false},
        {Ctl::图片框1, Border::Line, Align::Left, Style::Plain, false},
        {Ctl::图片框5, Border::None, Align::Left, Style::Plain, false},
        {Ctl::透明标签2, Border::None, Align::Left, Style::Banner, false},
        {Ctl::按钮1, Border::None, Align::Center, Style::Plain, false},
        {Ctl::超级链接框1, Border::None, Align::Center, Style::Plain, false},
    };
    for (const LookSample& s : samples) {
        const ControlDef& def = Control(s.id);
        SCOPED_TRACE(def.name);
        EXPECT_EQ(def.border, s.border);
        EXPECT_EQ(def.align, s.align);
        EXPECT_EQ(def.style, s.style);
        EXPECT_EQ(def.readOnly, s.readOnly);
    }
}

TEST(Controls, OnlyTheLastScratchFieldIsMultiLine) {
    for (const ControlDef& def : Controls()) {
        EXPECT_EQ(def.multiLine, def.id == Ctl::编辑框98) << def.name;
    }
}

struct RowControl {
    Ctl id;
    const char* name;
    ControlKind kind;
    Rect rect;
};

struct RowSample {
    int page;
    int row;
    RowControl controls[5];
};

TEST(Controls, RatingRowsMatchTheDesign) {
    const RowSample rows[] = {
        {1,
         1,
         {{Ctl::编辑框140, "编辑框140", ControlKind::EditBox, {2, 34, 155, 20}},
          {Ctl::标签31, "标签31", ControlKind::Label, {118, 32, 330, 24}},
          {Ctl::编辑框16, "编辑框16", ControlKind::EditBox, {191, 34, 146, 20}},
          {Ctl::图片框16, "图片框16", ControlKind::PicBox, {337, 33, 21, 17}},
          {Ctl::编辑框20, "编辑框20", ControlKind::EditBox, {392, 34, 56, 20}}}},
        {1,
         11,
         {{Ctl::编辑框150, "编辑框150", ControlKind::EditBox, {2, 249, 155, 20}},
          {Ctl::标签66, "标签66", ControlKind::Label, {118, 247, 330, 24}},
          {Ctl::编辑框65, "编辑框65", ControlKind::EditBox, {191, 249, 146, 20}},
          {Ctl::图片框35, "图片框35", ControlKind::PicBox, {337, 248, 21, 17}},
          {Ctl::编辑框64, "编辑框64", ControlKind::EditBox, {392, 249, 56, 20}}}},
        {1,
         28,
         {{Ctl::编辑框159, "编辑框159", ControlKind::EditBox, {2, 616, 155, 20}},
          {Ctl::标签68, "标签68", ControlKind::Label, {118, 614, 330, 24}},
          {Ctl::编辑框66, "编辑框66", ControlKind::EditBox, {191, 616, 146, 20}},
          {Ctl::图片框36, "图片框36", ControlKind::PicBox, {337, 615, 21, 17}},
          {Ctl::编辑框67, "编辑框67", ControlKind::EditBox, {392, 616, 56, 20}}}},
        {2,
         1,
         {{Ctl::编辑框195, "编辑框195", ControlKind::EditBox, {2, 34, 155, 20}},
          {Ctl::标签102, "标签102", ControlKind::Label, {118, 32, 330, 24}},
          {Ctl::编辑框139, "编辑框139", ControlKind::EditBox, {191, 34, 146, 20}},
          {Ctl::图片框71, "图片框71", ControlKind::PicBox, {337, 33, 21, 17}},
          {Ctl::编辑框138, "编辑框138", ControlKind::EditBox, {392, 34, 56, 20}}}},
        {2,
         11,
         {{Ctl::编辑框182, "编辑框182", ControlKind::EditBox, {2, 249, 155, 20}},
          {Ctl::标签92, "标签92", ControlKind::Label, {118, 247, 330, 24}},
          {Ctl::编辑框119, "编辑框119", ControlKind::EditBox, {191, 249, 146, 20}},
          {Ctl::图片框61, "图片框61", ControlKind::PicBox, {337, 248, 21, 17}},
          {Ctl::编辑框118, "编辑框118", ControlKind::EditBox, {392, 249, 56, 20}}}},
        {2,
         28,
         {{Ctl::编辑框171, "编辑框171", ControlKind::EditBox, {2, 616, 155, 20}},
          {Ctl::标签76, "标签76", ControlKind::Label, {118, 614, 330, 24}},
          {Ctl::编辑框83, "编辑框83", ControlKind::EditBox, {191, 616, 146, 20}},
          {Ctl::图片框44, "图片框44", ControlKind::PicBox, {337, 615, 21, 17}},
          {Ctl::编辑框84, "编辑框84", ControlKind::EditBox, {392, 616, 56, 20}}}},
    };
    const std::string given = Spaces(7) + "留言：" + Spaces(27) + "卖家：";
    const std::string received = Spaces(7) + "留言：" + Spaces(27) + "买家：";
    for (const RowSample& row : rows) {
        for (const RowControl& expected : row.controls) {
            const ControlDef& def = Control(expected.id);
            SCOPED_TRACE(std::string(expected.name) + " page " + std::to_string(row.page) +
                         " row " + std::to_string(row.row));
            EXPECT_STREQ(def.name, expected.name);
            EXPECT_EQ(def.kind, expected.kind);
            EXPECT_EQ(def.parent, Ctl::选择夹1);
            EXPECT_EQ(def.page, row.page);
            EXPECT_EQ(def.rect, expected.rect);
            const std::string caption = def.kind != ControlKind::Label ? ""
                                        : row.page == 1                ? given
                                                                       : received;
            EXPECT_EQ(std::string(def.caption), caption);
        }
    }
}

TEST(Controls, EachTabPageHoldsTheSame28RowsOfFive) {
    std::multiset<std::pair<int, int>> positions[2];  // (left, top) of each control
    std::map<ControlKind, int> kinds[2];
    for (const ControlDef& def : Controls()) {
        if (def.parent != Ctl::选择夹1) {
            continue;
        }
        positions[def.page - 1].insert({def.rect.left, def.rect.top});
        ++kinds[def.page - 1][def.kind];
    }
    for (int page = 0; page < 2; ++page) {
        EXPECT_EQ(positions[page].size(), 140u);
        EXPECT_EQ(kinds[page][ControlKind::EditBox], 3 * 28);
        EXPECT_EQ(kinds[page][ControlKind::Label], 28);
        EXPECT_EQ(kinds[page][ControlKind::PicBox], 28);
    }
    EXPECT_EQ(positions[0], positions[1]);
}

TEST(Controls, TabCaptionsHaveTwoSpacesOnEitherSide) {
    EXPECT_EQ(std::string(kTabPageCaptions[0]), Spaces(2) + "给出的评价+评分+评论" + Spaces(2));
    EXPECT_EQ(std::string(kTabPageCaptions[1]), Spaces(2) + "收到的评价+评分+评论" + Spaces(2));
}

TEST(Controls, ResultFieldsAreExactlyWhatTheResetClears) {
    int texts = 0;
    int editBoxes = 0;
    int pictures = 0;
    std::set<Ctl> labels;
    std::set<Ctl> links;
    std::set<Ctl> keptPictures;
    std::set<Ctl> keptEditBoxes;
    for (const ControlDef& def : Controls()) {
        switch (def.kind) {
            case ControlKind::EditBox:
                if (def.result) {
                    ++editBoxes;
                    ++texts;
                } else {
                    keptEditBoxes.insert(def.id);
                }
                break;
            case ControlKind::Label:
                if (def.result) {
                    labels.insert(def.id);
                    ++texts;
                }
                break;
            case ControlKind::HyperLinker:
                if (def.result) {
                    links.insert(def.id);
                    ++texts;
                }
                break;
            case ControlKind::PicBox:
                if (def.result) {
                    ++pictures;
                } else {
                    keptPictures.insert(def.id);
                }
                break;
            default:
                EXPECT_FALSE(def.result) << def.name;
        }
    }
    EXPECT_EQ(texts, 227);
    EXPECT_EQ(editBoxes, 222);
    EXPECT_EQ(keptEditBoxes, std::set<Ctl>{Ctl::编辑框1});
    EXPECT_EQ(labels, (std::set<Ctl>{Ctl::标签38, Ctl::标签48, Ctl::标签47}));
    EXPECT_EQ(links, (std::set<Ctl>{Ctl::超级链接框1, Ctl::超级链接框3}));
    EXPECT_EQ(pictures, 69);
    EXPECT_EQ(keptPictures, (std::set<Ctl>{Ctl::图片框4, Ctl::图片框2, Ctl::图片框3}));
    EXPECT_FALSE(Control(Ctl::标签评价).result);
}

TEST(Controls, ResultFieldsStartEmpty) {
    for (const ControlDef& def : Controls()) {
        if (def.result) {
            EXPECT_STREQ(def.caption, "") << def.name;
            EXPECT_STREQ(def.link, "") << def.name;
        }
    }
}

TEST(Controls, MakerLinkShowsAndOpensTheExitAddress) {
    const ControlDef& link = Control(Ctl::超级链接框2);
    EXPECT_EQ(link.kind, ControlKind::HyperLinker);
    EXPECT_EQ(link.parent, kWindow);
    EXPECT_EQ(link.rect, (Rect{861, 721, 143, 18}));
    EXPECT_EQ(std::string(link.caption), std::string("Orvanel：") + endpoints::kMakerAddress);
    EXPECT_STREQ(link.link, endpoints::kMakerAddress);
    EXPECT_FALSE(link.result);
}

bool Inside(const Rect& inner, int width, int height) {
    return inner.left >= 0 && inner.top >= 0 && inner.left + inner.width <= width &&
           inner.top + inner.height <= height;
}

bool Outside(const Rect& inner, int width, int height) {
    return inner.left + inner.width <= 0 || inner.top + inner.height <= 0 || inner.left >= width ||
           inner.top >= height;
}

// Only the scratch fields are out of sight, and only the input area's top edge
// is cut off; everything else lies wholly inside its parent.
TEST(Controls, EveryControlButTheScratchFieldsIsInSight) {
    const std::set<Ctl> scratch = {Ctl::编辑框82, Ctl::编辑框2, Ctl::编辑框98};
    for (const ControlDef& def : Controls()) {
        int width = kClientWidth;
        int height = kClientHeight;
        if (def.parent != kWindow) {
            width = Control(def.parent).rect.width;
            height = Control(def.parent).rect.height;
        }
        SCOPED_TRACE(def.name);
        if (scratch.count(def.id) != 0) {
            EXPECT_TRUE(Outside(def.rect, width, height));
        } else if (def.id == Ctl::分组框1) {
            EXPECT_FALSE(Outside(def.rect, width, height));
            EXPECT_LT(def.rect.top, 0);
        } else {
            EXPECT_TRUE(Inside(def.rect, width, height));
        }
    }
}

TEST(Controls, MakerLinkSitsOnTheStatusLine) {
    const Rect bar = Control(Ctl::状态条1).rect;
    const Rect link = Control(Ctl::超级链接框2).rect;
    EXPECT_EQ(bar.height, 20);
    EXPECT_EQ(bar.top + bar.height, kClientHeight);
    EXPECT_EQ(bar.width, kClientWidth);
    EXPECT_TRUE(link.top >= bar.top && link.top + link.height <= bar.top + bar.height);
    // The status line is made first, so the link is drawn over it.
    EXPECT_LT(static_cast<int>(Ctl::状态条1), static_cast<int>(Ctl::超级链接框2));
}

TEST(Controls, CaptionLabelsComeBeforeTheFieldsDrawnOverThem) {
    const std::pair<Ctl, Ctl> pairs[] = {
        {Ctl::标签45, Ctl::编辑框15},    {Ctl::标签20, Ctl::编辑框23},
        {Ctl::标签35, Ctl::编辑框中评7}, {Ctl::标签34, Ctl::编辑框中评6},
        {Ctl::标签26, Ctl::编辑框中评5}, {Ctl::标签31, Ctl::编辑框140},
        {Ctl::标签31, Ctl::编辑框16},    {Ctl::标签31, Ctl::图片框16},
        {Ctl::标签31, Ctl::编辑框20},    {Ctl::标签76, Ctl::编辑框84},
    };
    for (const auto& [label, field] : pairs) {
        EXPECT_LT(static_cast<int>(label), static_cast<int>(field)) << Control(label).name;
    }
}

}  // namespace
}  // namespace kestrova
