#pragma once
// The history for a spreadsheet: one CSV row per lookup with the figures a
// trader compares, UTF-8 with a byte-order mark so that the Chinese texts
// show, cells quoted as RFC 4180 wants and formula-looking cells made text.

#include <string>
#include <vector>

#include "history/History.h"

namespace kestrova {

// The header and a row for each lookup, in the order given. The mark column
// is the member's mark now.
std::string HistoryCsv(History& history, const std::vector<LookupRow>& lookups);

}  // namespace kestrova
