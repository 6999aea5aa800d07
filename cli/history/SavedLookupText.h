#pragma once
// How the history commands name saved lookups and say what went wrong.

#include <nlohmann/json.hpp>
#include <string>

#include "history/store/LookupRow.h"

namespace kestrova {

inline constexpr int kHistoryFailure = 1;

// "#12 2011-03-20 14:05:09".
std::string LookupLabel(const LookupRow& lookup);
// How the lookup ended, for a listing: both verdicts, or the end's own words.
std::string EndText(const LookupRow& lookup);
// id, account, times, end, mode and status, as JSON.
nlohmann::ordered_json SummaryJson(const LookupRow& lookup);

// What lookup printed for this saved lookup, byte for byte: the field
// listing, or the JSON object; either with what did not fit in the history
// said after it, and, for a lookup saved with them, which pages it got.
std::string SavedListing(const SavedLookup& lookup);
nlohmann::ordered_json SavedObject(const SavedLookup& lookup);

// Prints "kestrova-cli: message" on standard error; returns kHistoryFailure.
int HistoryFailure(const std::string& message);

}  // namespace kestrova
