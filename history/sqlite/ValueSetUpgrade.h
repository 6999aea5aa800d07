#pragma once
// The upgrade to history version 3: each lookup of the older layout (texts
// and links in rows of their own, pictures by hash) moves into the layout of
// values and field sets stored once, keeping its number, times, end and
// every byte it showed. Its member is found again by today's MemberKey.

#include "history/sqlite/Sqlite.h"

namespace kestrova {

// Inside the upgrade's transaction, after the older tables have been renamed
// to *_v2 and the new ones made; drops the older tables at the end.
void MoveVersion2Lookups(Connection& db);

}  // namespace kestrova
