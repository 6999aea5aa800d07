#pragma once
// kestrova-cli recheck [--jobs N] [--fast] [--json] [--notify]: every watched
// member looked up again as a batch (the same lookups, saved in the history
// like any other), and for each member that changed since its previous
// complete lookup what history ACCOUNT --diff prints; nothing for the others.
// With --notify, a desktop notification per changed member.

#include <CLI/CLI.hpp>
#include <string>

#include "cli/batch/BatchLookup.h"
#include "cli/history/HistoryOptions.h"

namespace kestrova {

// As diff(1): 0 when no member changed, 1 when one did; 2 for a usage error;
// 3 when the history cannot be read or a query broke off with a run-time
// error.
inline constexpr int kRecheckChanged = 1;

class RecheckCommand {
  public:
    explicit RecheckCommand(CLI::App& app);
    bool Chosen() const { return command_->parsed(); }
    int Run() const;

  private:
    CLI::App* command_;
    int jobs_ = kDefaultJobs;
    bool fast_ = false;
    bool json_ = false;
    bool notify_ = false;
    bool demo_ = false;
    bool allowPrivateNetwork_ = false;
    std::string connectTo_;
    HistoryOptions history_;
};

}  // namespace kestrova
