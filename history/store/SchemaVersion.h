#pragma once
// The history's schema version, the same number in every store: a file keeps
// it in PRAGMA user_version, a server in its table kestrova_schema. Each
// version is one migration in each store's schema.

namespace kestrova {

inline constexpr int kHistorySchemaVersion = 6;

}  // namespace kestrova
