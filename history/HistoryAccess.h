#pragma once
// Opening the history file for what a command does with it. Reading never
// makes a file; a file that is not there, or an empty database, is an empty
// history. Writing makes the file (and its folder) where it is missing. Both
// bring an older file up to date first, and refuse a damaged, newer or
// foreign one with a HistoryError.

#include <chrono>
#include <filesystem>
#include <memory>

#include "history/Sqlite.h"

namespace kestrova {

// Null for a history not written yet. `busy`: how long a read waits for a
// writer's lock (a file in WAL mode is read without waiting; an upgrade
// waits).
std::unique_ptr<Connection> OpenHistoryToRead(const std::filesystem::path& file,
                                              std::chrono::milliseconds busy);

std::unique_ptr<Connection> OpenHistoryToWrite(const std::filesystem::path& file,
                                               std::chrono::milliseconds busy);

}  // namespace kestrova
