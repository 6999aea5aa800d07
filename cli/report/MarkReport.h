#pragma once
// How the command line shows what the user concluded about a member: beside
// a lookup (the "mark" and "notes" of its JSON, lines at the end of its
// listing) and in the lists of marks (text, JSON, CSV: the same columns).

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "form/FieldStore.h"
#include "history/MarkEntry.h"

namespace kestrova {

class History;

// "黑名单", "信任", "已清除", "备注".
std::string MarkKindWord(MarkKind kind);

// Adds "mark" (null, or kind, reason, who, when) and "notes" (text, who,
// when; oldest first) to a lookup's object.
void AddMarksToJson(nlohmann::ordered_json& lookup, const MemberMarks& marks);
// "备注\tTEXT" for each note, then "标记\t黑名单：REASON"; nothing for a
// member without either.
std::string MarkLines(const MemberMarks& marks);

// The lists: account, kind, text, who, when.
inline constexpr const char* kMarkColumns[] = {"account", "kind", "text", "who", "when"};
std::string MarkEntryLine(const MarkEntry& entry);  // local time, tab-separated
nlohmann::ordered_json MarkEntryJson(const MarkEntry& entry);
std::vector<std::string> MarkEntryCells(const MarkEntry& entry);

// The marks of each member a run prints, read from the history as they
// stand when the member is printed. Where the history cannot be read the
// members show none; `warn` says so once on standard error (a run that saves
// into the same history says what is wrong with it already).
class MarksBeside {
  public:
    // `history` null: none to read; else it outlives this.
    MarksBeside(History* history, bool warn) : history_(history), warn_(warn) {}
    MemberMarks Of(const std::string& account);

  private:
    History* history_;
    bool warn_;
    bool failed_ = false;
};

}  // namespace kestrova
