// The query's reset run through the Qt window: every result field emptied in
// the store and on screen, the rest left as it was.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QtTest/QTest>
#include <set>

#include "GuiSupport.h"
#include "assets/Assets.h"
#include "lookup/Lookup.h"
#include "shell/HyperLink.h"
#include "shell/PictureBox.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

using testing::Encode;
using testing::OpenWindow;

bool HasText(ControlKind kind) {
    return kind == ControlKind::EditBox || kind == ControlKind::Label ||
           kind == ControlKind::HyperLinker;
}

TEST(Reset, EmptiesEveryResultFieldAndNothingElse) {
    OpenWindow open;
    QtWindow& fields = open.window.Fields();
    const ByteBuffer photo = Encode(testing::DrawPicture(30, 20), "jpeg");

    // Fill every field that starts empty, and every picture box, as a query would.
    std::set<Ctl> filled;
    for (const ControlDef& def : Controls()) {
        if (HasText(def.kind) && fields.ReadText(def.id).empty() && def.id != Ctl::编辑框1) {
            fields.WriteText(def.id, Gbk("旧值") + def.name);
            filled.insert(def.id);
        }
        if (def.kind == ControlKind::HyperLinker) {
            fields.WriteLinkAddress(def.id, "http://old.example.com/");
        }
        if (def.kind == ControlKind::PicBox) {
            fields.WritePicture(def.id, photo);
        }
    }
    fields.WriteText(Ctl::标签评价, Gbk("给出的详细评价"));
    testing::Type(open.window.ControlAs<QLineEdit>(Ctl::编辑框1), QStringLiteral("书虫阿林"));

    ResetResultFields(fields);

    int emptiedTexts = 0;
    int emptiedLinks = 0;
    int emptiedPictures = 0;
    std::set<Ctl> keptPictures;
    const FieldStore& store = fields.Store();
    for (const ControlDef& def : Controls()) {
        if (HasText(def.kind) && store.ReadText(def.id).empty()) {
            ++emptiedTexts;
            EXPECT_TRUE(filled.count(def.id)) << def.name;
        }
        if (def.kind == ControlKind::HyperLinker && store.ReadLinkAddress(def.id).empty()) {
            ++emptiedLinks;
            EXPECT_TRUE(open.window.ControlAs<HyperLink>(def.id)->Caption().isEmpty());
            EXPECT_TRUE(open.window.ControlAs<HyperLink>(def.id)->Address().empty());
        }
        if (def.kind == ControlKind::PicBox) {
            const bool empty = store.ReadPicture(def.id).empty();
            emptiedPictures += empty ? 1 : 0;
            EXPECT_EQ(open.window.ControlAs<PictureBox>(def.id)->Picture().isNull(), empty)
                << def.name;
            if (!empty) {
                keptPictures.insert(def.id);
            }
        }
        if (def.kind == ControlKind::EditBox) {
            auto* line = open.window.ControlAs<QLineEdit>(def.id);
            if (line != nullptr && def.id != Ctl::编辑框1) {
                EXPECT_TRUE(line->text().isEmpty()) << def.name;
            }
        }
    }
    EXPECT_EQ(emptiedTexts, 227);
    EXPECT_EQ(emptiedLinks, 2);
    EXPECT_EQ(emptiedPictures, 69);
    EXPECT_EQ(keptPictures, (std::set<Ctl>{Ctl::图片框4, Ctl::图片框2, Ctl::图片框3}));

    // What the reset leaves alone: the typed account, the switched grid
    // caption, static captions and the maker's link.
    EXPECT_EQ(store.ReadText(Ctl::编辑框1), Gbk("书虫阿林"));
    EXPECT_EQ(open.window.ControlAs<QLineEdit>(Ctl::编辑框1)->text(), QStringLiteral("书虫阿林"));
    EXPECT_EQ(store.ReadText(Ctl::标签评价), Gbk("给出的详细评价"));
    EXPECT_EQ(store.ReadText(Ctl::标签1), Gbk("淘宝帐号："));
    EXPECT_EQ(store.ReadText(Ctl::标签31), Gbk("       留言：                           卖家："));
    EXPECT_EQ(open.window.ControlAs<QLabel>(Ctl::标签102)->text(),
              QStringLiteral("       留言：                           买家："));
    EXPECT_EQ(store.ReadText(Ctl::超级链接框2), Gbk("Orvanel：http://www.orvanel.com/"));
    EXPECT_EQ(store.ReadLinkAddress(Ctl::超级链接框2), "http://old.example.com/");
}

TEST(Reset, RatingIconsOfTheDesignSurviveAReset) {
    OpenWindow open;
    ResetResultFields(open.window.Fields());
    const FieldStore& store = open.window.Fields().Store();
    EXPECT_EQ(store.ReadPicture(Ctl::图片框4), assets::ToByteBuffer(assets::GoodRatingIcon()));
    EXPECT_EQ(store.ReadPicture(Ctl::图片框2), assets::ToByteBuffer(assets::NeutralRatingIcon()));
    EXPECT_EQ(store.ReadPicture(Ctl::图片框3), assets::ToByteBuffer(assets::BadRatingIcon()));
    for (Ctl icon : {Ctl::图片框4, Ctl::图片框2, Ctl::图片框3}) {
        EXPECT_FALSE(open.window.ControlAs<PictureBox>(icon)->Picture().isNull());
    }
}

}  // namespace
}  // namespace kestrova
