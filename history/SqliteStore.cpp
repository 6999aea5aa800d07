#include "history/SqliteStore.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>

#include "history/Compression.h"
#include "history/HistoryAccess.h"
#include "history/MemberKey.h"
#include "history/PagesGot.h"
#include "history/Schema.h"
#include "history/Sqlite.h"
#include "history/StoredFields.h"
#include "history/SummaryColumns.h"

namespace kestrova {
namespace {

std::int64_t Milliseconds(std::chrono::system_clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

std::chrono::system_clock::time_point TimeOf(std::int64_t milliseconds) {
    return std::chrono::system_clock::time_point(std::chrono::milliseconds(milliseconds));
}

void BindVerdictControls(Statement& statement) {
    statement.BindText(1, Control(Ctl::标签38).name);
    statement.BindText(2, Control(Ctl::标签48).name);
}

// A stored value from the columns size, packing, bytes at `first`.
std::string ValueAt(const Connection& db, const Statement& row, int first) {
    if (row.IsNull(first)) {
        return {};
    }
    const auto size = row.Number(first);
    std::optional<std::string> value =
        size < 0 ? std::nullopt
                 : Unpack(static_cast<Packing>(row.Number(first + 1)), row.Bytes(first + 2),
                          static_cast<std::size_t>(size));
    if (!value) {
        throw HistoryError(db.File().string() +
                           ": the file is damaged (a stored value does not read back)");
    }
    return std::move(*value);
}

SavedLookupSummary SummaryOf(const Connection& db, const Statement& row) {
    SavedLookupSummary s;
    s.id = row.Number(0);
    s.account = row.Bytes(1);
    s.started = TimeOf(row.Number(2));
    s.ended = TimeOf(row.Number(3));
    s.end = row.Bytes(4);
    s.mode = row.Bytes(5);
    s.status = row.Bytes(6);
    s.buyerVerdict = ValueAt(db, row, 7);
    s.shopVerdict = ValueAt(db, row, 10);
    s.leftOut = static_cast<int>(row.Number(13));
    s.who = row.Bytes(14);
    s.host = row.Bytes(15);
    if (!row.IsNull(16)) {
        s.messageText = row.Bytes(16);
        s.messageCaption = row.Bytes(17);
        s.messageFlags = static_cast<int>(row.Number(18));
    }
    if (!row.IsNull(19)) {
        s.complete = row.Number(19) != 0;
    }
    s.missingPages = static_cast<int>(row.Number(20));
    return s;
}

ByteBuffer BufferOf(const std::string& bytes) {
    return ByteBuffer(bytes.begin(), bytes.end());
}

MarkEntry EntryOf(const Statement& row, std::optional<MarkKind> kind) {
    // Columns: account, kind (marks only), text, who, at_ms, host.
    const int k = kind ? 1 : 0;
    MarkEntry entry;
    entry.account = row.Bytes(0);
    entry.kind = kind ? *kind : MarkKindFromName(row.Bytes(1)).value_or(MarkKind::kClear);
    entry.text = row.Bytes(2 - k);
    entry.who = row.Bytes(3 - k);
    entry.when = TimeOf(row.Number(4 - k));
    entry.host = row.Bytes(5 - k);
    return entry;
}

// Writes the mark when `onlyNewer` is false or it is newer than the member's
// mark; true when written.
bool WriteMark(Connection& db, const MarkEntry& mark, bool onlyNewer) {
    CheckMarkEntry(mark);
    Statement write(
        db, std::string("INSERT INTO mark (member, account, kind, reason, who, at_ms, host) "
                        "VALUES (?, ?, ?, ?, ?, ?, ?) "
                        "ON CONFLICT (member) DO UPDATE SET account = excluded.account, "
                        "kind = excluded.kind, reason = excluded.reason, who = excluded.who, "
                        "at_ms = excluded.at_ms, host = excluded.host") +
                (onlyNewer ? " WHERE excluded.at_ms > mark.at_ms" : ""));
    write.BindText(1, MemberKey(mark.account));
    write.BindText(2, mark.account);
    write.BindText(3, MarkKindName(mark.kind));
    write.BindText(4, mark.text);
    write.BindText(5, mark.who);
    write.Bind(6, Milliseconds(mark.when));
    write.BindText(7, mark.host);
    write.Run();
    return db.Changes() > 0;
}

class SqliteStore final : public HistoryStore {
  public:
    explicit SqliteStore(std::unique_ptr<Connection> db) : db_(std::move(db)) {}

    std::string Where() const override { return db_->File().string(); }

    std::unique_ptr<PreparedLookup> Prepare(LookupRow row, const FieldStore& window) override {
        return Writer().Prepare(std::move(row), window);
    }

    std::int64_t Save(const PreparedLookup& lookup) override {
        LookupWriter& writer = Writer();
        try {
            Transaction transaction(*db_);
            const std::int64_t id = writer.Write(lookup);
            if (lookup.row.pages) {
                PagesGot().Write(id, *lookup.row.pages);
            }
            transaction.Commit();
            writer.Committed();
            return id;
        } catch (...) {
            writer.RolledBack();
            throw;
        }
    }

    bool HasMoved() override { return db_->HasMoved(); }

    bool HasLookup(const LookupRow& row) override {
        Statement find(*db_,
                       "SELECT 1 FROM lookup WHERE member = ? AND account = ? AND started_ms = ? "
                       "AND ended_ms = ? AND end_kind = ?");
        find.BindText(1, row.member);
        find.BindText(2, row.account);
        find.Bind(3, row.startedMs);
        find.Bind(4, row.endedMs);
        find.BindText(5, row.end);
        return find.Step();
    }

    std::vector<SavedLookupSummary> Recent(const std::optional<std::string>& account,
                                           int limit) override {
        std::vector<SavedLookupSummary> found;
        std::string sql = kSummaryColumns;
        if (account) {
            sql += "WHERE l.member = ? ";
        }
        sql += "ORDER BY l.id DESC";
        if (limit > 0) {
            sql += " LIMIT ?";
        }
        Statement query(*db_, sql);
        BindVerdictControls(query);
        int next = 3;
        if (account) {
            query.BindText(next++, MemberKey(*account));
        }
        if (limit > 0) {
            query.Bind(next, limit);
        }
        while (query.Step()) {
            found.push_back(SummaryOf(*db_, query));
        }
        return found;
    }

    std::optional<SavedLookup> Load(std::int64_t id) override {
        // One read transaction: the lookup and its values as of one moment.
        ReadTransaction read(*db_);
        Statement head(*db_, std::string(kSummaryColumns) + "WHERE l.id = ?");
        BindVerdictControls(head);
        head.Bind(3, id);
        if (!head.Step()) {
            return std::nullopt;
        }
        SavedLookup saved{SummaryOf(*db_, head), FieldStore(), ReadPagesGot(*db_, id)};

        struct References {
            std::int64_t text = 0, link = 0, picture = 0;  // 0: none
        };
        std::map<std::string, References, std::less<>> references;
        Statement fields(*db_,
                         "SELECT c.name, f.text_id, f.link_id, f.picture_id FROM field AS f "
                         "JOIN control AS c ON c.id = f.control_id "
                         "WHERE f.set_id = (SELECT field_set_id FROM lookup WHERE id = ?)");
        fields.Bind(1, id);
        while (fields.Step()) {
            references[fields.Bytes(0)] = {fields.Number(1), fields.Number(2), fields.Number(3)};
        }

        // The rating rows share their icons and captions: each value read once.
        std::map<std::int64_t, std::string> values;
        Statement value(*db_, "SELECT size, packing, bytes FROM stored_value WHERE id = ?");
        auto valueOf = [this, &values, &value](std::int64_t valueId) -> const std::string& {
            static const std::string kNone;
            if (valueId == 0) {
                return kNone;
            }
            auto found = values.find(valueId);
            if (found == values.end()) {
                value.Bind(1, valueId);
                if (!value.Step()) {
                    throw HistoryError(db_->File().string() +
                                       ": the file is damaged (a lookup's value is missing)");
                }
                found = values.emplace(valueId, ValueAt(*db_, value, 0)).first;
                value.Reset();
            }
            return found->second;
        };

        static const References kNothing;
        for (const ControlDef& c : Controls()) {
            const auto found = references.find(std::string_view(c.name));
            const References& r = found != references.end() ? found->second : kNothing;
            RestoreField(saved.fields, c, valueOf(r.text), valueOf(r.link),
                         r.picture != 0 ? BufferOf(valueOf(r.picture)) : ByteBuffer());
        }

        RestoreStatus(saved);
        return saved;
    }

    std::optional<SavedLookupSummary> LatestComplete(const std::string& account) override {
        Statement query(*db_,
                        std::string(kSummaryColumns) +
                            "WHERE l.member = ? AND l.complete = 1 ORDER BY l.id DESC LIMIT 1");
        BindVerdictControls(query);
        query.BindText(3, MemberKey(account));
        if (!query.Step()) {
            return std::nullopt;
        }
        return SummaryOf(*db_, query);
    }

    std::vector<std::string> RecentAccounts(int limit) override {
        std::vector<std::string> accounts;
        Statement recent(*db_,
                         "SELECT account FROM lookup WHERE id IN "
                         "(SELECT max(id) FROM lookup GROUP BY member) ORDER BY id DESC LIMIT ?");
        recent.Bind(1, limit);
        while (recent.Step()) {
            accounts.push_back(recent.Bytes(0));
        }
        return accounts;
    }

    MemberMarks MarksOf(std::string_view account) override {
        MemberMarks marks;
        const std::string member = MemberKey(account);
        ReadTransaction read(*db_);
        Statement mark(*db_,
                       "SELECT account, kind, reason, who, at_ms, host FROM mark "
                       "WHERE member = ? AND kind != 'clear'");
        mark.BindText(1, member);
        if (mark.Step()) {
            marks.mark = EntryOf(mark, std::nullopt);
        }
        Statement notes(*db_,
                        "SELECT account, text, who, at_ms, host FROM note WHERE member = ? "
                        "ORDER BY at_ms, id");
        notes.BindText(1, member);
        while (notes.Step()) {
            marks.notes.push_back(EntryOf(notes, MarkKind::kNote));
        }
        return marks;
    }

    std::vector<MarkEntry> AllMarks() override {
        ReadTransaction read(*db_);
        std::vector<std::pair<std::string, MarkEntry>> entries;
        Statement marks(*db_, "SELECT account, kind, reason, who, at_ms, host, member FROM mark");
        while (marks.Step()) {
            entries.emplace_back(marks.Bytes(6), EntryOf(marks, std::nullopt));
        }
        Statement notes(*db_,
                        "SELECT account, text, who, at_ms, host, member FROM note "
                        "ORDER BY at_ms, id");
        while (notes.Step()) {
            entries.emplace_back(notes.Bytes(5), EntryOf(notes, MarkKind::kNote));
        }
        return InListOrder(std::move(entries));
    }

    void SetMark(const MarkEntry& mark) override {
        Transaction transaction(*db_);
        WriteMark(*db_, mark, false);
        transaction.Commit();
    }

    ImportCounts ImportMarks(const std::vector<MarkEntry>& entries) override {
        ImportCounts counts;
        Transaction transaction(*db_);
        Statement note(*db_,
                       "INSERT OR IGNORE INTO note (member, account, text, who, at_ms, host) "
                       "VALUES (?, ?, ?, ?, ?, ?)");
        for (const MarkEntry& entry : entries) {
            if (entry.kind != MarkKind::kNote) {
                (WriteMark(*db_, entry, true) ? counts.marks : counts.olderMarks) += 1;
                continue;
            }
            CheckMarkEntry(entry);
            note.BindText(1, MemberKey(entry.account));
            note.BindText(2, entry.account);
            note.BindText(3, entry.text);
            note.BindText(4, entry.who);
            note.Bind(5, Milliseconds(entry.when));
            note.BindText(6, entry.host);
            note.Run();
            (db_->Changes() > 0 ? counts.notes : counts.knownNotes) += 1;
        }
        transaction.Commit();
        return counts;
    }

    std::vector<WatchedMember> Watched() override {
        std::vector<WatchedMember> members;
        Statement list(*db_, "SELECT account, added_ms FROM watched ORDER BY added_ms, rowid");
        while (list.Step()) {
            members.push_back({list.Bytes(0), TimeOf(list.Number(1))});
        }
        return members;
    }

    bool Watch(const std::string& account, std::chrono::system_clock::time_point when) override {
        Statement add(*db_,
                      "INSERT OR IGNORE INTO watched (member, account, added_ms) VALUES (?, ?, ?)");
        add.BindText(1, MemberKey(account));
        add.BindText(2, account);
        add.Bind(3, Milliseconds(when));
        add.Run();
        return db_->Changes() > 0;
    }

    bool Unwatch(const std::string& account) override {
        Statement remove(*db_, "DELETE FROM watched WHERE member = ?");
        remove.BindText(1, MemberKey(account));
        remove.Run();
        return db_->Changes() > 0;
    }

  private:
    // Made on the first save: its statements need the schema.
    LookupWriter& Writer() {
        if (!writer_) {
            writer_ = std::make_unique<LookupWriter>(*db_);
        }
        return *writer_;
    }

    PagesGotWriter& PagesGot() {
        if (!pagesGot_) {
            pagesGot_ = std::make_unique<PagesGotWriter>(*db_);
        }
        return *pagesGot_;
    }

    std::unique_ptr<Connection> db_;
    std::unique_ptr<LookupWriter> writer_;
    std::unique_ptr<PagesGotWriter> pagesGot_;
};

}  // namespace

std::unique_ptr<HistoryStore> OpenSqliteStore(const std::filesystem::path& file, StoreUse use,
                                              std::chrono::milliseconds busy) {
    std::unique_ptr<Connection> db =
        use == StoreUse::kWrite ? OpenHistoryToWrite(file, busy) : OpenHistoryToRead(file, busy);
    if (!db) {
        return nullptr;
    }
    return std::make_unique<SqliteStore>(std::move(db));
}

}  // namespace kestrova
