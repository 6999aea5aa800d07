#pragma once
// The sample marketplace at two moments: as first seen, and some weeks later,
// when a few members have traded (or been blocked) since. A member looked up
// on both sides of the switch gives its history something to compare.

namespace kestrova {

enum class MarketMoment { kFirst, kLater };

}  // namespace kestrova
