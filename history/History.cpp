#include "history/History.h"

#include <algorithm>
#include <map>
#include <set>

#include "history/postgres/PostgresDatabase.h"
#include "history/sqlite/SqliteDatabase.h"
#include "history/store/Database.h"
#include "history/store/MemberKey.h"
#include "history/store/PreparedLookup.h"
#include "history/store/StoredFields.h"

namespace kestrova {
namespace {

using Transaction = Database::Transaction;

// Where the two stores' SQL truly differs, side by side.
struct Dialect {
    const char* addedOrder;  // the order rows were added in, where the time is the same
};
constexpr Dialect kSqliteSql{"rowid"};
constexpr Dialect kPostgresSql{"id"};

const Dialect& SqlOf(const Database& db) {
    return db.Speaks() == Database::Dialect::kSqlite ? kSqliteSql : kPostgresSql;
}

// A lookup's row with the verdicts, the two labels' values in its field set.
// $1 and $2 are the labels' control names; `more` goes on from $3.
Sql Listing(const std::string& where, std::vector<SqlValue> more = {}) {
    Sql sql{
        "SELECT l.id, l.account, l.started_ms, l.ended_ms, l.end_kind, l.mode, l.status, "
        "bv.size, bv.packing, bv.bytes, sv.size, sv.packing, sv.bytes, l.left_out, l.who, "
        "l.host, l.message_text, l.message_caption, l.message_flags, l.complete, "
        "(SELECT count(*) FROM missing_page AS m WHERE m.lookup_id = l.id) "
        "FROM lookup AS l "
        "LEFT JOIN field AS bf ON bf.set_id = l.field_set_id "
        "AND bf.control_id = (SELECT id FROM control WHERE name = $1) "
        "LEFT JOIN stored_value AS bv ON bv.id = bf.text_id "
        "LEFT JOIN field AS sf ON sf.set_id = l.field_set_id "
        "AND sf.control_id = (SELECT id FROM control WHERE name = $2) "
        "LEFT JOIN stored_value AS sv ON sv.id = sf.text_id " +
            where,
        {SqlValue::Text(Control(Ctl::标签38).name), SqlValue::Text(Control(Ctl::标签48).name)}};
    std::move(more.begin(), more.end(), std::back_inserter(sql.values));
    return sql;
}

// A stored value from the columns size, packing, bytes at `first`.
std::string ValueAt(const Database& db, const Rows& rows, int r, int first) {
    if (rows.IsNull(r, first)) {
        return {};
    }
    const std::int64_t size = rows.Number(r, first);
    std::optional<std::string> value =
        size < 0 ? std::nullopt
                 : Unpack(static_cast<Packing>(rows.Number(r, first + 1)), rows.Bytes(r, first + 2),
                          static_cast<std::size_t>(size));
    if (!value) {
        throw HistoryError(db.Where() +
                           ": the history is damaged (a stored value does not read back)");
    }
    return std::move(*value);
}

LookupRow RowOf(const Database& db, const Rows& rows, int r) {
    LookupRow row;
    row.id = rows.Number(r, 0);
    row.account = rows.Bytes(r, 1);
    row.started = TimeOf(rows.Number(r, 2));
    row.ended = TimeOf(rows.Number(r, 3));
    row.end = rows.Bytes(r, 4);
    row.mode = rows.Bytes(r, 5);
    row.status = rows.Bytes(r, 6);
    row.buyerVerdict = ValueAt(db, rows, r, 7);
    row.shopVerdict = ValueAt(db, rows, r, 10);
    row.leftOut = static_cast<int>(rows.Number(r, 13));
    row.who = rows.Bytes(r, 14);
    row.host = rows.Bytes(r, 15);
    if (!rows.IsNull(r, 18)) {
        row.message = MessageBoxRecord{rows.Bytes(r, 16), static_cast<int>(rows.Number(r, 18)),
                                       rows.Bytes(r, 17)};
    }
    if (!rows.IsNull(r, 19)) {
        row.complete = rows.Number(r, 19) != 0;
    }
    row.missingPages = static_cast<int>(rows.Number(r, 20));
    return row;
}

std::vector<LookupRow> RowsOf(const Database& db, const Rows& rows) {
    std::vector<LookupRow> found;
    for (int r = 0; r < rows.Count(); ++r) {
        found.push_back(RowOf(db, rows, r));
    }
    return found;
}

// Columns: account, kind, text, who, at_ms, host.
MarkEntry EntryOf(const Rows& rows, int r) {
    return MarkEntry{
        rows.Bytes(r, 0),          MarkKindFromName(rows.Bytes(r, 1)).value_or(MarkKind::kClear),
        rows.Bytes(r, 2),          rows.Bytes(r, 3),
        TimeOf(rows.Number(r, 4)), rows.Bytes(r, 5)};
}

constexpr const char* kMarkColumns = "SELECT account, kind, reason, who, at_ms, host";
constexpr const char* kNoteColumns = "SELECT account, 'note', text, who, at_ms, host";

// What each entry of a list checks before it is kept.
void CheckMarkEntry(const MarkEntry& entry) {
    for (const std::string* text : {&entry.account, &entry.text, &entry.who}) {
        if (const auto problem = ProblemWithText(*text)) {
            throw HistoryError("an entry cannot be kept: " + *problem);
        }
    }
    if (MemberKey(entry.account).empty()) {
        throw HistoryError("an entry cannot be kept: it names no member");
    }
}

// An entry as the statement that keeps it, answering a row when it did: a
// mark becomes the member's (with `onlyNewer`, where it is newer than the
// member's), a note is added unless it is there.
Sql Keeping(const MarkEntry& entry, bool onlyNewer) {
    CheckMarkEntry(entry);
    std::vector<SqlValue> values = {SqlValue::Text(MemberKey(entry.account)),
                                    SqlValue::Text(entry.account),
                                    SqlValue::Text(entry.text),
                                    SqlValue::Text(entry.who),
                                    SqlValue::Number(Milliseconds(entry.when)),
                                    SqlValue::Text(entry.host)};
    if (entry.kind == MarkKind::kNote) {
        return {
            "INSERT INTO note (member, account, text, who, at_ms, host) "
            "VALUES ($1, $2, $3, $4, $5, $6) "
            "ON CONFLICT (member, at_ms, who, text) DO NOTHING RETURNING 1",
            std::move(values)};
    }
    values.push_back(SqlValue::Text(MarkKindName(entry.kind)));
    return {std::string("INSERT INTO mark (member, account, kind, reason, who, at_ms, host) "
                        "VALUES ($1, $2, $7, $3, $4, $5, $6) "
                        "ON CONFLICT (member) DO UPDATE SET account = excluded.account, "
                        "kind = excluded.kind, reason = excluded.reason, who = excluded.who, "
                        "at_ms = excluded.at_ms, host = excluded.host") +
                (onlyNewer ? " WHERE excluded.at_ms > mark.at_ms" : "") + " RETURNING 1",
            std::move(values)};
}

// Entries (each with its member) in the order AllMarks gives them.
std::vector<MarkEntry> InListOrder(std::vector<std::pair<std::string, MarkEntry>> byMember) {
    struct Member {
        std::chrono::system_clock::time_point latest{};
        std::vector<MarkEntry> entries;
    };
    std::map<std::string, Member> members;
    for (auto& [key, entry] : byMember) {
        Member& m = members[key];
        m.latest = std::max(m.latest, entry.when);
        m.entries.push_back(std::move(entry));
    }
    std::vector<Member*> order;
    for (auto& [key, member] : members) {
        order.push_back(&member);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Member* a, const Member* b) { return a->latest > b->latest; });
    std::vector<MarkEntry> all;
    for (Member* member : order) {
        all.insert(all.end(), member->entries.begin(), member->entries.end());
    }
    return all;
}

std::string_view View(const Sha256Digest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

}  // namespace

History::History(HistoryPlace place, std::chrono::milliseconds lockWait)
    : place_(std::move(place)), lockWait_(lockWait) {}

History::~History() = default;

template <typename Call>
auto History::OnItsTurn(Call&& call) {
    std::lock_guard turn(turn_);
    try {
        return call();
    } catch (const HistoryOutOfReach&) {
        db_.reset();
        throw;
    }
}

std::unique_ptr<Database> OpenDatabase(const HistoryPlace& place, bool make,
                                       std::chrono::milliseconds lockWait) {
    if (place.IsServer()) {
        return OpenPostgresDatabase(place.Uri(), place.Shown(), make, lockWait);
    }
    return OpenSqliteDatabase(place.File(), make, lockWait);
}

Database* History::Reader() {
    if (!db_) {
        db_ = OpenDatabase(place_, false, lockWait_);
    }
    return db_ && db_->Made() ? db_.get() : nullptr;
}

Database& History::Writer() {
    if (!db_) {
        db_ = OpenDatabase(place_, true, lockWait_);
    }
    db_->MakeReady();
    return *db_;
}

void History::Make() {
    OnItsTurn([this] { Writer(); });
}

void History::Close() {
    std::lock_guard turn(turn_);
    db_.reset();
}

int History::RoundTrips() {
    return OnItsTurn([this] { return db_ ? db_->RoundTrips() : -1; });
}

std::int64_t History::Save(LookupRow row, const FieldStore& window,
                           const std::optional<Completeness>& pages) {
    row.id = 0;  // numbered by the store it goes into
    PreparedLookup lookup(std::move(row), window, pages);
    // What the store holds of this lookup's set and values: one question.
    std::set<std::string> sets, stored;
    OnItsTurn([&] {
        Sql held{"SELECT 0, sha256 FROM field_set WHERE sha256 = $1",
                 {SqlValue::Bytes(View(lookup.setDigest))}};
        const auto& values = lookup.values.Values();
        for (std::size_t k = 0; k < values.size(); ++k) {
            held.text += (k == 0 ? " UNION ALL SELECT 1, sha256 FROM stored_value WHERE sha256 IN ("
                                 : ", ") +
                         std::string("$") + std::to_string(k + 2) +
                         (k + 1 == values.size() ? ")" : "");
            held.values.push_back(SqlValue::Bytes(View(values[k].digest)));
        }
        const Rows rows = Writer().Run(held);
        for (int r = 0; r < rows.Count(); ++r) {
            (rows.Number(r, 0) == 0 ? sets : stored).insert(rows.Bytes(r, 1));
        }
    });
    // Packed while other calls take their turns.
    PackLookup(
        lookup, [&sets](const Sha256Digest& d) { return sets.count(std::string(View(d))) > 0; },
        [&stored](const Sha256Digest& d) { return stored.count(std::string(View(d))) > 0; });
    return OnItsTurn([&] { return Writer().Save(lookup); });
}

bool History::Moved() {
    return OnItsTurn([this] {
        if (db_ && db_->HasMoved()) {
            db_.reset();
            return true;
        }
        return false;
    });
}

bool History::Has(const LookupRow& row) {
    return OnItsTurn([&] {
        Database* db = Reader();
        return db != nullptr &&
               db->Run(Sql{"SELECT 1 FROM lookup WHERE member = $1 AND account = $2 AND "
                           "started_ms = $3 AND ended_ms = $4 AND end_kind = $5",
                           {SqlValue::Text(MemberKey(row.account)), SqlValue::Text(row.account),
                            SqlValue::Number(Milliseconds(row.started)),
                            SqlValue::Number(Milliseconds(row.ended)), SqlValue::Text(row.end)}})
                       .Count() > 0;
    });
}

std::vector<LookupRow> History::Recent(const std::optional<std::string>& account, int limit) {
    return OnItsTurn([&]() -> std::vector<LookupRow> {
        Database* db = Reader();
        if (db == nullptr) {
            return {};
        }
        Sql query = Listing(account ? "WHERE l.member = $3 " : "");
        if (account) {
            query.values.push_back(SqlValue::Text(MemberKey(*account)));
        }
        query.text += "ORDER BY l.id DESC";
        if (limit > 0) {
            query.values.push_back(SqlValue::Number(limit));
            query.text += " LIMIT $" + std::to_string(query.values.size());
        }
        return RowsOf(*db, db->Run(query));
    });
}

std::optional<SavedLookup> History::Load(std::int64_t id) {
    return OnItsTurn([&]() -> std::optional<SavedLookup> {
        Database* db = Reader();
        if (db == nullptr) {
            return std::nullopt;
        }
        // The lookup, its fields and their values as of one moment, asked at once.
        const SqlValue lookup = SqlValue::Number(id);
        const std::vector<Rows> answers = db->Run(
            {Listing("WHERE l.id = $3", {lookup}),
             {"SELECT c.name, f.text_id, f.link_id, f.picture_id FROM field AS f "
              "JOIN control AS c ON c.id = f.control_id "
              "WHERE f.set_id = (SELECT field_set_id FROM lookup WHERE id = $1)",
              {lookup}},
             {"WITH f AS (SELECT text_id, link_id, picture_id FROM field "
              "WHERE set_id = (SELECT field_set_id FROM lookup WHERE id = $1)) "
              "SELECT v.id, v.size, v.packing, v.bytes FROM stored_value AS v WHERE v.id IN "
              "(SELECT text_id FROM f UNION SELECT link_id FROM f UNION SELECT picture_id FROM f)",
              {lookup}},
             {"SELECT page, url, reason FROM missing_page WHERE lookup_id = $1 ORDER BY position",
              {lookup}}},
            Transaction::kRead);
        if (answers[0].Count() == 0) {
            return std::nullopt;
        }
        SavedLookup saved{RowOf(*db, answers[0], 0), FieldStore(), std::nullopt};
        if (saved.row.complete) {
            Completeness pages{*saved.row.complete, {}};
            const Rows& missing = answers[3];
            for (int r = 0; r < missing.Count(); ++r) {
                pages.missing.push_back(
                    MissingPage{missing.Bytes(r, 0), missing.Bytes(r, 1), missing.Bytes(r, 2)});
            }
            saved.pages = std::move(pages);
        }
        // The rating rows share their icons and captions: each value read once.
        std::map<std::int64_t, std::string> values;
        for (int r = 0; r < answers[2].Count(); ++r) {
            values[answers[2].Number(r, 0)] = ValueAt(*db, answers[2], r, 1);
        }
        auto value = [db, &values](const Rows& rows, int r, int c) -> const std::string& {
            static const std::string kNone;
            if (rows.IsNull(r, c)) {
                return kNone;
            }
            const auto found = values.find(rows.Number(r, c));
            if (found == values.end()) {
                throw HistoryError(db->Where() +
                                   ": the history is damaged (a lookup's value is missing)");
            }
            return found->second;
        };
        std::map<std::string, int, std::less<>> fieldRow;
        const Rows& fields = answers[1];
        for (int r = 0; r < fields.Count(); ++r) {
            fieldRow[fields.Bytes(r, 0)] = r;
        }
        static const std::string kNone;
        for (const ControlDef& c : Controls()) {
            const auto found = fieldRow.find(std::string_view(c.name));
            if (found == fieldRow.end()) {
                RestoreField(saved.fields, c, kNone, kNone, ByteBuffer());
                continue;
            }
            const std::string& picture = value(fields, found->second, 3);
            RestoreField(saved.fields, c, value(fields, found->second, 1),
                         value(fields, found->second, 2),
                         ByteBuffer(picture.begin(), picture.end()));
        }
        saved.fields.StatusBarSetText(0, saved.row.status);
        if (saved.row.message) {
            saved.fields.MessageBox(saved.row.message->content, saved.row.message->flags,
                                    saved.row.message->caption);
        }
        return saved;
    });
}

std::optional<SavedLookup> History::Latest(const std::string& account) {
    const auto latest = Recent(account, 1);
    return latest.empty() ? std::nullopt : Load(latest.front().id);
}

std::optional<LookupRow> History::LatestComplete(const std::string& account) {
    return OnItsTurn([&]() -> std::optional<LookupRow> {
        Database* db = Reader();
        if (db == nullptr) {
            return std::nullopt;
        }
        const std::vector<LookupRow> rows = RowsOf(
            *db,
            db->Run(Listing("WHERE l.member = $3 AND l.complete = 1 ORDER BY l.id DESC LIMIT 1",
                            {SqlValue::Text(MemberKey(account))})));
        return rows.empty() ? std::nullopt : std::optional<LookupRow>(rows.front());
    });
}

std::vector<std::string> History::RecentAccounts(int limit) {
    return OnItsTurn([&] {
        std::vector<std::string> accounts;
        if (Database* db = Reader()) {
            const Rows rows = db->Run(
                Sql{"SELECT account FROM lookup WHERE id IN "
                    "(SELECT max(id) FROM lookup GROUP BY member) ORDER BY id DESC LIMIT $1",
                    {SqlValue::Number(limit)}});
            for (int r = 0; r < rows.Count(); ++r) {
                accounts.push_back(rows.Bytes(r, 0));
            }
        }
        return accounts;
    });
}

MemberMarks History::MarksOf(std::string_view account) {
    return OnItsTurn([&] {
        MemberMarks marks;
        Database* db = Reader();
        if (db == nullptr) {
            return marks;
        }
        const std::vector<SqlValue> member = {SqlValue::Text(MemberKey(account))};
        const std::vector<Rows> answers = db->Run(
            {{std::string(kMarkColumns) + " FROM mark WHERE member = $1 AND kind != 'clear'",
              member},
             {std::string(kNoteColumns) + " FROM note WHERE member = $1 ORDER BY at_ms, id",
              member}},
            Transaction::kRead);
        if (answers[0].Count() > 0) {
            marks.mark = EntryOf(answers[0], 0);
        }
        for (int r = 0; r < answers[1].Count(); ++r) {
            marks.notes.push_back(EntryOf(answers[1], r));
        }
        return marks;
    });
}

std::vector<MarkEntry> History::AllMarks() {
    return OnItsTurn([&]() -> std::vector<MarkEntry> {
        Database* db = Reader();
        if (db == nullptr) {
            return {};
        }
        const std::vector<Rows> answers =
            db->Run({{std::string(kMarkColumns) + ", member FROM mark", {}},
                     {std::string(kNoteColumns) + ", member FROM note ORDER BY at_ms, id", {}}},
                    Transaction::kRead);
        std::vector<std::pair<std::string, MarkEntry>> entries;
        for (const Rows& rows : answers) {
            for (int r = 0; r < rows.Count(); ++r) {
                entries.emplace_back(rows.Bytes(r, 6), EntryOf(rows, r));
            }
        }
        return InListOrder(std::move(entries));
    });
}

void History::SetMark(const MarkEntry& mark) {
    const Sql keeping = Keeping(mark, false);
    OnItsTurn([&] { Writer().Run({keeping}, Transaction::kWrite); });
}

void History::AddNote(const MarkEntry& note) {
    ImportMarks({note});
}

ImportCounts History::ImportMarks(const std::vector<MarkEntry>& entries) {
    std::vector<Sql> batch;
    for (const MarkEntry& entry : entries) {
        batch.push_back(Keeping(entry, true));
    }
    const std::vector<Rows> answers =
        OnItsTurn([&] { return Writer().Run(batch, Transaction::kWrite); });
    ImportCounts counts;
    for (std::size_t k = 0; k < entries.size(); ++k) {
        const bool taken = answers[k].Count() > 0;
        if (entries[k].kind == MarkKind::kNote) {
            (taken ? counts.notes : counts.knownNotes) += 1;
        } else {
            (taken ? counts.marks : counts.olderMarks) += 1;
        }
    }
    return counts;
}

std::vector<WatchedMember> History::Watched() {
    return OnItsTurn([&] {
        std::vector<WatchedMember> members;
        if (Database* db = Reader()) {
            const Rows rows = db->Run(
                Sql{std::string("SELECT account, added_ms FROM watched ORDER BY added_ms, ") +
                        SqlOf(*db).addedOrder,
                    {}});
            for (int r = 0; r < rows.Count(); ++r) {
                members.push_back({rows.Bytes(r, 0), TimeOf(rows.Number(r, 1))});
            }
        }
        return members;
    });
}

bool History::Watch(const std::string& account, std::chrono::system_clock::time_point when) {
    if (MemberKey(account).empty()) {
        throw HistoryError("an empty account name cannot be watched");
    }
    if (const auto problem = ProblemWithText(account)) {
        throw HistoryError("'" + account + "' cannot be watched: " + *problem);
    }
    return OnItsTurn([&] {
        return Writer()
                   .Run(Sql{"INSERT INTO watched (member, account, added_ms) VALUES ($1, $2, $3) "
                            "ON CONFLICT (member) DO NOTHING RETURNING 1",
                            {SqlValue::Text(MemberKey(account)), SqlValue::Text(account),
                             SqlValue::Number(Milliseconds(when))}})
                   .Count() > 0;
    });
}

bool History::Unwatch(const std::string& account) {
    return OnItsTurn([&] {
        return Writer()
                   .Run(Sql{"DELETE FROM watched WHERE member = $1 RETURNING 1",
                            {SqlValue::Text(MemberKey(account))}})
                   .Count() > 0;
    });
}

}  // namespace kestrova
