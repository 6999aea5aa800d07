#include "cli/history/SavedLookupText.h"

#include <iostream>

#include "cli/report/FieldReport.h"
#include "cli/report/MissingReport.h"
#include "history/LookupEnd.h"
#include "history/TimeText.h"
#include "history/store/PreparedLookup.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "text/TerminalText.h"

namespace kestrova {
namespace {

std::string LeftOutNote(int leftOut) {
    std::string parts;
    if ((leftOut & kPageTextsLeftOut) != 0) {
        parts = "the whole page texts";
    }
    if ((leftOut & kPicturesLeftOut) != 0) {
        parts += parts.empty() ? "some pictures" : " and some pictures";
    }
    return parts + " of this lookup were left out of the history: the lookup was larger than the " +
           std::to_string(kLookupBound >> 20) + " MiB it may add";
}

// A verdict carries the spaces that separate its appended parts.
std::string Shown(const Text& gbk) {
    return GbkToUtf8(TrimSpaces(gbk));
}

}  // namespace

std::string LookupLabel(const LookupRow& lookup) {
    // A lookup the history could not take (yet) has no number.
    return (lookup.id > 0 ? "#" + std::to_string(lookup.id) : std::string("(not saved)")) + " " +
           LocalTimeText(lookup.started);
}

std::string EndText(const LookupRow& lookup) {
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

nlohmann::ordered_json SummaryJson(const LookupRow& lookup) {
    nlohmann::ordered_json object = {{"id", lookup.id},
                                     {"account", lookup.account},
                                     {"started", UtcTimeText(lookup.started)},
                                     {"ended", UtcTimeText(lookup.ended)},
                                     {"end", lookup.end},
                                     {"mode", lookup.mode},
                                     {"status", GbkToUtf8(lookup.status)},
                                     {"buyer_verdict", GbkToUtf8(lookup.buyerVerdict)},
                                     {"shop_verdict", GbkToUtf8(lookup.shopVerdict)}};
    // A lookup saved before pages were told apart prints what it printed then.
    if (lookup.complete) {
        object["complete"] = *lookup.complete;
        object["missing_pages"] = lookup.missingPages;
    }
    // Who saved it: known for lookups saved since the history kept it.
    if (!lookup.who.empty()) {
        object["who"] = lookup.who;
        object["host"] = lookup.host;
    }
    return object;
}

std::string SavedListing(const SavedLookup& lookup) {
    std::string text = FieldListing(lookup.fields);
    if (lookup.pages) {
        text += IncompleteLine(*lookup.pages);
    }
    // What did not fit in the history is said beside the fields, never in them.
    if (lookup.row.leftOut != kNothingLeftOut) {
        text += "(not saved)\t" + LeftOutNote(lookup.row.leftOut) + "\n";
    }
    return text;
}

nlohmann::ordered_json SavedObject(const SavedLookup& lookup) {
    nlohmann::ordered_json object = FieldObject(lookup.fields);
    if (lookup.pages) {
        AddCompleteness(object, *lookup.pages);
    }
    if (lookup.row.leftOut != kNothingLeftOut) {
        object["left_out"] = LeftOutNote(lookup.row.leftOut);
    }
    return object;
}

int HistoryFailure(const std::string& message) {
    std::cerr << TerminalText("kestrova-cli: " + message) << "\n";
    return kHistoryFailure;
}

}  // namespace kestrova
