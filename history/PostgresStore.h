#pragma once
// The history on a PostgreSQL server a team shares: the same tables as the
// file, in a schema "kestrova" of the database the URI names, created and
// brought up to date under an advisory lock, so that two machines upgrading
// at once wait for each other instead of colliding.

#include <chrono>
#include <memory>

#include "history/HistoryStore.h"

namespace kestrova {

class PgConnection;

std::unique_ptr<HistoryStore> OpenPostgresStore(const HistoryPlace& place, StoreUse use,
                                                std::chrono::milliseconds busy);

// The round trips the store's connection has made since it was set up (for
// the tests and the benchmarks); -1 for a store of another kind.
int RoundTripsOf(HistoryStore& store);

}  // namespace kestrova
