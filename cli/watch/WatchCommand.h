#pragma once
// kestrova-cli watch add|remove ACCOUNT... and watch list [--json]: the
// members `recheck` looks up again.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/history/HistoryOptions.h"

namespace kestrova {

class WatchCommand {
  public:
    explicit WatchCommand(CLI::App& app);
    bool Chosen() const { return command_->parsed(); }
    // 0; 1 when the history cannot be read or written, or a member to remove
    // was not watched; 2 for a usage error.
    int Run() const;

  private:
    int Add() const;
    int Remove() const;
    int List() const;

    CLI::App* command_;
    CLI::App* add_;
    CLI::App* remove_;
    CLI::App* list_;
    std::vector<std::string> adding_;
    std::vector<std::string> removing_;
    bool json_ = false;
    HistoryOptions addHistory_;
    HistoryOptions removeHistory_;
    HistoryOptions listHistory_;
};

}  // namespace kestrova
