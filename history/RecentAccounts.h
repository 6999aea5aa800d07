#pragma once
// The accounts of the members looked up before, for completing a name: each
// member once, as it was typed last, the member looked up last first.

#include <filesystem>
#include <string>
#include <vector>

#include "history/HistoryPlace.h"

namespace kestrova {

// At most `limit` of them. Reads without changing the history (a file of an
// older version is read as it stands); a history that is not there, cannot
// be read or reached, or is of a newer Kestrova gives none.
std::vector<std::string> RecentAccounts(const HistoryPlace& place, int limit);

}  // namespace kestrova
