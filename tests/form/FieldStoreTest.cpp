#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "form/FieldStore.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

// GBK double-byte characters, every nonzero byte value, and both kinds of line
// break, well beyond 30,000 bytes.
Text LongPageText() {
    Text text;
    int line = 0;
    while (text.size() < 40 * 1024) {
        text += "\xB5\xDA";  // 第
        text += std::to_string(line);
        text += "\xD0\xD0 ";  // 行
        for (int b = 1; b < 256; ++b) {
            if (b != '\r' && b != '\n') {
                text += static_cast<char>(b);
            }
        }
        text += (line % 2 == 0) ? "\r\n" : "\n";
        ++line;
    }
    return text;
}

TEST(FieldStore, DesignStateShowsCaptionsInGbk) {
    FieldStore store;
    EXPECT_EQ(store.ReadText(Ctl::标签1), "\xCC\xD4\xB1\xA6\xD5\xCA\xBA\xC5\xA3\xBA");
    EXPECT_EQ(store.ReadText(Ctl::标签45),
              "\xD0\xB4\xC8\xD5\xD6\xBE\xA3\xBA" + std::string(9, ' ') + "\xC6\xAA");
    EXPECT_EQ(store.ReadText(Ctl::超级链接框2), "Orvanel\xA3\xBAhttp://www.orvanel.com/");
    EXPECT_EQ(store.ReadLinkAddress(Ctl::超级链接框2), "http://www.orvanel.com/");
}

TEST(FieldStore, DesignStateHoldsEveryCaptionAndNothingElse) {
    FieldStore store;
    for (const ControlDef& def : Controls()) {
        SCOPED_TRACE(def.name);
        switch (def.kind) {
            case ControlKind::EditBox:
                EXPECT_EQ(store.ReadText(def.id), "");
                break;
            case ControlKind::Label:
            case ControlKind::HyperLinker:
                // Every caption survives the trip through GBK.
                EXPECT_EQ(GbkToUtf8(store.ReadText(def.id)), def.caption);
                break;
            case ControlKind::PicBox:
                EXPECT_TRUE(store.ReadPicture(def.id).empty());
                break;
            default:
                break;
        }
        if (def.kind == ControlKind::HyperLinker) {
            EXPECT_EQ(store.ReadLinkAddress(def.id), def.link);
        }
    }
    EXPECT_EQ(store.ReadText(Ctl::标签38), "");
    EXPECT_EQ(store.ReadText(Ctl::超级链接框1), "");
    EXPECT_EQ(store.ReadLinkAddress(Ctl::超级链接框3), "");
    EXPECT_EQ(store.StatusText(), "");
    EXPECT_EQ(store.Title(), "");
    EXPECT_EQ(store.LastMessageBox(), std::nullopt);
    EXPECT_EQ(store.MessageBoxCount(), 0);
    EXPECT_EQ(store.ProcessEventsCount(), 0);
}

TEST(FieldStore, DesignPicturesGoIntoTheRatingIconsOnly) {
    const DesignPictures icons{{0xFF, 0xD8, 0x01}, {'G', 'I', 'F', '8', '9', 'a'}, {'G', 'I', 'F'}};
    FieldStore store(icons);
    EXPECT_EQ(store.ReadPicture(Ctl::图片框4), icons.goodRating);
    EXPECT_EQ(store.ReadPicture(Ctl::图片框2), icons.neutralRating);
    EXPECT_EQ(store.ReadPicture(Ctl::图片框3), icons.badRating);
    int shown = 0;
    for (const ControlDef& def : Controls()) {
        if (def.kind == ControlKind::PicBox && !store.ReadPicture(def.id).empty()) {
            ++shown;
        }
    }
    EXPECT_EQ(shown, 3);
}

TEST(FieldStore, LongTextsWithLineBreaksReadBackUnchanged) {
    const Text page = LongPageText();
    ASSERT_GE(page.size(), 40u * 1024);
    for (Ctl field : {Ctl::编辑框82, Ctl::编辑框2, Ctl::编辑框98, Ctl::编辑框24, Ctl::标签47,
                      Ctl::超级链接框1}) {
        FieldStore store;
        store.WriteText(field, page);
        EXPECT_EQ(store.ReadText(field), page) << Control(field).name;
        EXPECT_EQ(std::as_const(store).ReadText(field), page) << Control(field).name;
        store.WriteText(field, "\r\n");
        EXPECT_EQ(store.ReadText(field), "\r\n") << Control(field).name;
    }
}

TEST(FieldStore, WritesReachOnlyTheirControl) {
    FieldStore store;
    store.WriteText(Ctl::编辑框24, "2009-03-07");
    store.WriteText(Ctl::标签评价, "x");
    store.WriteLinkAddress(Ctl::超级链接框1, "http://shop.example/");
    EXPECT_EQ(store.ReadText(Ctl::编辑框24), "2009-03-07");
    EXPECT_EQ(store.ReadText(Ctl::编辑框25), "");
    EXPECT_EQ(store.ReadText(Ctl::标签评价), "x");
    EXPECT_EQ(store.ReadText(Ctl::超级链接框1), "");
    EXPECT_EQ(store.ReadLinkAddress(Ctl::超级链接框1), "http://shop.example/");
    EXPECT_EQ(store.ReadLinkAddress(Ctl::超级链接框3), "");
}

TEST(FieldStore, EmptyBufferRemovesAPicture) {
    FieldStore store;
    const ByteBuffer jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
    store.WritePicture(Ctl::图片框72, jpeg);
    EXPECT_EQ(store.ReadPicture(Ctl::图片框72), jpeg);
    EXPECT_TRUE(store.ReadPicture(Ctl::图片框1).empty());
    store.WritePicture(Ctl::图片框72, {});
    EXPECT_TRUE(store.ReadPicture(Ctl::图片框72).empty());
    store.WritePicture(Ctl::图片框72, {});
    EXPECT_TRUE(store.ReadPicture(Ctl::图片框72).empty());
}

TEST(FieldStore, OnlyStatusPartZeroExists) {
    const struct {
        int part;
        bool stored;
    } cases[] = {{0, true}, {1, false}, {-1, false}, {2, false}, {255, false}};
    for (const auto& c : cases) {
        FieldStore store;
        store.StatusBarSetText(0, "before");
        store.StatusBarSetText(c.part, "after");
        EXPECT_EQ(store.StatusText(), c.stored ? "after" : "before") << c.part;
    }
}

TEST(FieldStore, MessageBoxIsRecordedAndAnsweredOk) {
    FieldStore store;
    EXPECT_EQ(store.MessageBox("first", 0x30, "caption one"), 0);
    EXPECT_EQ(store.MessageBox(Gbk("请添写淘宝帐号."), 0, Gbk("提 示：")), 0);
    EXPECT_EQ(store.MessageBoxCount(), 2);
    ASSERT_TRUE(store.LastMessageBox().has_value());
    EXPECT_EQ(*store.LastMessageBox(),
              (MessageBoxRecord{Gbk("请添写淘宝帐号."), 0, Gbk("提 示：")}));
}

TEST(FieldStore, ProcessEventsAndTitle) {
    FieldStore store;
    store.ProcessEvents();
    store.ProcessEvents();
    EXPECT_EQ(store.ProcessEventsCount(), 2);
    store.WriteTitle(Gbk(" Kestrova"));
    EXPECT_EQ(store.Title(), " Kestrova");
}

// Naming a control without the property is a caller's bug: loud in a debug
// build, harmless otherwise.
#ifdef NDEBUG
TEST(FieldStore, WrongKindOfControlChangesNothing) {
    FieldStore store;
    store.WriteText(Ctl::图片框5, "x");
    store.WriteText(Ctl::按钮1, "x");
    store.WriteLinkAddress(Ctl::编辑框3, "http://example/");
    store.WritePicture(Ctl::编辑框3, {0xFF, 0xD8});
    store.WriteText(kWindow, "x");
    EXPECT_EQ(store.ReadText(Ctl::按钮1), "");
    EXPECT_EQ(store.ReadText(Ctl::编辑框3), "");
    EXPECT_EQ(store.ReadLinkAddress(Ctl::编辑框3), "");
    EXPECT_TRUE(store.ReadPicture(Ctl::编辑框3).empty());
    EXPECT_TRUE(store.ReadPicture(Ctl::图片框5).empty());
}
#else
TEST(FieldStoreDeathTest, WrongKindOfControlAsserts) {
    FieldStore store;
    EXPECT_DEATH(store.WriteText(Ctl::图片框5, "x"), "no text");
    EXPECT_DEATH(store.ReadText(Ctl::按钮1), "no text");
    EXPECT_DEATH(store.WriteLinkAddress(Ctl::编辑框3, "x"), "not a link");
    EXPECT_DEATH(store.WritePicture(Ctl::编辑框3, {0xFF}), "not a picture box");
    EXPECT_DEATH(store.WriteText(kWindow, "x"), "no text");
}
#endif

}  // namespace
}  // namespace kestrova
