#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "assets/Assets.h"
#include "cli/report/FieldReport.h"
#include "lookup/PictureBoxes.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

TEST(FieldJson, ListsEveryTextLinkAndPictureControl) {
    FieldStore window(EmbeddedDesignPictures());
    const auto json = nlohmann::json::parse(FieldJson(window));
    EXPECT_EQ(json["status"], "");
    EXPECT_TRUE(json["message_box"].is_null());
    EXPECT_EQ(json["fields"].size(), 223u + 114u + 3u);
    EXPECT_EQ(json["links"].size(), 3u);
    EXPECT_EQ(json["pictures"].size(), 72u);
    EXPECT_EQ(json["fields"]["标签1"], "淘宝帐号：");
    EXPECT_EQ(json["fields"]["编辑框24"], "");
    const auto& icon = json["pictures"]["图片框4"];
    EXPECT_EQ(icon["format"], "jpeg");
    EXPECT_EQ(icon["width"], 18);
    EXPECT_EQ(icon["height"], 19);
    EXPECT_EQ(icon["bytes"], assets::GoodRatingIcon().size());
    EXPECT_EQ(icon["sha256"].get<std::string>().size(), 64u);
    const auto& empty = json["pictures"]["图片框1"];
    EXPECT_EQ(empty["format"], "empty");
    EXPECT_EQ(empty["bytes"], 0);
    // SHA-256 of nothing.
    EXPECT_EQ(empty["sha256"], "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
}

// Facts of a picture are kept between reports: by its bytes, never by its box.
TEST(FieldJson, EachReportDescribesThePicturesOfItsOwnWindow) {
    FieldStore first;
    first.WritePicture(Ctl::图片框1, BytesOf(assets::TickPicture()));
    FieldStore second;
    second.WritePicture(Ctl::图片框1, BytesOf(assets::BadRatingIcon()));
    for (int round = 0; round < 2; ++round) {
        const auto a = nlohmann::json::parse(FieldJson(first))["pictures"]["图片框1"];
        const auto b = nlohmann::json::parse(FieldJson(second))["pictures"]["图片框1"];
        EXPECT_EQ(a["width"], 75);
        EXPECT_EQ(a["format"], "jpeg");
        EXPECT_EQ(b["width"], 19);
        EXPECT_EQ(b["format"], "gif");
        EXPECT_NE(a["sha256"], b["sha256"]);
    }
}

TEST(FieldJson, InvalidGbkBecomesOneReplacementCharacterPerByte) {
    FieldStore window;
    window.WriteText(Ctl::编辑框24, Text("a\x81") + "\xFF" + "b");
    const auto json = nlohmann::json::parse(FieldJson(window));  // strict UTF-8
    EXPECT_EQ(json["fields"]["编辑框24"], "a\uFFFD\uFFFDb");
}

TEST(FieldJson, RecordsTheMessageBoxAndStatus) {
    FieldStore window;
    window.MessageBox(Gbk("请添写淘宝帐号."), 0, Gbk("提 示："));
    window.StatusBarSetText(0, Gbk("该账号不存在!"));
    const auto json = nlohmann::json::parse(FieldJson(window));
    EXPECT_EQ(json["message_box"]["text"], "请添写淘宝帐号.");
    EXPECT_EQ(json["message_box"]["caption"], "提 示：");
    EXPECT_EQ(json["status"], "该账号不存在!");
}

TEST(FieldListing, ShowsFilledFieldsByCaptionInWindowOrder) {
    FieldStore window;
    window.WriteText(Ctl::编辑框1, Gbk("阿明"));
    window.WriteText(Ctl::编辑框24, "2009-03-07");
    window.WriteText(Ctl::编辑框3, Gbk("卖家为主"));
    window.WriteText(Ctl::编辑框23, "1000.00");
    window.WriteText(Ctl::编辑框一月中, "6");
    window.WriteText(Ctl::编辑框140, "T | s | d");
    window.WriteText(Ctl::编辑框138, "nick");
    const std::string listing = FieldListing(window);
    EXPECT_EQ(listing,
              "淘宝帐号：\t阿明\n"
              "帐号性质：\t卖家为主\n"
              "注册时间：\t2009-03-07\n"
              "保证金：\t1000.00\n"
              "最近一月 中评\t6\n"
              "给出的评价 1 宝贝\tT | s | d\n"
              "收到的评价 1 买家\tnick\n");
}

TEST(FieldListing, LeavesOutEmptyFieldsAndPageStores) {
    FieldStore window;
    window.WriteText(Ctl::编辑框98, "<html>page</html>");
    window.WriteText(Ctl::编辑框82, "list");
    EXPECT_EQ(FieldListing(window), "");
}

}  // namespace
}  // namespace kestrova
