#pragma once
// The history's tables on PostgreSQL. The server keeps its version in the
// table kestrova_schema, as a file keeps it in PRAGMA user_version: the same
// numbers, so a version that adds to the file adds to the server as well.
// Servers start at version 6 (no earlier Kestrova wrote to one); each later
// version is one migration here beside the file's.

#include <cstdint>

#include "history/postgres/PgConnection.h"

namespace kestrova {

inline constexpr const char* kPostgresSchema = "kestrova";

// The server's version: 0 where the schema is not there yet. Throws for a
// newer one and for a schema "kestrova" that holds some other program's tables.
std::int64_t PostgresVersionOf(PgConnection& db);

// Brings the database to the current version, under the advisory lock:
// read again, then made or migrated in one transaction.
void UpgradePostgres(PgConnection& db);

}  // namespace kestrova
