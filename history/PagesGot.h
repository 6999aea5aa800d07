#pragma once
// Which pages a saved lookup got: written beside its row, read back with it.

#include <cstdint>
#include <optional>

#include "form/Completeness.h"
#include "history/Sqlite.h"

namespace kestrova {

class PagesGotWriter {
  public:
    explicit PagesGotWriter(Connection& db);
    // Inside the transaction that wrote the lookup's row.
    void Write(std::int64_t lookupId, const Completeness& pages);

  private:
    Statement markComplete_;
    Statement insertMissing_;
};

// nullopt for a lookup saved before the history kept it.
std::optional<Completeness> ReadPagesGot(Connection& db, std::int64_t lookupId);

}  // namespace kestrova
