#include "history/LookupEnd.h"

#include <array>
#include <utility>

#include "form/QueryEnds.h"

namespace kestrova {
namespace {

constexpr std::array<std::pair<LookupEnd, std::string_view>, 6> kNames = {{
    {LookupEnd::kVerdicts, "verdicts"},
    {LookupEnd::kTmallStop, "tmall"},
    {LookupEnd::kFetchFailed, "fetch_failed"},
    {LookupEnd::kUnknownAccount, "unknown_account"},
    {LookupEnd::kBlockedAccount, "blocked_account"},
    {LookupEnd::kCancelled, "cancelled"},
}};

}  // namespace

std::optional<LookupEnd> EndOf(const FieldStore& fields, bool cancelled) {
    if (fields.ReadText(Ctl::编辑框1).empty()) {
        return std::nullopt;
    }
    if (fields.ReadText(Ctl::编辑框3) == kTmallRole) {
        return LookupEnd::kTmallStop;
    }
    // The buyer verdict is never empty once the verdicts have run.
    if (!fields.ReadText(Ctl::标签38).empty()) {
        return LookupEnd::kVerdicts;
    }
    if (cancelled) {
        return LookupEnd::kCancelled;
    }
    const Text& status = fields.StatusText();
    if (status == kFetchFailedMessage) {
        return LookupEnd::kFetchFailed;
    }
    if (status == kUnknownAccountMessage) {
        return LookupEnd::kUnknownAccount;
    }
    if (status == kBlockedAccountMessage) {
        return LookupEnd::kBlockedAccount;
    }
    return std::nullopt;
}

std::string_view EndName(LookupEnd end) {
    for (const auto& [value, name] : kNames) {
        if (value == end) {
            return name;
        }
    }
    return {};
}

std::optional<LookupEnd> EndFromName(std::string_view name) {
    for (const auto& [value, known] : kNames) {
        if (known == name) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace kestrova
