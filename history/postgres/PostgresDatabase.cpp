#include "history/postgres/PostgresDatabase.h"

#include <algorithm>
#include <set>

#include "history/postgres/PgConnection.h"
#include "history/postgres/PostgresSchema.h"
#include "history/store/MemberKey.h"
#include "history/store/PreparedLookup.h"
#include "history/store/SchemaVersion.h"

namespace kestrova {
namespace {

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

PgValue ValueOf(const SqlValue& value) {
    switch (value.kind) {
        case SqlValue::Kind::kNumber:
            return PgNumber(value.number);
        case SqlValue::Kind::kText:
        case SqlValue::Kind::kBytes:
            return PgBytes(value.bytes);
        case SqlValue::Kind::kNull:
            break;
    }
    return PgNull();
}

class PostgresDatabase final : public Database {
  public:
    PostgresDatabase(std::unique_ptr<PgConnection> db, bool made)
        : db_(std::move(db)), made_(made) {}

    Dialect Speaks() const override { return Dialect::kPostgres; }
    std::string Where() const override { return db_->Where(); }
    int RoundTrips() const override { return db_->RoundTrips(); }

    std::vector<Rows> Run(const std::vector<Sql>& batch, Transaction transaction) override {
        const bool whole = transaction != Transaction::kNone;
        std::vector<PgStatement> statements;
        if (whole) {
            statements.push_back({transaction == Transaction::kRead
                                      ? "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"
                                      : "BEGIN",
                                  {}});
        }
        for (const Sql& sql : batch) {
            PgStatement& statement = statements.emplace_back(PgStatement{sql.text, {}});
            for (const SqlValue& value : sql.values) {
                statement.values.push_back(ValueOf(value));
            }
        }
        if (whole) {
            statements.push_back({"COMMIT", {}});
        }
        std::vector<Rows> answers = db_->Run(statements);
        if (whole) {
            answers.pop_back();
            answers.erase(answers.begin());
        }
        return answers;
    }

    bool Made() const override { return made_; }

    void MakeReady() override {
        if (!made_) {
            UpgradePostgres(*db_);
            made_ = true;
        }
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
        const std::optional<Completeness>& pages = lookup.pages;
        const bool box = row.message.has_value();
        batch.push_back(
            {"INSERT INTO lookup (account, member, started_ms, ended_ms, end_kind, mode, status, "
             "message_text, message_caption, message_flags, field_set_id, left_out, who, host, "
             "complete) "
             "VALUES ($1::bytea, $2::text, $3::bigint, $4::bigint, $5::text, $6::text, $7::bytea, "
             "$8::bytea, $9::bytea, $10::integer, "
             "(SELECT id FROM field_set WHERE sha256 = $11::bytea), $12::integer, $13::text, "
             "$14::text, $15::integer) RETURNING id",
             {PgBytes(row.account), PgBytes(MemberKey(row.account)),
              PgNumber(Milliseconds(row.started)), PgNumber(Milliseconds(row.ended)),
              PgBytes(row.end), PgBytes(row.mode), PgBytes(row.status),
              box ? PgBytes(row.message->content) : PgNull(),
              box ? PgBytes(row.message->caption) : PgNull(),
              box ? PgNumber(row.message->flags) : PgNull(), set, PgNumber(lookup.LeftOut()),
              PgBytes(row.who), PgBytes(row.host),
              pages ? PgNumber(pages->complete ? 1 : 0) : PgNull()}});
        const std::size_t lookupAnswer = batch.size() - 1;
        if (pages && !pages->missing.empty()) {
            std::vector<std::optional<std::string>> pageNames, urls, reasons;
            for (const MissingPage& page : pages->missing) {
                pageNames.push_back(page.page);
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
                 {TextArray(pageNames), TextArray(urls), TextArray(reasons)}});
        }
        batch.push_back({"COMMIT", {}});
        const std::vector<Rows> answers = db_->Run(batch);
        return answers[lookupAnswer].Number(0, 0);
    }

  private:
    std::unique_ptr<PgConnection> db_;
    bool made_;
};

}  // namespace

std::unique_ptr<Database> OpenPostgresDatabase(const std::string& uri, const std::string& shown,
                                               bool make, std::chrono::milliseconds lockWait) {
    auto db = std::make_unique<PgConnection>(uri, shown, kPostgresSchema, lockWait);
    const std::int64_t version = PostgresVersionOf(*db);
    if ((version == 0 && make) || (version > 0 && version < kHistorySchemaVersion)) {
        UpgradePostgres(*db);
    }
    return std::make_unique<PostgresDatabase>(std::move(db), version > 0 || make);
}

}  // namespace kestrova
