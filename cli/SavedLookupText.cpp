#include "cli/SavedLookupText.h"

#include <iostream>

#include "history/LookupEnd.h"
#include "history/TimeText.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "text/TerminalText.h"

namespace kestrova {
namespace {

// A verdict carries the spaces that separate its appended parts.
std::string Shown(const Text& gbk) {
    return GbkToUtf8(TrimSpaces(gbk));
}

}  // namespace

std::string LookupLabel(const SavedLookupSummary& lookup) {
    // A lookup the history could not take (yet) has no number.
    return (lookup.id > 0 ? "#" + std::to_string(lookup.id) : std::string("(not saved)")) + " " +
           LocalTimeText(lookup.started);
}

std::string EndText(const SavedLookupSummary& lookup) {
    const std::optional<LookupEnd> end = EndFromName(lookup.end);
    if (!end) {
        return "(" + lookup.end + ")";
    }
    switch (*end) {
        case LookupEnd::kVerdicts:
            return Shown(lookup.buyerVerdict) + "\t" + Shown(lookup.shopVerdict);
        case LookupEnd::kTmallStop:
            return "天猫ID";
        case LookupEnd::kCancelled:
            return "(cancelled)";
        case LookupEnd::kFetchFailed:
        case LookupEnd::kUnknownAccount:
        case LookupEnd::kBlockedAccount:
            break;
    }
    return GbkToUtf8(lookup.status);
}

nlohmann::ordered_json SummaryJson(const SavedLookupSummary& lookup) {
    return {{"id", lookup.id},
            {"account", lookup.account},
            {"started", UtcTimeText(lookup.started)},
            {"ended", UtcTimeText(lookup.ended)},
            {"end", lookup.end},
            {"mode", lookup.mode},
            {"status", GbkToUtf8(lookup.status)},
            {"buyer_verdict", GbkToUtf8(lookup.buyerVerdict)},
            {"shop_verdict", GbkToUtf8(lookup.shopVerdict)}};
}

int HistoryFailure(const std::string& message) {
    std::cerr << TerminalText("kestrova-cli: " + message) << "\n";
    return kHistoryFailure;
}

}  // namespace kestrova
