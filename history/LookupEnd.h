#pragma once
// How a lookup ended, read from what it left in the window. One rule for every
// front end, so that the window and the command line file their lookups alike.

#include <optional>
#include <string_view>

#include "form/FieldStore.h"

namespace kestrova {

enum class LookupEnd {
    kVerdicts,        // ran to both verdicts
    kTmallStop,       // stopped at the Tmall mark
    kFetchFailed,     // the profile request got no answer
    kUnknownAccount,  // the marketplace does not know the account
    kBlockedAccount,  // the account is blocked
    kCancelled,       // the user stopped it after the profile request
};

// `cancelled`: the front end stopped the lookup on the user's word. nullopt
// when the lookup sent no request at all (the empty-input check answered it).
// A window's status bar keeps an early end's message through later lookups,
// so a lookup that got further is judged by its fields first.
std::optional<LookupEnd> EndOf(const FieldStore& fields, bool cancelled);

// The name the history keeps: "verdicts", "tmall", "fetch_failed",
// "unknown_account", "blocked_account", "cancelled".
std::string_view EndName(LookupEnd end);
std::optional<LookupEnd> EndFromName(std::string_view name);

}  // namespace kestrova
