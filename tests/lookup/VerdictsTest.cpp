#include <gtest/gtest.h>

#include <cstdio>

#include "assets/Assets.h"
#include "form/FieldStore.h"
#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "text/Convert.h"
#include "text/DateTimeOps.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

enum Picture { kNone, kTick, kCross };

struct VerdictCase {
    const char* name;
    double ageDays;  // registration this many days before now; < 0: no date
    const char* good;
    const char* neutral;
    const char* bad;
    const char* shop;  // 超级链接框1 caption
    int a, b, c;       // last month's counts
    const char* buyer;
    Picture buyerPicture;
    const char* seller;
    Picture sellerPicture;
};

ByteBuffer PictureBytes(Picture p) {
    switch (p) {
        case kTick:
            return BytesOf(assets::TickPicture());
        case kCross:
            return BytesOf(assets::CrossPicture());
        default:
            return {};
    }
}

// The registration time, to the second, rounded up so that "30 days ago" is
// never a moment more than 30 days before the verdict.
Text DateText(double ageDays) {
    const DateFields f = SplitDateTime(DateTime{NowTime().days - ageDays + 1.0 / 86400});
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", f.year, f.month, f.day,
                  f.hour, f.minute, f.second);
    return buffer;
}

class Verdicts : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(Verdicts, FollowTheRules) {
    const VerdictCase& c = GetParam();
    FieldStore w;
    if (c.ageDays >= 0) {
        w.WriteText(Ctl::编辑框24, DateText(c.ageDays));
    }
    w.WriteText(Ctl::编辑框好评, c.good);
    w.WriteText(Ctl::编辑框中评, c.neutral);
    w.WriteText(Ctl::编辑框差评, c.bad);
    w.WriteText(Ctl::超级链接框1, Gbk(c.shop));
    w.WriteText(Ctl::编辑框一月好, ToText(c.a));
    w.WriteText(Ctl::编辑框一月中, ToText(c.b));
    w.WriteText(Ctl::编辑框一月差, ToText(c.c));
    // Earlier verdicts never survive.
    w.WriteText(Ctl::标签38, "old");
    w.WritePicture(Ctl::图片框8, BytesOf(assets::TickPicture()));

    ShowVerdicts(w);

    EXPECT_EQ(GbkToUtf8(w.ReadText(Ctl::标签38)), c.buyer);
    EXPECT_EQ(w.ReadPicture(Ctl::图片框5), PictureBytes(c.buyerPicture));
    EXPECT_EQ(GbkToUtf8(w.ReadText(Ctl::标签48)), c.seller);
    EXPECT_EQ(w.ReadPicture(Ctl::图片框8), PictureBytes(c.sellerPicture));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Verdicts,
    ::testing::Values(
        VerdictCase{"ThirtyDaysIsYoung", 30, "5", "0", "0", "店", 40, 0, 0,
                    "帐号注册日期小于30日！  ", kCross, "专业店铺，门庭若市. [诚信商家]", kTick},
        VerdictCase{"ThirtyOneDaysIsNot", 31, "5", "0", "0", "店", 40, 0, 0, "良民.", kTick,
                    "专业店铺，门庭若市. [诚信商家]", kTick},
        VerdictCase{"NoDateIsOld", -1, "5", "0", "0", "店", 4, 0, 0, "良民.", kTick,
                    "经营不善，门可罗雀. [产品尚可]", kCross},
        VerdictCase{"ThreeNeutralIsCareful", 400, "5", "3", "0", "店", 8, 1, 0,
                    "小心应付，问题不大.", kTick, "小店经营，门庭冷落. [产品尚可]", kNone},
        VerdictCase{"FourNeutralOneBad", 400, "5", "4", "1", "店", 150, 13, 4,
                    "非善类！给的中评大于3个！  很挑剔！有给差评的记录！", kCross,
                    "专业店铺，门庭若市. [黑店]", kTick},
        VerdictCase{"RedAlert", 400, "5", "4", "2", "店", 250, 16, 4,
                    "非善类！给的中评大于3个！  很挑剔！有给差评的记录！红色警报：叼民！", kCross,
                    "专业店铺，门庭若市. [不诚信]", kTick},
        VerdictCase{"YoungAndBad", 3, "5", "0", "2", "店", 10, 0, 0,
                    "帐号注册日期小于30日！  很挑剔！有给差评的记录！", kCross,
                    "中等商铺，蒸蒸日上. [产品尚可]", kTick},
        VerdictCase{"GoodBelow108", 400, "107", "0", "0", "此人无店铺", 99, 99, 99, "良民.", kTick,
                    "此人无店铺.", kNone},
        VerdictCase{"VeryGoodAt108", 400, "108", "0", "0", "店", 10, 9, 0, "大大的良民.", kTick,
                    "专业店铺，门庭若市. [注意质量]", kTick},
        VerdictCase{"EighteenIsMedium", 400, "", "", "", "店", 12, 6, 0, "良民.", kTick,
                    "中等商铺，蒸蒸日上. [产品一般]", kTick},
        VerdictCase{"NineteenIsProfessional", 400, "", "", "", "店", 16, 0, 3, "良民.", kTick,
                    "专业店铺，门庭若市. [注意质量]", kTick},
        VerdictCase{"NegativeCountIsCareful", 400, "5", "-1", "0", "店", 0, 0, 0,
                    "小心应付，问题不大.", kTick, "经营不善，门可罗雀. [产品尚可]", kCross}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VerdictsTolerance, CountsWithinTheToleranceCountAsEqual) {
    FieldStore w;
    w.WriteText(Ctl::编辑框中评, "3.00000001");  // not above 3
    w.WriteText(Ctl::编辑框差评, "0.00000001");  // zero
    w.WriteText(Ctl::超级链接框1, "x");
    ShowVerdicts(w);
    EXPECT_EQ(GbkToUtf8(w.ReadText(Ctl::标签38)), "小心应付，问题不大.");
}

}  // namespace
}  // namespace kestrova
