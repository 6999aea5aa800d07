#pragma once
// The history file's layout. The file carries its version in PRAGMA
// user_version; each numbered migration brings it one version forward, so a
// file written by any earlier Kestrova opens in this one.

#include "history/sqlite/Sqlite.h"
#include "history/store/SchemaVersion.h"

namespace kestrova {

// The file's version: 0 for a file without the schema (a new, empty one).
// Read in one transaction, so that another program making the schema at the
// same time is seen before or after, never halfway. Throws for a file that
// is not a database, one of a newer Kestrova, and a database that holds
// tables of some other program.
std::int64_t SchemaVersionOf(Connection& db);

// Brings the file to kHistorySchemaVersion (a new file gets the whole schema):
// the version is read again and the schema made or upgraded inside one
// immediate transaction; throws where SchemaVersionOf does.
void UpgradeSchema(Connection& db);

}  // namespace kestrova
