#include "lookup/PageNames.h"

#include <array>
#include <utility>

namespace kestrova {
namespace {

struct PageName {
    PlannedPage page;
    std::string_view key;
    std::string_view title;
    std::string_view chinese;
};

// Pages with an index (honours, summaries) are named below.
constexpr std::array<PageName, 12> kPages = {{
    {PlannedPage::Profile, "profile", "profile", "会员资料页"},
    {PlannedPage::PersonalSpace, "personal_space", "personal space page", "个人空间页"},
    {PlannedPage::Photo, "photo", "personal photo", "个人照片"},
    {PlannedPage::RatingPage, "rating_page", "rating page", "信用评价页"},
    {PlannedPage::GivenList, "given_list", "ratings given", "给出的评价"},
    {PlannedPage::ReceivedList, "received_list", "ratings received", "收到的评价"},
    {PlannedPage::Status, "status", "messenger status", "旺旺状态"},
    {PlannedPage::Favourites, "favourites", "favourites page", "收藏页"},
    {PlannedPage::Logo, "logo", "shop logo", "店铺LOGO"},
    {PlannedPage::SellerIcon, "seller_icon", "seller credit icon", "卖家信用图标"},
    {PlannedPage::BuyerIcon, "buyer_icon", "buyer credit icon", "买家信用图标"},
    {PlannedPage::SummaryFirst, "", "", ""},
}};

constexpr std::array<std::string_view, 3> kSummaryKeys = {"good", "neutral", "bad"};
constexpr std::array<std::string_view, 3> kSummaryChinese = {"好评", "中评", "差评"};
constexpr std::string_view kHonourKey = "honour_";
constexpr std::string_view kSummaryKey = "summary_";
constexpr std::string_view kLastSuffix = "_last";

// Reason parts, English and the window's words.
constexpr std::array<std::pair<std::string_view, std::string_view>, 17> kReasonWords = {{
    {"refused by the marketplace", "被市场拒绝"},
    {"no answer", "无应答"},
    {"HTTP error", "HTTP 错误"},
    {"cut at the body cap", "正文超过上限，被截断"},
    {"verification page", "验证页"},
    {"login page", "登录页"},
    {"host not found", "找不到主机"},
    {"connection refused", "连接被拒绝"},
    {"time-out", "超时"},
    {"connection reset", "连接中断"},
    {"cancelled", "已取消"},
    {"refused by our own rules (unsafe address)", "被本程序的规则拒绝（地址不安全）"},
    {"refused by our own rules (not a public address)", "被本程序的规则拒绝（非公网地址）"},
    {"refused by our own rules (redirect)", "被本程序的规则拒绝（重定向）"},
    {"refused by our own rules (too many redirects)", "被本程序的规则拒绝（重定向过多）"},
    {"refused by our own rules (too many bytes on the wire)", "被本程序的规则拒绝（数据过多）"},
    {"failed", "失败"},
}};

std::string_view ChineseWord(std::string_view english) {
    for (const auto& [word, chinese] : kReasonWords) {
        if (word == english) {
            return chinese;
        }
    }
    return english;
}

std::optional<int> Digit(std::string_view s, int low, int high) {
    if (s.size() != 1 || s[0] < '0' + low || s[0] > '0' + high) {
        return std::nullopt;
    }
    return s[0] - '0';
}

}  // namespace

std::string PageKey(PageRef ref) {
    if (ref.page == PlannedPage::Honour) {
        return std::string(kHonourKey) + std::to_string(ref.index + 1);
    }
    if (ref.page == PlannedPage::SummaryFirst || ref.page == PlannedPage::SummaryLast) {
        const auto i = static_cast<std::size_t>(ref.index) < kSummaryKeys.size()
                           ? static_cast<std::size_t>(ref.index)
                           : 0;
        return std::string(kSummaryKey) + std::string(kSummaryKeys[i]) +
               (ref.page == PlannedPage::SummaryLast ? std::string(kLastSuffix) : "");
    }
    for (const PageName& name : kPages) {
        if (name.page == ref.page && !name.key.empty()) {
            return std::string(name.key);
        }
    }
    return std::string(kUnplannedPageKey);
}

std::optional<PageRef> PageFromKey(std::string_view key) {
    if (key.substr(0, kHonourKey.size()) == kHonourKey) {
        if (const auto n = Digit(key.substr(kHonourKey.size()), 1, 6)) {
            return PageRef{PlannedPage::Honour, *n - 1};
        }
        return std::nullopt;
    }
    if (key.substr(0, kSummaryKey.size()) == kSummaryKey) {
        std::string_view rest = key.substr(kSummaryKey.size());
        PlannedPage page = PlannedPage::SummaryFirst;
        if (rest.size() > kLastSuffix.size() &&
            rest.substr(rest.size() - kLastSuffix.size()) == kLastSuffix) {
            page = PlannedPage::SummaryLast;
            rest.remove_suffix(kLastSuffix.size());
        }
        for (std::size_t i = 0; i < kSummaryKeys.size(); ++i) {
            if (rest == kSummaryKeys[i]) {
                return PageRef{page, static_cast<int>(i)};
            }
        }
        return std::nullopt;
    }
    for (const PageName& name : kPages) {
        if (!name.key.empty() && name.key == key) {
            return PageRef{name.page, 0};
        }
    }
    return std::nullopt;
}

std::string PageTitle(std::string_view key) {
    const std::optional<PageRef> ref = PageFromKey(key);
    if (!ref) {
        return std::string(key);
    }
    if (ref->page == PlannedPage::Honour) {
        return "honour " + std::to_string(ref->index + 1);
    }
    if (ref->page == PlannedPage::SummaryFirst || ref->page == PlannedPage::SummaryLast) {
        return std::string(kSummaryKeys[static_cast<std::size_t>(ref->index)]) + "-rating summary" +
               (ref->page == PlannedPage::SummaryLast ? ", last page" : "");
    }
    for (const PageName& name : kPages) {
        if (name.page == ref->page && !name.key.empty()) {
            return std::string(name.title);
        }
    }
    return std::string(key);
}

std::string PageTitleChinese(std::string_view key) {
    const std::optional<PageRef> ref = PageFromKey(key);
    if (!ref) {
        return key == kUnplannedPageKey ? "其他页面" : std::string(key);
    }
    if (ref->page == PlannedPage::Honour) {
        return "荣誉图片" + std::to_string(ref->index + 1);
    }
    if (ref->page == PlannedPage::SummaryFirst || ref->page == PlannedPage::SummaryLast) {
        return std::string(kSummaryChinese[static_cast<std::size_t>(ref->index)]) + "汇总" +
               (ref->page == PlannedPage::SummaryLast ? "末页" : "首页");
    }
    for (const PageName& name : kPages) {
        if (name.page == ref->page && !name.key.empty()) {
            return std::string(name.chinese);
        }
    }
    return std::string(key);
}

std::string ReasonChinese(std::string_view reason) {
    // "kind: detail", or "HTTP error 404".
    const std::size_t colon = reason.find(": ");
    if (colon != std::string_view::npos) {
        return std::string(ChineseWord(reason.substr(0, colon))) + "：" +
               std::string(ChineseWord(reason.substr(colon + 2)));
    }
    constexpr std::string_view kHttpError = "HTTP error ";
    if (reason.substr(0, kHttpError.size()) == kHttpError) {
        return std::string(ChineseWord("HTTP error")) + " " +
               std::string(reason.substr(kHttpError.size()));
    }
    return std::string(ChineseWord(reason));
}

}  // namespace kestrova
