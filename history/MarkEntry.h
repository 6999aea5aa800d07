#pragma once
// What a user concluded about a member: a mark (blacklisted or trusted, with
// a reason; a cleared mark is kept as such) and any number of notes. Each
// entry says who made it (a login name) and when. Texts are the user's own,
// in UTF-8, one line each.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

enum class MarkKind { kBlacklist, kTrusted, kClear, kNote };

// "blacklist", "trusted", "clear", "note": the names the lists and the files
// of marks use.
std::string_view MarkKindName(MarkKind kind);
std::optional<MarkKind> MarkKindFromName(std::string_view name);

struct MarkEntry {
    std::string account;  // as typed
    MarkKind kind = MarkKind::kNote;
    std::string text;  // the reason of a mark, the words of a note
    std::string who;
    std::chrono::system_clock::time_point when;
    std::string host = {};  // the machine it was made on ("" where not known)
    friend bool operator==(const MarkEntry&, const MarkEntry&) = default;
};

// A member as a lookup shows it: its mark unless cleared, its notes oldest
// first.
struct MemberMarks {
    std::optional<MarkEntry> mark;
    std::vector<MarkEntry> notes;
    bool Empty() const { return !mark && notes.empty(); }
};

// Why a text cannot be an account, reason, note or name in the history, or
// nullopt when it can: it must be valid UTF-8 on one line, without control
// characters or the invisible marks that turn the direction of text around.
std::optional<std::string> ProblemWithText(std::string_view utf8);

// Now, to the millisecond the history keeps.
std::chrono::system_clock::time_point NowForHistory();

}  // namespace kestrova
