#pragma once
// Which pages a lookup did not get, and why. The fields show whatever the
// cut rules made of what arrived (empty where nothing did); this is said
// beside them, by the lookup that knows, and kept with them by the history.

#include <string>
#include <vector>

#include "text/Text.h"

namespace kestrova {

struct MissingPage {
    std::string page;    // the page's key: "rating_page", "honour_3", "summary_bad_last"
    Text url;            // the address asked for, as the lookup asked it (GBK bytes)
    std::string reason;  // "no answer: time-out", "refused by the marketplace: HTTP 429"
    friend bool operator==(const MissingPage&, const MissingPage&) = default;
};

struct Completeness {
    // Every request the lookup sent was answered, and it was not cancelled.
    bool complete = true;
    std::vector<MissingPage> missing;  // in the order the lookup asked for them
    friend bool operator==(const Completeness&, const Completeness&) = default;
};

}  // namespace kestrova
