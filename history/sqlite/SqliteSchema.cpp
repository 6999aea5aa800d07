#include "history/sqlite/SqliteSchema.h"

#include <sqlite3.h>

#include <string>

#include "history/sqlite/ValueSetUpgrade.h"

namespace kestrova {
namespace {

struct Migration {
    int version;  // the version the file has after it
    const char* sql;
    void (*then)(Connection&) = nullptr;  // moves the rows the SQL cannot
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
    // Small whatever the pages: every text, link address and picture is
    // stored once (stored_value, by SHA-256, compressed where that helps);
    // a lookup points at its field set, stored once however many lookups
    // show the same; controls are small numbers. "Latest" is the highest id.
    // left_out says what did not fit in the bound for one lookup (1: the
    // whole page texts, 2: some pictures).
    {3, R"(
ALTER TABLE shown_picture RENAME TO shown_picture_v2;
ALTER TABLE field RENAME TO field_v2;
ALTER TABLE picture RENAME TO picture_v2;
ALTER TABLE lookup RENAME TO lookup_v2;
DROP INDEX lookup_by_member;
CREATE TABLE control (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL UNIQUE
);
CREATE TABLE stored_value (
    id INTEGER PRIMARY KEY,
    sha256 BLOB NOT NULL UNIQUE,
    size INTEGER NOT NULL,
    packing INTEGER NOT NULL,
    bytes BLOB NOT NULL
);
CREATE TABLE field_set (
    id INTEGER PRIMARY KEY,
    sha256 BLOB NOT NULL UNIQUE
);
CREATE TABLE field (
    set_id INTEGER NOT NULL REFERENCES field_set (id),
    control_id INTEGER NOT NULL REFERENCES control (id),
    text_id INTEGER REFERENCES stored_value (id),
    link_id INTEGER REFERENCES stored_value (id),
    picture_id INTEGER REFERENCES stored_value (id),
    PRIMARY KEY (set_id, control_id)
) WITHOUT ROWID;
CREATE TABLE lookup (
    id INTEGER PRIMARY KEY,
    account TEXT NOT NULL,
    member TEXT NOT NULL,
    started_ms INTEGER NOT NULL,
    ended_ms INTEGER NOT NULL,
    end_kind TEXT NOT NULL,
    mode TEXT NOT NULL,
    status BLOB NOT NULL,
    message_text BLOB,
    message_caption BLOB,
    message_flags INTEGER,
    field_set_id INTEGER NOT NULL REFERENCES field_set (id),
    left_out INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX lookup_by_member ON lookup (member, id);
)",
     MoveVersion2Lookups},
    // Which pages each lookup got: complete is 1 when every request it sent
    // was answered, 0 when not (its missing pages listed in order), and NULL
    // for a lookup saved before anyone asked.
    {4, R"(
ALTER TABLE lookup ADD COLUMN complete INTEGER;
CREATE TABLE missing_page (
    lookup_id INTEGER NOT NULL REFERENCES lookup (id),
    position INTEGER NOT NULL,
    page TEXT NOT NULL,
    url BLOB NOT NULL,
    reason TEXT NOT NULL,
    PRIMARY KEY (lookup_id, position)
) WITHOUT ROWID;
CREATE INDEX lookup_complete_by_member ON lookup (member, complete, id);
)"},
    // What the user concluded about members, beside their lookups: at most
    // one mark each (a cleared mark stays as "clear", so that a list
    // imported later cannot bring back what was cleared after it), any
    // number of notes, and the members re-checked on a schedule. Keyed by
    // member (MemberKey), the account kept as typed. Texts the user wrote are
    // UTF-8; who is a login name; times are milliseconds since 1970 UTC.
    {5, R"(
CREATE TABLE mark (
    member TEXT PRIMARY KEY,
    account TEXT NOT NULL,
    kind TEXT NOT NULL CHECK (kind IN ('blacklist', 'trusted', 'clear')),
    reason TEXT NOT NULL,
    who TEXT NOT NULL,
    at_ms INTEGER NOT NULL
);
CREATE TABLE note (
    id INTEGER PRIMARY KEY,
    member TEXT NOT NULL,
    account TEXT NOT NULL,
    text TEXT NOT NULL,
    who TEXT NOT NULL,
    at_ms INTEGER NOT NULL,
    UNIQUE (member, at_ms, who, text)
);
CREATE TABLE watched (
    member TEXT PRIMARY KEY,
    account TEXT NOT NULL,
    added_ms INTEGER NOT NULL
);
)"},
    // Who saved each lookup, mark and note: the login name (marks and notes
    // had it) and the machine's host name, for a history a team shares.
    // What was saved before says nothing of either.
    {6, R"(
ALTER TABLE lookup ADD COLUMN who TEXT NOT NULL DEFAULT '';
ALTER TABLE lookup ADD COLUMN host TEXT NOT NULL DEFAULT '';
ALTER TABLE mark ADD COLUMN host TEXT NOT NULL DEFAULT '';
ALTER TABLE note ADD COLUMN host TEXT NOT NULL DEFAULT '';
)"},
};

static_assert(std::size(kMigrations) == kHistorySchemaVersion,
              "one migration for each version, in order");

bool HasTables(Connection& db) {
    Statement tables(db, "SELECT count(*) FROM sqlite_schema");
    return tables.Step() && tables.Number(0) > 0;
}

std::int64_t VersionRead(Connection& db) {
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

}  // namespace

std::int64_t SchemaVersionOf(Connection& db) {
    if (sqlite3_get_autocommit(db.Handle()) == 0) {
        return VersionRead(db);  // inside the caller's transaction
    }
    db.Execute("BEGIN");
    try {
        const std::int64_t version = VersionRead(db);
        db.Execute("COMMIT");
        return version;
    } catch (...) {
        sqlite3_exec(db.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void UpgradeSchema(Connection& db) {
    if (SchemaVersionOf(db) == kHistorySchemaVersion) {
        return;
    }
    std::int64_t before = 0;
    {
        SqliteTransaction transaction(db, SqliteTransaction::Kind::kWrite);
        // Read again under the write lock: another process may have made or
        // upgraded the schema since.
        before = SchemaVersionOf(db);
        for (const Migration& migration : kMigrations) {
            if (migration.version > before) {
                db.Execute(migration.sql);
                if (migration.then != nullptr) {
                    migration.then(db);
                }
            }
        }
        // PRAGMA takes no bound values; the number is our own constant.
        db.Execute(("PRAGMA user_version = " + std::to_string(kHistorySchemaVersion)).c_str());
        transaction.Commit();
    }
    if (before > 0) {
        // The upgraded file shrinks to what it now holds. Only a saving of
        // space: another program reading it at the time may keep it from it.
        sqlite3_exec(db.Handle(), "VACUUM", nullptr, nullptr, nullptr);
    }
}

}  // namespace kestrova
