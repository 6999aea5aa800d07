#include "history/Marks.h"

#include <algorithm>
#include <map>

#include "history/HistoryAccess.h"
#include "history/MemberKey.h"
#include "history/Sqlite.h"

namespace kestrova {
namespace {

std::int64_t Milliseconds(std::chrono::system_clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

std::chrono::system_clock::time_point TimeOf(std::int64_t milliseconds) {
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(milliseconds));
}

MarkEntry EntryOf(const Statement& row, std::optional<MarkKind> kind) {
    // Columns: account, kind (marks only), text, who, at_ms.
    const int k = kind ? 1 : 0;
    MarkEntry entry;
    entry.account = row.Bytes(0);
    entry.kind = kind ? *kind : MarkKindFromName(row.Bytes(1)).value_or(MarkKind::kClear);
    entry.text = row.Bytes(2 - k);
    entry.who = row.Bytes(3 - k);
    entry.when = TimeOf(row.Number(4 - k));
    return entry;
}

void CheckEntry(const MarkEntry& entry) {
    for (const std::string* text : {&entry.account, &entry.text, &entry.who}) {
        if (const auto problem = ProblemWithText(*text)) {
            throw HistoryError("an entry cannot be kept: " + *problem);
        }
    }
    if (MemberKey(entry.account).empty()) {
        throw HistoryError("an entry cannot be kept: it names no member");
    }
}

// Writes the mark when `onlyNewer` is false or it is newer than the member's
// mark; true when written.
bool WriteMark(Connection& db, const MarkEntry& mark, bool onlyNewer) {
    CheckEntry(mark);
    Statement write(
        db, std::string("INSERT INTO mark (member, account, kind, reason, who, at_ms) "
                        "VALUES (?, ?, ?, ?, ?, ?) "
                        "ON CONFLICT (member) DO UPDATE SET account = excluded.account, "
                        "kind = excluded.kind, reason = excluded.reason, who = excluded.who, "
                        "at_ms = excluded.at_ms") +
                (onlyNewer ? " WHERE excluded.at_ms > mark.at_ms" : ""));
    write.BindText(1, MemberKey(mark.account));
    write.BindText(2, mark.account);
    write.BindText(3, MarkKindName(mark.kind));
    write.BindText(4, mark.text);
    write.BindText(5, mark.who);
    write.Bind(6, Milliseconds(mark.when));
    write.Run();
    return db.Changes() > 0;
}

}  // namespace

Marks::Marks(const std::filesystem::path& file, Access access, std::chrono::milliseconds busy)
    : file_(file),
      db_(access == Access::kWrite ? OpenHistoryToWrite(file, busy)
                                   : OpenHistoryToRead(file, busy)) {}

Marks::~Marks() = default;

MemberMarks Marks::Of(std::string_view account) const {
    MemberMarks marks;
    if (!db_) {
        return marks;
    }
    const std::string member = MemberKey(account);
    ReadTransaction read(*db_);
    Statement mark(*db_,
                   "SELECT account, kind, reason, who, at_ms FROM mark "
                   "WHERE member = ? AND kind != 'clear'");
    mark.BindText(1, member);
    if (mark.Step()) {
        marks.mark = EntryOf(mark, std::nullopt);
    }
    Statement notes(*db_,
                    "SELECT account, text, who, at_ms FROM note WHERE member = ? "
                    "ORDER BY at_ms, id");
    notes.BindText(1, member);
    while (notes.Step()) {
        marks.notes.push_back(EntryOf(notes, MarkKind::kNote));
    }
    return marks;
}

std::vector<MarkEntry> Marks::All() const {
    std::vector<MarkEntry> all;
    if (!db_) {
        return all;
    }
    ReadTransaction read(*db_);
    struct Member {
        std::int64_t latest = 0;
        std::vector<MarkEntry> entries;
    };
    std::map<std::string, Member> members;
    Statement marks(*db_, "SELECT account, kind, reason, who, at_ms, member FROM mark");
    while (marks.Step()) {
        Member& m = members[marks.Bytes(5)];
        m.latest = std::max(m.latest, marks.Number(4));
        m.entries.push_back(EntryOf(marks, std::nullopt));
    }
    Statement notes(*db_, "SELECT account, text, who, at_ms, member FROM note ORDER BY at_ms, id");
    while (notes.Step()) {
        Member& m = members[notes.Bytes(4)];
        m.latest = std::max(m.latest, notes.Number(3));
        m.entries.push_back(EntryOf(notes, MarkKind::kNote));
    }
    std::vector<std::pair<std::string, Member*>> order;
    for (auto& [key, member] : members) {
        order.emplace_back(key, &member);
    }
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
        return a.second->latest > b.second->latest;
    });
    for (const auto& [key, member] : order) {
        all.insert(all.end(), member->entries.begin(), member->entries.end());
    }
    return all;
}

void Marks::SetMark(const MarkEntry& mark) {
    Transaction transaction(*db_);
    WriteMark(*db_, mark, false);
    transaction.Commit();
}

void Marks::AddNote(const MarkEntry& note) {
    Import({note});
}

ImportCounts Marks::Import(const std::vector<MarkEntry>& entries) {
    ImportCounts counts;
    Transaction transaction(*db_);
    Statement note(*db_,
                   "INSERT OR IGNORE INTO note (member, account, text, who, at_ms) "
                   "VALUES (?, ?, ?, ?, ?)");
    for (const MarkEntry& entry : entries) {
        if (entry.kind != MarkKind::kNote) {
            (WriteMark(*db_, entry, true) ? counts.marks : counts.olderMarks) += 1;
            continue;
        }
        CheckEntry(entry);
        note.BindText(1, MemberKey(entry.account));
        note.BindText(2, entry.account);
        note.BindText(3, entry.text);
        note.BindText(4, entry.who);
        note.Bind(5, Milliseconds(entry.when));
        note.Run();
        (db_->Changes() > 0 ? counts.notes : counts.knownNotes) += 1;
    }
    transaction.Commit();
    return counts;
}

}  // namespace kestrova
