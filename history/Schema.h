#pragma once
// The history file's layout. The file carries its version in PRAGMA
// user_version; each numbered migration brings it one version forward, so a
// file written by any earlier Kestrova opens in this one.

#include "history/Sqlite.h"

namespace kestrova {

inline constexpr int kHistorySchemaVersion = 2;

// Brings the file to kHistorySchemaVersion (a new file gets the whole schema),
// in one immediate transaction. Throws for a file of a newer Kestrova, and for
// a database that holds tables of some other program.
void UpgradeSchema(Connection& db);

// The file's version: 0 for a file without the schema. Throws for a file of a
// newer Kestrova or one that is not a database at all.
std::int64_t SchemaVersionOf(Connection& db);

// True when the file holds tables (of its own schema or another program's).
bool HasTables(Connection& db);

}  // namespace kestrova
