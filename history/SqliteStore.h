#pragma once
// The history in an SQLite file: one person's, on one machine.

#include <chrono>
#include <filesystem>
#include <memory>

#include "history/HistoryStore.h"

namespace kestrova {

std::unique_ptr<HistoryStore> OpenSqliteStore(const std::filesystem::path& file, StoreUse use,
                                              std::chrono::milliseconds busy);

}  // namespace kestrova
