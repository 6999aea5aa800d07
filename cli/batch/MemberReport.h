#pragma once
// What each member of a batch prints: a block of the field listing headed by
// the account, or one line of JSON Lines, the single lookup's object with the
// account added first. A member whose query broke off with a run-time error
// shows that error instead of its fields; one the run did not check says so
// and why; one whose saved lookup stood in shows that lookup, and says which.

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "cli/batch/BatchLookup.h"
#include "history/MarkEntry.h"

namespace kestrova {

// The first line of a member's block.
std::string MemberHeading(const std::string& account);
// The heading and the listing, the member's notes and mark at its end; no
// blank line around it.
std::string MemberBlock(const MemberLookup& member, const MemberMarks& marks = {});
// One line, ending in a line feed; "mark" and "notes" after the fields.
std::string MemberJsonLine(const MemberLookup& member, const MemberMarks& marks = {});

// A saved lookup in the member's place: its listing, then "(from history)"
// and the lookup's label; or its JSON object with "from_history": id.
std::string SavedMemberBlock(const std::string& account, const std::string& savedListing,
                             const std::string& label);
std::string SavedMemberJsonLine(const std::string& account, std::int64_t id,
                                const nlohmann::ordered_json& saved);

// The run-time error box text in UTF-8, line breaks as LF.
std::string FaultText(const Text& boxText);

}  // namespace kestrova
