#include "marketplace/RatingEntries.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace kestrova::marketplace {

namespace {

struct Item {
    const char* title;
    const char* sku;
};

// Titles end their JSON object, so none may hold "}," or a key name; variant
// texts end at the first comma, so none holds one.
constexpr std::array<Item, 12> kCatalogue = {{
    {"手工冷制橄榄皂 100g", "香型:薰衣草"},
    {"薰衣草精油 10ml", "规格:10ml"},
    {"玫瑰纯露 喷雾装", "容量:200ml"},
    {"竹炭洁面皂", "颜色分类:黑色"},
    {"棉麻手工收纳袋", "尺寸:中号"},
    {"陶瓷香薰炉", "颜色分类:月白"},
    {"复古帆布双肩包", "颜色分类:军绿"},
    {"纯棉印花T恤", "尺码:L;颜色:藏青"},
    {"保温不锈钢水杯 500ml", "颜色分类:天蓝"},
    {"手绘明信片套装", "套餐:12张"},
    {"老式机械闹钟", "颜色分类:复古红"},
    {"云南普洱熟茶 357g", "年份:2009"},
}};

constexpr std::array<const char*, 10> kGoodComments = {
    "宝贝收到了，和描述的一样，很满意！", "包装很用心，物流也快，五星好评。",
    "第二次购买了，品质一如既往的好。",   "掌柜人很好，有问必答，推荐！",
    "味道很清新，用着很舒服。",           "性价比很高，下次还来。",
    "做工精细，送朋友很有面子。",         "发货速度很快，隔天就到了。",
    "好评！付款爽快，沟通愉快。",         "一直在这家买，放心。",
};

constexpr std::array<const char*, 4> kNeutralComments = {
    "东西还行，就是物流有点慢。",
    "颜色和图片有些差别，一般般吧。",
    "包装有点简陋，东西凑合。",
    "中规中矩，没有想象中好。",
};

constexpr std::array<const char*, 3> kBadComments = {
    "收到的东西有破损，联系掌柜也不理。",
    "和描述严重不符，很失望。",
    "等了十天才发货，不会再来了。",
};

constexpr std::array<const char*, 12> kNicks = {
    "阿***米", "t***8",   "s***y", "小***子", "j***n", "木***木",
    "w***3",   "黎***光", "q***q", "橙***橙", "m***5", "北***风",
};

std::chrono::sys_seconds ParseDate(const std::string& text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (std::sscanf(text.c_str(), "%d.%d.%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s) != 6) {
        throw std::invalid_argument("rating date: " + text);
    }
    const std::chrono::sys_days day = std::chrono::year{y} /
                                      std::chrono::month{static_cast<unsigned>(mo)} /
                                      std::chrono::day{static_cast<unsigned>(d)};
    return day + std::chrono::hours{h} + std::chrono::minutes{mi} + std::chrono::seconds{s};
}

std::string FormatDate(std::chrono::sys_seconds t) {
    const auto day = std::chrono::floor<std::chrono::days>(t);
    const std::chrono::year_month_day ymd{day};
    const std::chrono::hh_mm_ss hms{t - day};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d.%02u.%02u %02d:%02d:%02d", int(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()), int(hms.hours().count()),
                  int(hms.minutes().count()), int(hms.seconds().count()));
    return buffer;
}

RatingKind KindOf(char c) {
    switch (c) {
        case 'N':
            return RatingKind::kNeutral;
        case 'B':
            return RatingKind::kBad;
        default:
            return RatingKind::kGood;
    }
}

}  // namespace

std::string RateValue(RatingKind kind) {
    switch (kind) {
        case RatingKind::kNeutral:
            return "0";
        case RatingKind::kBad:
            return "-1";
        case RatingKind::kGood:
            break;
    }
    return "1";
}

RatingEntry PlainEntry(std::string aucNumId, std::string title, std::string sku,
                       std::string content, std::string date, std::string nick, RatingKind kind) {
    RatingEntry e;
    e.aucNumId = std::move(aucNumId);
    e.title = std::move(title);
    e.sku = sku;
    e.shownSku = std::move(sku);
    e.content = content;
    e.shownComment = std::move(content);
    e.date = std::move(date);
    e.nick = std::move(nick);
    e.kind = kind;
    e.rate = RateValue(kind);
    return e;
}

std::vector<RatingEntry> PlainEntries(int seed, int count, const std::string& pattern,
                                      const std::string& firstDate) {
    std::vector<RatingEntry> entries;
    const auto first = ParseDate(firstDate);
    for (int i = 0; i < count; ++i) {
        const RatingKind kind = KindOf(pattern[static_cast<std::size_t>(i) % pattern.size()]);
        const std::size_t k = static_cast<std::size_t>(seed * 7 + i);
        const Item& item = kCatalogue[k % kCatalogue.size()];
        const char* comment = kind == RatingKind::kGood ? kGoodComments[k % kGoodComments.size()]
                              : kind == RatingKind::kNeutral
                                  ? kNeutralComments[k % kNeutralComments.size()]
                                  : kBadComments[k % kBadComments.size()];
        const std::string id = std::to_string(13025700000LL + seed * 100003LL + i * 7919LL);
        // Ratings are some hours apart, newest first.
        const auto when = first - std::chrono::minutes{i * (397 + seed % 5 * 61)};
        entries.push_back(PlainEntry(id, item.title, item.sku, comment, FormatDate(when),
                                     kNicks[(k * 5 + 3) % kNicks.size()], kind));
    }
    return entries;
}

}  // namespace kestrova::marketplace
