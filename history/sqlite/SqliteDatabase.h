#pragma once
// The history in an SQLite file: one person's, on one machine.

#include <chrono>
#include <filesystem>
#include <memory>

#include "history/store/Database.h"

namespace kestrova {

// `make` false: null where the file is not there (reading never makes one);
// an older file is brought up to date, one this program may not write is
// read as it stands. `make` true: the file (and its folder) made where
// missing, ready to write. `busy`: how long to wait for another program's
// lock. Throws for a damaged, newer or foreign file.
std::unique_ptr<Database> OpenSqliteDatabase(const std::filesystem::path& file, bool make,
                                             std::chrono::milliseconds busy);

}  // namespace kestrova
