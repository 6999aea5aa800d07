#pragma once
// The pages of a lookup by name: a key for files and JSON, a name for the
// command line and one for the window.

#include <compare>
#include <optional>
#include <string>
#include <string_view>

#include "lookup/RequestPlan.h"

namespace kestrova {

// One page of the request plan: the honour (0-5) or the summary (0 good,
// 1 neutral, 2 bad) by its index, every other page at index 0.
struct PageRef {
    PlannedPage page = PlannedPage::Profile;
    int index = 0;
    friend auto operator<=>(const PageRef&, const PageRef&) = default;
};

// "profile", "personal_space", "photo", "honour_1" ... "honour_6",
// "rating_page", "given_list", "received_list", "status", "favourites",
// "logo", "seller_icon", "buyer_icon", "summary_good", "summary_good_last",
// "summary_neutral" ... "summary_bad_last".
std::string PageKey(PageRef page);
// A request the plan did not foresee.
inline constexpr std::string_view kUnplannedPageKey = "other";
std::optional<PageRef> PageFromKey(std::string_view key);

// "rating page", "honour 3", "bad-rating summary, last page"; the key itself
// for a key this program does not know.
std::string PageTitle(std::string_view key);
// The same in the window's language (UTF-8): "信用评价页", "荣誉图片3".
std::string PageTitleChinese(std::string_view key);
// A missing page's reason in the window's language (UTF-8); parts this
// program does not know stay as they are.
std::string ReasonChinese(std::string_view reason);

}  // namespace kestrova
