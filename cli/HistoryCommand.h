#pragma once
// kestrova-cli history [ACCOUNT] [--limit N] [--json] [--diff]: the saved
// lookups, latest first, or what changed between a member's last two.

#include <CLI/CLI.hpp>
#include <string>

#include "cli/HistoryOptions.h"

namespace kestrova {

class HistoryCommand {
  public:
    explicit HistoryCommand(CLI::App& app);
    bool Chosen() const { return command_->parsed(); }
    // 0, or 1 when the history cannot be read or holds too little for --diff.
    int Run() const;

  private:
    int List(const class SavedLookups& saved) const;
    int Diff(const class SavedLookups& saved) const;

    CLI::App* command_;
    CLI::Option* accountOption_;
    std::string account_;
    int limit_ = 20;
    bool json_ = false;
    bool diff_ = false;
    HistoryOptions history_;
};

}  // namespace kestrova
