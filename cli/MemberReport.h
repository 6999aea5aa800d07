#pragma once
// What each member of a batch prints: a block of the field listing headed by
// the account, or one line of JSON Lines, the single lookup's object with the
// account added first. A member whose query broke off with a run-time error
// shows that error instead of its fields.

#include <string>

#include "cli/BatchLookup.h"
#include "history/MarkEntry.h"

namespace kestrova {

// The first line of a member's block.
std::string MemberHeading(const std::string& account);
// The heading and the listing, the member's notes and mark at its end; no
// blank line around it.
std::string MemberBlock(const MemberLookup& member, const MemberMarks& marks = {});
// One line, ending in a line feed; "mark" and "notes" after the fields.
std::string MemberJsonLine(const MemberLookup& member, const MemberMarks& marks = {});

// The run-time error box text in UTF-8, line breaks as LF.
std::string FaultText(const Text& boxText);

}  // namespace kestrova
