// The two verdicts: on the member as a trading partner, and on the shop.
// They read back what the earlier steps wrote and fetch nothing.

#include "assets/Assets.h"
#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "lookup/StepTexts.h"
#include "text/Convert.h"
#include "text/DateTimeOps.h"
#include "text/Gbk.h"
#include "text/NumberCompare.h"

namespace kestrova {

namespace {

const Text kYoungAccount = Gbk("帐号注册日期小于30日！  ");
const Text kManyNeutral = Gbk("非善类！给的中评大于3个！  ");
const Text kBadRatings = Gbk("很挑剔！有给差评的记录！");
const Text kRedAlert = Gbk("红色警报：叼民！");
const Text kGoodMember = Gbk("良民.");
const Text kVeryGoodMember = Gbk("大大的良民.");
const Text kCareful = Gbk("小心应付，问题不大.");
const Text kNoShop = Gbk("此人无店铺.");
const Text kPoorlyRun = Gbk("经营不善，门可罗雀.");
const Text kSmallShop = Gbk("小店经营，门庭冷落.");
const Text kProfessionalShop = Gbk("专业店铺，门庭若市.");
const Text kMediumShop = Gbk("中等商铺，蒸蒸日上.");
const Text kTagBlackShop = Gbk(" [黑店]");
const Text kTagDishonest = Gbk(" [不诚信]");
const Text kTagMindQuality = Gbk(" [注意质量]");
const Text kTagAverage = Gbk(" [产品一般]");
const Text kTagHonest = Gbk(" [诚信商家]");
const Text kTagAcceptable = Gbk(" [产品尚可]");

double NumberIn(Window& w, Ctl field) {
    return ToNumber(w.ReadText(field));
}

void Append(Window& w, Ctl label, const Text& text) {
    w.WriteText(label, w.ReadText(label) + text);
}

void ShowBuyerVerdict(Window& w) {
    const ByteBuffer cross = BytesOf(assets::CrossPicture());
    const double days = TimeDifference(NowTime(), ToDateTime(w.ReadText(Ctl::编辑框24)), 5);
    if (NumberAtMost(days, 30)) {
        Append(w, Ctl::标签38, kYoungAccount);
        w.WritePicture(Ctl::图片框5, cross);
    }
    const double neutral = NumberIn(w, Ctl::编辑框中评);
    const double bad = NumberIn(w, Ctl::编辑框差评);
    if (NumberGreater(neutral, 3)) {
        Append(w, Ctl::标签38, kManyNeutral);
        w.WritePicture(Ctl::图片框5, cross);
    }
    if (NumberGreater(bad, 0)) {
        Append(w, Ctl::标签38, kBadRatings);
        w.WritePicture(Ctl::图片框5, cross);
    }
    if (NumberGreater(bad, 1) && NumberGreater(neutral, 3)) {
        Append(w, Ctl::标签38, kRedAlert);
        w.WritePicture(Ctl::图片框5, cross);
    }
    if (!w.ReadText(Ctl::标签38).empty()) {
        return;
    }
    if (NumberEqual(neutral, 0) && NumberEqual(bad, 0)) {
        const double good = NumberIn(w, Ctl::编辑框好评);
        w.WriteText(Ctl::标签38, NumberLess(good, 108) ? kGoodMember : kVeryGoodMember);
    } else {
        w.WriteText(Ctl::标签38, kCareful);
    }
    w.WritePicture(Ctl::图片框5, BytesOf(assets::TickPicture()));
}

const Text& ShopTag(double a, double b, double c) {
    if (NumberLess(a, 200) && NumberGreater(b, 12) && NumberGreater(c, 3)) {
        return kTagBlackShop;
    }
    if (NumberGreater(b, 15) && NumberGreater(c, 3)) {
        return kTagDishonest;
    }
    if (NumberGreater(c, 2) || NumberGreater(b, 8)) {
        return kTagMindQuality;
    }
    if (NumberGreater(b, 5)) {
        return kTagAverage;
    }
    if (NumberGreater(a, 30) && NumberEqual(c, 0)) {
        return kTagHonest;
    }
    return kTagAcceptable;
}

void ShowSellerVerdict(Window& w) {
    if (w.ReadText(Ctl::超级链接框1) == kNoShopCaption) {
        w.WriteText(Ctl::标签48, kNoShop);
        return;
    }
    const double a = NumberIn(w, Ctl::编辑框一月好);
    const double b = NumberIn(w, Ctl::编辑框一月中);
    const double c = NumberIn(w, Ctl::编辑框一月差);
    const double size = a + b + c;
    if (NumberLess(size, 5)) {
        w.WriteText(Ctl::标签48, kPoorlyRun);
        w.WritePicture(Ctl::图片框8, BytesOf(assets::CrossPicture()));
    } else if (NumberLess(size, 10)) {
        w.WriteText(Ctl::标签48, kSmallShop);
    } else if (NumberLess(size, 19)) {
        w.WriteText(Ctl::标签48, kMediumShop);
        w.WritePicture(Ctl::图片框8, BytesOf(assets::TickPicture()));
    } else {
        w.WriteText(Ctl::标签48, kProfessionalShop);
        w.WritePicture(Ctl::图片框8, BytesOf(assets::TickPicture()));
    }
    Append(w, Ctl::标签48, ShopTag(a, b, c));
}

}  // namespace

void ShowVerdicts(Window& w) {
    w.WriteText(Ctl::标签38, Text());
    w.WriteText(Ctl::标签48, Text());
    w.WritePicture(Ctl::图片框5, ByteBuffer());
    w.WritePicture(Ctl::图片框8, ByteBuffer());
    ShowBuyerVerdict(w);
    ShowSellerVerdict(w);
}

}  // namespace kestrova
