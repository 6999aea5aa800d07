#pragma once
// The lookup a re-check compares a new one with: the member's latest lookup
// that counts as complete.

#include <cstdint>
#include <optional>
#include <string>

#include "history/History.h"

namespace kestrova {

// A lookup counts as complete when the marketplace answered its profile
// request and it ran to one of the query's own ends: not one the user
// stopped midway, nor one whose profile request got no answer. This is the
// one place that decides; a lookup that is known to have missed pages
// belongs here too.
bool CountsAsComplete(const LookupRow& lookup);

// The id of the member's latest complete lookup, nullopt when it has none.
std::optional<std::int64_t> LatestCompleteLookup(History& history, const std::string& account);

}  // namespace kestrova
