#include "bench/SamplePages.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string>

#include "marketplace/Pages.h"
#include "text/Gbk.h"

namespace kestrova::bench {

namespace {

const marketplace::Member& FullSeller() {
    static const marketplace::Member* member = marketplace::FindMember("青禾手作坊");
    return *member;
}

// A member who buys mainly, whose page shows the buyer credit outside a list.
const marketplace::Member& BuyingMember() {
    static const marketplace::Member* member = marketplace::FindMember("书虫阿林");
    return *member;
}

// Invented comments; no marker of the query, no digits in links, no dates
// written with 年月日.
constexpr std::array<const char*, 6> kComments = {
    "宝贝收到了，包装很用心，皂的味道清新自然，洗完不紧绷。",
    "物流很快，掌柜态度也好，送的小样很喜欢，下次还来。",
    "香薰蜡烛做工精细，点起来有淡淡的桂花香，很治愈。",
    "第二次回购了，一如既往的好用，推荐给身边的朋友。",
    "颜色比图片略深一点，不过整体不错，性价比很高。",
    "手工的东西就是不一样，细节处理得很到位，值得。",
};
constexpr std::array<const char*, 4> kNicks = {"山间小雨", "青青河边草", "橘子汽水", "慢慢走"};

std::string PaddingRow(std::size_t k) {
    return "<tr class=\"rate-row\"><td class=\"rate-comment\">" +
           std::string(kComments[k % kComments.size()]) + "</td><td class=\"rate-nick\">" +
           kNicks[k % kNicks.size()] + "</td><td class=\"rate-date\">2011.03." +
           std::to_string(10 + k % 18) + "</td></tr>\n";
}

// Rows up to the size, then blanks inside the table to hit it exactly.
Text Padded(const Text& page, std::size_t size) {
    const Text body = "<body>\n";
    const std::size_t at = page.find(body) + body.size();
    Text block = "<table class=\"rate-history\">\n";
    const Text end = "</table>\n";
    for (std::size_t k = 0;; ++k) {
        const Text row = Utf8ToGbk(PaddingRow(k));
        if (page.size() + block.size() + row.size() + end.size() > size) {
            break;
        }
        block += row;
    }
    block.append(size - std::min(size, page.size() + block.size() + end.size()), ' ');
    return page.substr(0, at) + block + end + page.substr(at);
}

}  // namespace

Text FullSellerAccount() {
    return Utf8ToGbk(FullSeller().account);
}

const Text& PaddedRatingPage() {
    static const Text page = Padded(RatingPage(), kPaddedPageSize);
    return page;
}

const Text& PaddedBuyerRatingPage() {
    static const Text page =
        Padded(Utf8ToGbk(marketplace::RatingOverviewPage(BuyingMember())), kPaddedPageSize);
    return page;
}

const Text& RatingPage() {
    static const Text page = Utf8ToGbk(marketplace::RatingOverviewPage(FullSeller()));
    return page;
}

const Text& ProfilePage() {
    static const Text page =
        Utf8ToGbk(marketplace::ProfilePage(FullSeller(), std::chrono::system_clock::now()));
    return page;
}

const Text& SummaryPage() {
    static const Text page = Utf8ToGbk(marketplace::SummaryPage(&FullSeller(), "1", 1));
    return page;
}

const Text& RatingListJsonp() {
    static const Text page = Utf8ToGbk(marketplace::RatingListJsonp(
        &FullSeller(), marketplace::ListDirection::kGiven, "shop_rate_list"));
    return page;
}

}  // namespace kestrova::bench
