#pragma once
// The addresses the query's requests go to, each worked out from the pages
// that came before it, and the facts of a page that decide whether a request
// is made at all. The steps ask for them when they get there; a fast lookup
// works them out as soon as the pages are in, to start the requests early.
// One definition serves both, so both ask for the very same thing.

#include <array>
#include <cstdint>

#include "lookup/Lookup.h"
#include "text/Text.h"
#include "web/RegexHelper.h"

namespace kestrova {

// How the profile answer ends a lookup, if it does.
enum class ProfileEnd { None, FetchFailed, Unknown, Blocked };

// `account` as it stands in 编辑框1.
Text ProfileAddress(const Text& account);
ProfileEnd ProfileEndOf(TextView profile);
// The profile carries the Tmall mark: the lookup stops after the rating lists.
bool IsTmallAccount(TextView profile);

Text PersonalSpaceAddress(TextView profile);
Text PhotoAddress(TextView spacePage);
inline constexpr std::size_t kHonourCount = 6;
// `rest` is the working text the walk through the page leaves behind.
std::array<Text, kHonourCount> HonourAddresses(TextView spacePage, Text& rest);

Text RatingPageAddressIn(RegexHelper& regex, TextView profile);
Text MemberIdIn(RegexHelper& regex, TextView ratingPage);
Text RatingListAddress(RatingList list, const Text& memberId);
// 卖家为主 or 买家为主, as 编辑框3 shows it for an account that is not Tmall's.
const Text& RoleOn(TextView ratingPage);

Text StatusAddress(const Text& account);
Text FavouritesAddress(TextView ratingPage);
Text LogoAddress(TextView favouritesPage);
Text SellerIconAddress(TextView ratingPage);
Text BuyerIconAddress(TextView ratingPage);

// The three summaries: "1" good, "0" neutral, "-1" bad. A buyer-mainly
// member's good count is read from the rating page instead.
inline const std::array<Text, 3> kSummaryResults = {"1", "0", "-1"};
Text SummaryAddress(const Text& result, const Text& memberId);
std::int32_t SummaryPageCount(RegexHelper& regex, TextView firstPage);
// Nothing when the first page is all there is.
bool HasLastSummaryPage(std::int32_t pages);
Text LastSummaryPageAddress(const Text& firstAddress, std::int32_t pages);

}  // namespace kestrova
