#include "history/PreviousLookup.h"

#include "history/LookupEnd.h"

namespace kestrova {

bool CountsAsComplete(const LookupRow& lookup) {
    const auto end = EndFromName(lookup.end);
    return end != LookupEnd::kCancelled && end != LookupEnd::kFetchFailed &&
           lookup.complete.value_or(true);
}

std::optional<std::int64_t> LatestCompleteLookup(History& history, const std::string& account) {
    for (const LookupRow& lookup : history.Recent(account, 0)) {
        if (CountsAsComplete(lookup)) {
            return lookup.id;
        }
    }
    return std::nullopt;
}

}  // namespace kestrova
