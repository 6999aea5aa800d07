#pragma once
// The pages the micro benchmarks work on, built from the sample marketplace's
// full seller, as the program receives them (GBK).

#include <cstddef>

#include "text/Text.h"

namespace kestrova::bench {

// The full seller's account name in GBK.
Text FullSellerAccount();

inline constexpr std::size_t kPaddedPageSize = 100 * 1024;

// The full seller's rating overview page, padded to kPaddedPageSize bytes with
// a block of rating rows in Chinese right behind <body>, as large pages carry
// ahead of the values the query cuts. The padding holds none of the query's
// markers.
const Text& PaddedRatingPage();
// The same for a member who buys mainly (书虫阿林).
const Text& PaddedBuyerRatingPage();

// The unpadded rating overview page, the profile page, and the first page of
// the good-rating summary (40 entries).
const Text& RatingPage();
const Text& ProfilePage();
const Text& SummaryPage();

// The JSONP list of ratings the full seller gave.
const Text& RatingListJsonp();

}  // namespace kestrova::bench
