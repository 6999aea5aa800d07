#pragma once
// Where a subcommand finds the history: --history PATH, and for lookup
// --no-history; without them KESTROVA_HISTORY or the default place.

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "history/HistoryPlace.h"

namespace kestrova {

class HistoryOptions {
  public:
    // canTurnOff: the subcommand saves, and --no-history may stop it.
    void AddTo(CLI::App& command, bool canTurnOff);
    // nullopt with --no-history. Throws HistoryError when no place is known.
    std::optional<HistoryPlace> Place() const;
    // Where marks and notes are read: the history's place, --no-history or
    // not (it stops saving, not reading); nullopt when no place is known.
    std::optional<HistoryPlace> MarksPlace() const;

  private:
    std::string path_;
    bool off_ = false;
    CLI::Option* pathOption_ = nullptr;
};

}  // namespace kestrova
