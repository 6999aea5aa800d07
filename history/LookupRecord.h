#pragma once
// A finished lookup as a front end hands it to the history.

#include <chrono>
#include <optional>
#include <string>

#include "form/Completeness.h"
#include "form/FieldStore.h"

namespace kestrova {

struct LookupRecord {
    const FieldStore& fields;  // what the lookup wrote
    std::string account;       // as typed, UTF-8
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
    std::string mode = "sequential";  // how the front end ran the query
    bool cancelled = false;           // stopped on the user's word, after the profile request
    // fields.MessageBoxCount() when the lookup began. A window's store keeps
    // the last box of any earlier lookup; only a box shown since is this one's.
    int messageBoxesBefore = 0;
    // Which pages the lookup got; nullopt where the front end cannot say.
    std::optional<Completeness> pages = std::nullopt;
};

}  // namespace kestrova
