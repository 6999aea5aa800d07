#include "history/Schema.h"

#include <string>

namespace kestrova {
namespace {

struct Migration {
    int version;  // the version the file has after it
    const char* sql;
};

// Texts the lookup wrote are kept as its GBK bytes (BLOB), exactly as written:
// a page's bytes need not be valid GBK, and what was shown must come back
// byte for byte. The account is kept as typed, in UTF-8.
// Times are milliseconds since 1970-01-01 UTC.
constexpr Migration kMigrations[] = {
    {1, R"(
CREATE TABLE lookup (
    id INTEGER PRIMARY KEY,
    account TEXT NOT NULL,
    started_ms INTEGER NOT NULL,
    ended_ms INTEGER NOT NULL,
    end_kind TEXT NOT NULL,
    mode TEXT NOT NULL,
    status BLOB NOT NULL,
    message_text BLOB,
    message_caption BLOB,
    message_flags INTEGER
);
CREATE INDEX lookup_by_account ON lookup (account, id);
CREATE TABLE field (
    lookup_id INTEGER NOT NULL REFERENCES lookup (id),
    control TEXT NOT NULL,
    text BLOB,
    link BLOB,
    PRIMARY KEY (lookup_id, control)
);
CREATE TABLE picture (
    sha256 BLOB PRIMARY KEY,
    bytes BLOB NOT NULL
);
CREATE TABLE shown_picture (
    lookup_id INTEGER NOT NULL REFERENCES lookup (id),
    control TEXT NOT NULL,
    sha256 BLOB NOT NULL REFERENCES picture (sha256),
    PRIMARY KEY (lookup_id, control)
);
)"},
    // Lookups are found by member, not by the exact typing: an account typed
    // with a space before or after it is the same member (see MemberKey).
    {2, R"(
ALTER TABLE lookup ADD COLUMN member TEXT NOT NULL DEFAULT '';
UPDATE lookup SET member = trim(account, ' ' || char(12288));
DROP INDEX lookup_by_account;
CREATE INDEX lookup_by_member ON lookup (member, started_ms);
)"},
};

static_assert(std::size(kMigrations) == kHistorySchemaVersion,
              "one migration for each version, in order");

bool HasTables(Connection& db) {
    Statement tables(db, "SELECT count(*) FROM sqlite_schema");
    return tables.Step() && tables.Number(0) > 0;
}

}  // namespace

std::int64_t SchemaVersionOf(Connection& db) {
    const std::int64_t version = db.PragmaNumber("user_version");
    if (version > kHistorySchemaVersion || version < 0) {
        throw HistoryError(db.File().string() + ": written by a newer Kestrova (history version " +
                           std::to_string(version) + "; this one knows up to " +
                           std::to_string(kHistorySchemaVersion) + ")");
    }
    if (version == 0 && HasTables(db)) {
        throw HistoryError(db.File().string() +
                           ": not a Kestrova history (the database holds other tables)");
    }
    return version;
}

void UpgradeSchema(Connection& db) {
    if (SchemaVersionOf(db) == kHistorySchemaVersion) {
        return;
    }
    Transaction transaction(db);
    // Read again under the write lock: another process may have upgraded the
    // file since.
    const std::int64_t version = SchemaVersionOf(db);
    for (const Migration& migration : kMigrations) {
        if (migration.version > version) {
            db.Execute(migration.sql);
        }
    }
    // PRAGMA takes no bound values; the number is our own constant.
    db.Execute(("PRAGMA user_version = " + std::to_string(kHistorySchemaVersion)).c_str());
    transaction.Commit();
}

}  // namespace kestrova
