#pragma once
// Rating entries for the member table: plain ones drawn from a small
// catalogue, and the helper that fills in what a plain entry's row shows.

#include <string>
#include <vector>

#include "marketplace/Members.h"

namespace kestrova::marketplace {

// A plain entry: every key present, nothing the row would change.
RatingEntry PlainEntry(std::string aucNumId, std::string title, std::string sku,
                       std::string content, std::string date, std::string nick, RatingKind kind);

// count entries, newest first, starting at firstDate ("YYYY.MM.DD HH:MM:SS")
// and going back a few hours each; kinds cycles through pattern ('G', 'N',
// 'B'). seed varies items, comments and nicks between members.
std::vector<RatingEntry> PlainEntries(int seed, int count, const std::string& pattern,
                                      const std::string& firstDate);

// "1", "0" or "-1".
std::string RateValue(RatingKind kind);

}  // namespace kestrova::marketplace
