#pragma once
// The history on a PostgreSQL server a team shares: the same tables as the
// file, in a schema "kestrova" of the database the URI names, created and
// brought up to date under an advisory lock, so that two machines upgrading
// at once wait for each other instead of colliding.

#include <chrono>
#include <memory>
#include <string>

#include "history/store/Database.h"

namespace kestrova {

// Connects to `uri` (`shown` in messages). An older schema is brought up to
// date; `make`: one that is not there yet is made. `lockWait`: how long a
// statement waits for another transaction's lock. Throws HistoryOutOfReach
// where the server cannot be reached, HistoryError for a newer or foreign
// schema.
std::unique_ptr<Database> OpenPostgresDatabase(const std::string& uri, const std::string& shown,
                                               bool make, std::chrono::milliseconds lockWait);

}  // namespace kestrova
