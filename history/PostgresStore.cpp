#include "history/PostgresStore.h"

#include <algorithm>
#include <map>
#include <set>

#include "history/Compression.h"
#include "history/MemberKey.h"
#include "history/Postgres.h"
#include "history/PostgresSchema.h"
#include "history/Schema.h"
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

template <typename Bytes>
std::string Hex(const Bytes& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const auto byte : bytes) {
        const auto b = static_cast<unsigned char>(byte);
        hex += kDigits[b >> 4];
        hex += kDigits[b & 15];
    }
    return hex;
}

std::string_view View(const Sha256Digest& digest) {
    return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

// A text array literal: every element quoted, or NULL.
std::string ArrayLiteral(const std::vector<std::optional<std::string>>& elements) {
    std::string literal = "{";
    for (const auto& element : elements) {
        if (literal.size() > 1) {
            literal += ',';
        }
        if (!element) {
            literal += "NULL";
            continue;
        }
        literal += '"';
        for (const char c : *element) {
            if (c == '"' || c == '\\') {
                literal += '\\';
            }
            literal += c;
        }
        literal += '"';
    }
    return literal + "}";
}

PgValue TextArray(const std::vector<std::optional<std::string>>& elements) {
    PgValue value = PgBytes(ArrayLiteral(elements));
    value.binary = false;
    return value;
}

std::vector<PgValue> VerdictControls() {
    return {PgBytes(Control(Ctl::标签38).name), PgBytes(Control(Ctl::标签48).name)};
}

class PostgresStore final : public HistoryStore {
  public:
    explicit PostgresStore(std::unique_ptr<PgConnection> db) : db_(std::move(db)) {}

    std::string Where() const override { return db_->Where(); }
    int RoundTrips() const { return db_->RoundTrips(); }

    std::unique_ptr<PreparedLookup> Prepare(LookupRow row, const FieldStore& window) override {
        // What the server holds of this lookup's set and values: one question.
        const FieldValues values(window);
        std::vector<std::optional<std::string>> digests;
        for (const FieldValue& v : values.Values()) {
            digests.push_back(Hex(v.digest));
        }
        const PgRows held =
            db_->Run(PgStatement{"SELECT 0, sha256 FROM field_set WHERE sha256 = $1 "
                                 "UNION ALL SELECT 1, sha256 FROM stored_value "
                                 "WHERE sha256 IN (SELECT decode(unnest($2::text[]), 'hex'))",
                                 {PgBytes(View(values.Digest())), TextArray(digests)}});
        std::set<std::string> sets, stored;
        for (int r = 0; r < held.Count(); ++r) {
            (held.Number(r, 0) == 0 ? sets : stored).insert(held.Bytes(r, 1));
        }
        return PrepareLookup(
            std::move(row), window,
            [&sets](const Sha256Digest& d) { return sets.count(std::string(View(d))) > 0; },
            [&stored](const Sha256Digest& d) { return stored.count(std::string(View(d))) > 0; });
    }

    std::int64_t Save(const PreparedLookup& lookup) override {
        const auto& values = lookup.values.Values();
        std::vector<PgStatement> batch;
        batch.push_back({"BEGIN", {}});

        // In the order of their keys, in every program: two saves that add
        // the same values wait for each other, never each for the other.
        std::set<std::string> names;
        std::vector<std::size_t> packed;
        for (std::size_t k = 0; k < values.size(); ++k) {
            if (lookup.packed[k]) {
                packed.push_back(k);
            }
        }
        std::sort(packed.begin(), packed.end(), [&values](std::size_t a, std::size_t b) {
            return values[a].digest < values[b].digest;
        });
        std::vector<std::optional<std::string>> fieldNames, texts, links, pictures;
        auto digestOf = [&values](int k) -> std::optional<std::string> {
            if (k < 0) {
                return std::nullopt;
            }
            return Hex(values[static_cast<std::size_t>(k)].digest);
        };
        for (const FieldReference& field : lookup.values.Fields()) {
            // A set the server holds has its fields: only the lookup's row is new.
            if (lookup.setStored || (field.text < 0 && field.link < 0 && field.picture < 0)) {
                continue;
            }
            names.insert(field.control->name);
            fieldNames.push_back(field.control->name);
            texts.push_back(digestOf(field.text));
            links.push_back(digestOf(field.link));
            pictures.push_back(digestOf(field.picture));
        }
        if (!names.empty()) {
            batch.push_back(
                {"INSERT INTO control (name) SELECT n FROM unnest($1::text[]) AS n "
                 "ORDER BY n ON CONFLICT (name) DO NOTHING",
                 {TextArray({names.begin(), names.end()})}});
        }
        if (!packed.empty()) {
            PgStatement insert{"INSERT INTO stored_value (sha256, size, packing, bytes) VALUES ",
                               {}};
            for (const std::size_t k : packed) {
                const PackedValue& p = *lookup.packed[k];
                const int n = static_cast<int>(insert.values.size());
                insert.sql += (n > 0 ? ", " : "") + std::string("($") + std::to_string(n + 1) +
                              "::bytea, $" + std::to_string(n + 2) + "::bigint, $" +
                              std::to_string(n + 3) + "::integer, $" + std::to_string(n + 4) +
                              "::bytea)";
                insert.values.push_back(PgBytes(View(values[k].digest)));
                insert.values.push_back(
                    PgNumber(static_cast<std::int64_t>(values[k].bytes.size())));
                insert.values.push_back(PgNumber(static_cast<std::int64_t>(p.packing)));
                insert.values.push_back(PgBytes(
                    p.packing == Packing::kZstd ? std::string_view(p.bytes) : values[k].bytes));
            }
            insert.sql += " ON CONFLICT (sha256) DO NOTHING";
            batch.push_back(std::move(insert));
        }
        const PgValue set = PgBytes(View(lookup.setDigest));
        batch.push_back(
            {"INSERT INTO field_set (sha256) VALUES ($1::bytea) "
             "ON CONFLICT (sha256) DO NOTHING",
             {set}});
        if (!fieldNames.empty()) {
            batch.push_back(
                {"INSERT INTO field (set_id, control_id, text_id, link_id, picture_id) "
                 "SELECT s.id, c.id, tv.id, lv.id, pv.id "
                 "FROM unnest($2::text[], $3::text[], $4::text[], $5::text[]) AS f(name, t, l, p) "
                 "CROSS JOIN (SELECT id FROM field_set WHERE sha256 = $1::bytea) AS s "
                 "JOIN control AS c ON c.name = f.name "
                 "LEFT JOIN stored_value AS tv ON tv.sha256 = decode(f.t, 'hex') "
                 "LEFT JOIN stored_value AS lv ON lv.sha256 = decode(f.l, 'hex') "
                 "LEFT JOIN stored_value AS pv ON pv.sha256 = decode(f.p, 'hex') "
                 "ORDER BY c.id ON CONFLICT (set_id, control_id) DO NOTHING",
                 {set, TextArray(fieldNames), TextArray(texts), TextArray(links),
                  TextArray(pictures)}});
        }
        const LookupRow& row = lookup.row;
        const bool box = row.message.has_value();
        batch.push_back(
            {"INSERT INTO lookup (account, member, started_ms, ended_ms, end_kind, mode, status, "
             "message_text, message_caption, message_flags, field_set_id, left_out, who, host, "
             "complete) "
             "VALUES ($1::bytea, $2::text, $3::bigint, $4::bigint, $5::text, $6::text, $7::bytea, "
             "$8::bytea, $9::bytea, $10::integer, "
             "(SELECT id FROM field_set WHERE sha256 = $11::bytea), $12::integer, $13::text, "
             "$14::text, $15::integer) RETURNING id",
             {PgBytes(row.account), PgBytes(row.member), PgNumber(row.startedMs),
              PgNumber(row.endedMs), PgBytes(row.end), PgBytes(row.mode), PgBytes(row.status),
              box ? PgBytes(row.message->content) : PgNull(),
              box ? PgBytes(row.message->caption) : PgNull(),
              box ? PgNumber(row.message->flags) : PgNull(), set, PgNumber(LeftOutOf(lookup)),
              PgBytes(row.who), PgBytes(row.host),
              row.pages ? PgNumber(row.pages->complete ? 1 : 0) : PgNull()}});
        const std::size_t lookupAnswer = batch.size() - 1;
        if (row.pages && !row.pages->missing.empty()) {
            std::vector<std::optional<std::string>> pages, urls, reasons;
            for (const MissingPage& page : row.pages->missing) {
                pages.push_back(page.page);
                urls.push_back(Hex(page.url));
                reasons.push_back(page.reason);
            }
            // The lookup's id from the row just made: currval of its identity.
            batch.push_back(
                {"INSERT INTO missing_page (lookup_id, position, page, url, reason) "
                 "SELECT currval(pg_get_serial_sequence('lookup', 'id')), m.n - 1, m.page, "
                 "decode(m.url, 'hex'), m.reason "
                 "FROM unnest($1::text[], $2::text[], $3::text[]) WITH ORDINALITY "
                 "AS m(page, url, reason, n)",
                 {TextArray(pages), TextArray(urls), TextArray(reasons)}});
        }
        batch.push_back({"COMMIT", {}});
        const std::vector<PgRows> answers = db_->Run(batch);
        return answers[lookupAnswer].Number(0, 0);
    }

    bool HasLookup(const LookupRow& row) override {
        return db_->Run(PgStatement{
                            "SELECT 1 FROM lookup WHERE member = $1::text AND account = "
                            "$2::bytea AND started_ms = $3::bigint AND ended_ms = "
                            "$4::bigint AND end_kind = $5::text",
                            {PgBytes(row.member), PgBytes(row.account), PgNumber(row.startedMs),
                             PgNumber(row.endedMs), PgBytes(row.end)}})
                   .Count() > 0;
    }

    std::vector<SavedLookupSummary> Recent(const std::optional<std::string>& account,
                                           int limit) override {
        PgStatement query{kSummaryColumns, VerdictControls()};
        if (account) {
            query.sql += "WHERE l.member = $3::text ";
            query.values.push_back(PgBytes(MemberKey(*account)));
        }
        query.sql += "ORDER BY l.id DESC";
        if (limit > 0) {
            query.values.push_back(PgNumber(limit));
            query.sql += " LIMIT $" + std::to_string(query.values.size()) + "::bigint";
        }
        const PgRows rows = db_->Run(query);
        std::vector<SavedLookupSummary> found;
        for (int r = 0; r < rows.Count(); ++r) {
            found.push_back(SummaryOf(rows, r));
        }
        return found;
    }

    std::optional<SavedLookup> Load(std::int64_t id) override {
        // The lookup, its fields and their values as of one moment, asked at once.
        std::vector<PgValue> head = VerdictControls();
        head.push_back(PgNumber(id));
        const std::vector<PgRows> answers = db_->Run(std::vector<PgStatement>{
            {"BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", {}},
            {std::string(kSummaryColumns) + "WHERE l.id = $3::bigint", head},
            {"SELECT c.name, f.text_id, f.link_id, f.picture_id FROM field AS f "
             "JOIN control AS c ON c.id = f.control_id "
             "WHERE f.set_id = (SELECT field_set_id FROM lookup WHERE id = $1::bigint)",
             {PgNumber(id)}},
            {"SELECT v.id, v.size, v.packing, v.bytes FROM stored_value AS v WHERE v.id IN "
             "(SELECT unnest(ARRAY[f.text_id, f.link_id, f.picture_id]) FROM field AS f "
             "WHERE f.set_id = (SELECT field_set_id FROM lookup WHERE id = $1::bigint))",
             {PgNumber(id)}},
            {"SELECT page, url, reason FROM missing_page WHERE lookup_id = $1::bigint "
             "ORDER BY position",
             {PgNumber(id)}},
            {"COMMIT", {}}});
        const PgRows& summary = answers[1];
        if (summary.Count() == 0) {
            return std::nullopt;
        }
        SavedLookup saved{SummaryOf(summary, 0), FieldStore(), std::nullopt};
        if (saved.summary.complete) {
            Completeness pages{*saved.summary.complete, {}};
            const PgRows& missing = answers[4];
            for (int r = 0; r < missing.Count(); ++r) {
                pages.missing.push_back(
                    MissingPage{missing.Bytes(r, 0), missing.Bytes(r, 1), missing.Bytes(r, 2)});
            }
            saved.pages = std::move(pages);
        }
        std::map<std::int64_t, std::string> valueOf;
        const PgRows& stored = answers[3];
        for (int r = 0; r < stored.Count(); ++r) {
            valueOf[stored.Number(r, 0)] = ValueAt(stored, r, 1);
        }
        auto value = [this, &valueOf](const PgRows& rows, int r, int c) -> std::string {
            if (rows.IsNull(r, c)) {
                return {};
            }
            const auto found = valueOf.find(rows.Number(r, c));
            if (found == valueOf.end()) {
                throw HistoryError(Where() +
                                   ": the history is damaged (a lookup's value is "
                                   "missing)");
            }
            return found->second;
        };
        struct Kept {
            std::string text, link, picture;
        };
        std::map<std::string, Kept, std::less<>> fields;
        const PgRows& references = answers[2];
        for (int r = 0; r < references.Count(); ++r) {
            fields[references.Bytes(r, 0)] = {value(references, r, 1), value(references, r, 2),
                                              value(references, r, 3)};
        }
        static const Kept kNothing;
        for (const ControlDef& c : Controls()) {
            const auto found = fields.find(std::string_view(c.name));
            const Kept& k = found != fields.end() ? found->second : kNothing;
            RestoreField(saved.fields, c, k.text, k.link,
                         ByteBuffer(k.picture.begin(), k.picture.end()));
        }
        RestoreStatus(saved);
        return saved;
    }

    std::optional<SavedLookupSummary> LatestComplete(const std::string& account) override {
        std::vector<PgValue> values = VerdictControls();
        values.push_back(PgBytes(MemberKey(account)));
        const PgRows rows = db_->Run(PgStatement{
            std::string(kSummaryColumns) +
                "WHERE l.member = $3::text AND l.complete = 1 ORDER BY l.id DESC LIMIT 1",
            values});
        if (rows.Count() == 0) {
            return std::nullopt;
        }
        return SummaryOf(rows, 0);
    }

    std::vector<std::string> RecentAccounts(int limit) override {
        const PgRows rows = db_->Run(PgStatement{
            "SELECT account FROM lookup WHERE id IN "
            "(SELECT max(id) FROM lookup GROUP BY member) ORDER BY id DESC LIMIT $1::bigint",
            {PgNumber(limit)}});
        std::vector<std::string> accounts;
        for (int r = 0; r < rows.Count(); ++r) {
            accounts.push_back(rows.Bytes(r, 0));
        }
        return accounts;
    }

    MemberMarks MarksOf(std::string_view account) override {
        const PgValue member = PgBytes(MemberKey(account));
        const std::vector<PgRows> answers = db_->Run(std::vector<PgStatement>{
            {"BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", {}},
            {"SELECT account, kind, reason, who, at_ms, host FROM mark "
             "WHERE member = $1::text AND kind != 'clear'",
             {member}},
            {"SELECT account, text, who, at_ms, host FROM note WHERE member = $1::text "
             "ORDER BY at_ms, id",
             {member}},
            {"COMMIT", {}}});
        MemberMarks marks;
        if (answers[1].Count() > 0) {
            marks.mark = EntryOf(answers[1], 0, std::nullopt);
        }
        for (int r = 0; r < answers[2].Count(); ++r) {
            marks.notes.push_back(EntryOf(answers[2], r, MarkKind::kNote));
        }
        return marks;
    }

    std::vector<MarkEntry> AllMarks() override {
        const std::vector<PgRows> answers = db_->Run(std::vector<PgStatement>{
            {"BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY", {}},
            {"SELECT account, kind, reason, who, at_ms, host, member FROM mark ORDER BY member",
             {}},
            {"SELECT account, text, who, at_ms, host, member FROM note ORDER BY at_ms, id", {}},
            {"COMMIT", {}}});
        std::vector<std::pair<std::string, MarkEntry>> entries;
        for (int r = 0; r < answers[1].Count(); ++r) {
            entries.emplace_back(answers[1].Bytes(r, 6), EntryOf(answers[1], r, std::nullopt));
        }
        for (int r = 0; r < answers[2].Count(); ++r) {
            entries.emplace_back(answers[2].Bytes(r, 5), EntryOf(answers[2], r, MarkKind::kNote));
        }
        return InListOrder(std::move(entries));
    }

    void SetMark(const MarkEntry& mark) override { db_->Run(MarkStatement(mark, false)); }

    ImportCounts ImportMarks(const std::vector<MarkEntry>& entries) override {
        std::vector<PgStatement> batch = {{"BEGIN", {}}};
        for (const MarkEntry& entry : entries) {
            if (entry.kind != MarkKind::kNote) {
                batch.push_back(MarkStatement(entry, true));
                continue;
            }
            CheckMarkEntry(entry);
            batch.push_back(
                {"INSERT INTO note (member, account, text, who, at_ms, host) "
                 "VALUES ($1::text, $2::text, $3::text, $4::text, $5::bigint, $6::text) "
                 "ON CONFLICT (member, at_ms, who, text) DO NOTHING RETURNING 1",
                 {PgBytes(MemberKey(entry.account)), PgBytes(entry.account), PgBytes(entry.text),
                  PgBytes(entry.who), PgNumber(Milliseconds(entry.when)), PgBytes(entry.host)}});
        }
        batch.push_back({"COMMIT", {}});
        const std::vector<PgRows> answers = db_->Run(batch);
        ImportCounts counts;
        for (std::size_t k = 0; k < entries.size(); ++k) {
            const bool taken = answers[k + 1].Count() > 0;
            if (entries[k].kind == MarkKind::kNote) {
                (taken ? counts.notes : counts.knownNotes) += 1;
            } else {
                (taken ? counts.marks : counts.olderMarks) += 1;
            }
        }
        return counts;
    }

    std::vector<WatchedMember> Watched() override {
        const PgRows rows = db_->Run(
            PgStatement{"SELECT account, added_ms FROM watched ORDER BY added_ms, id", {}});
        std::vector<WatchedMember> members;
        for (int r = 0; r < rows.Count(); ++r) {
            members.push_back({rows.Bytes(r, 0), TimeOf(rows.Number(r, 1))});
        }
        return members;
    }

    bool Watch(const std::string& account, std::chrono::system_clock::time_point when) override {
        return db_->Run(PgStatement{"INSERT INTO watched (member, account, added_ms) "
                                    "VALUES ($1::text, $2::text, $3::bigint) "
                                    "ON CONFLICT (member) DO NOTHING RETURNING 1",
                                    {PgBytes(MemberKey(account)), PgBytes(account),
                                     PgNumber(Milliseconds(when))}})
                   .Count() > 0;
    }

    bool Unwatch(const std::string& account) override {
        return db_->Run(PgStatement{"DELETE FROM watched WHERE member = $1::text RETURNING 1",
                                    {PgBytes(MemberKey(account))}})
                   .Count() > 0;
    }

  private:
    std::string ValueAt(const PgRows& rows, int r, int first) const {
        if (rows.IsNull(r, first)) {
            return {};
        }
        const std::int64_t size = rows.Number(r, first);
        std::optional<std::string> value =
            size < 0 ? std::nullopt
                     : Unpack(static_cast<Packing>(rows.Number(r, first + 1)),
                              rows.Bytes(r, first + 2), static_cast<std::size_t>(size));
        if (!value) {
            throw HistoryError(Where() +
                               ": the history is damaged (a stored value does not read back)");
        }
        return std::move(*value);
    }

    SavedLookupSummary SummaryOf(const PgRows& rows, int r) const {
        SavedLookupSummary s;
        s.id = rows.Number(r, 0);
        s.account = rows.Bytes(r, 1);
        s.started = TimeOf(rows.Number(r, 2));
        s.ended = TimeOf(rows.Number(r, 3));
        s.end = rows.Bytes(r, 4);
        s.mode = rows.Bytes(r, 5);
        s.status = rows.Bytes(r, 6);
        s.buyerVerdict = ValueAt(rows, r, 7);
        s.shopVerdict = ValueAt(rows, r, 10);
        s.leftOut = static_cast<int>(rows.Number(r, 13));
        s.who = rows.Bytes(r, 14);
        s.host = rows.Bytes(r, 15);
        if (!rows.IsNull(r, 16)) {
            s.messageText = rows.Bytes(r, 16);
            s.messageCaption = rows.Bytes(r, 17);
            s.messageFlags = static_cast<int>(rows.Number(r, 18));
        }
        if (!rows.IsNull(r, 19)) {
            s.complete = rows.Number(r, 19) != 0;
        }
        s.missingPages = static_cast<int>(rows.Number(r, 20));
        return s;
    }

    // Columns: account, kind (marks only), text, who, at_ms, host.
    static MarkEntry EntryOf(const PgRows& rows, int r, std::optional<MarkKind> kind) {
        const int k = kind ? 1 : 0;
        MarkEntry entry;
        entry.account = rows.Bytes(r, 0);
        entry.kind = kind ? *kind : MarkKindFromName(rows.Bytes(r, 1)).value_or(MarkKind::kClear);
        entry.text = rows.Bytes(r, 2 - k);
        entry.who = rows.Bytes(r, 3 - k);
        entry.when = TimeOf(rows.Number(r, 4 - k));
        entry.host = rows.Bytes(r, 5 - k);
        return entry;
    }

    // The member's mark becomes this one; with `onlyNewer`, only where it is
    // newer. Answers a row when it was written.
    static PgStatement MarkStatement(const MarkEntry& mark, bool onlyNewer) {
        CheckMarkEntry(mark);
        return {std::string("INSERT INTO mark (member, account, kind, reason, who, at_ms, host) "
                            "VALUES ($1::text, $2::text, $3::text, $4::text, $5::text, $6::bigint, "
                            "$7::text) "
                            "ON CONFLICT (member) DO UPDATE SET account = excluded.account, "
                            "kind = excluded.kind, reason = excluded.reason, who = excluded.who, "
                            "at_ms = excluded.at_ms, host = excluded.host") +
                    (onlyNewer ? " WHERE excluded.at_ms > mark.at_ms" : "") + " RETURNING 1",
                {PgBytes(MemberKey(mark.account)), PgBytes(mark.account),
                 PgBytes(MarkKindName(mark.kind)), PgBytes(mark.text), PgBytes(mark.who),
                 PgNumber(Milliseconds(mark.when)), PgBytes(mark.host)}};
    }

    std::unique_ptr<PgConnection> db_;
};

}  // namespace

std::unique_ptr<HistoryStore> OpenPostgresStore(const HistoryPlace& place, StoreUse use,
                                                std::chrono::milliseconds busy) {
    auto db = std::make_unique<PgConnection>(place, kPostgresSchema, busy);
    const std::int64_t version = PostgresVersionOf(*db);
    if (version == 0 && use == StoreUse::kRead) {
        return nullptr;  // nothing saved there yet
    }
    if (version < kHistorySchemaVersion) {
        UpgradePostgres(*db);
    }
    return std::make_unique<PostgresStore>(std::move(db));
}

int RoundTripsOf(HistoryStore& store) {
    auto* server = dynamic_cast<PostgresStore*>(&store);
    return server != nullptr ? server->RoundTrips() : -1;
}

}  // namespace kestrova
