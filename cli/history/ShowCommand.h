#pragma once
// kestrova-cli show ACCOUNT [--id N] [--json]: a saved lookup printed exactly
// as the lookup printed it, without the network.

#include <CLI/CLI.hpp>
#include <cstdint>
#include <string>

#include "cli/history/HistoryOptions.h"

namespace kestrova {

class ShowCommand {
  public:
    explicit ShowCommand(CLI::App& app);
    bool Chosen() const { return command_->parsed(); }
    // 0, or 1 when the history cannot be read or has no such lookup.
    int Run() const;

  private:
    CLI::App* command_;
    CLI::Option* idOption_;
    std::string account_;
    std::int64_t id_ = 0;
    bool json_ = false;
    HistoryOptions history_;
};

}  // namespace kestrova
