#pragma once
// kestrova-cli history [ACCOUNT] [--limit N] [--json | --csv] [--diff]: the
// saved lookups, latest first, or what changed between a member's last two;
// history --copy-to URI: the whole history copied into another.

#include <CLI/CLI.hpp>
#include <string>

#include "cli/history/HistoryOptions.h"

namespace kestrova {

class History;
struct SavedLookup;

enum class DiffFormat { kText, kJson, kJsonLine };

// What history ACCOUNT --diff prints for two lookups of the member.
void PrintFieldDiff(const std::string& account, const SavedLookup& before, const SavedLookup& after,
                    DiffFormat format);

class HistoryCommand {
  public:
    explicit HistoryCommand(CLI::App& app);
    bool Chosen() const { return command_->parsed(); }
    // 0, or 1 when the history cannot be read or holds too little for --diff.
    int Run() const;

  private:
    int List(History& history) const;
    int Diff(History& history) const;
    int Copy() const;

    CLI::App* command_;
    CLI::Option* accountOption_;
    std::string account_;
    int limit_ = 20;
    CLI::Option* limitOption_;
    bool json_ = false;
    bool csv_ = false;
    bool diff_ = false;
    CLI::Option* copyOption_;
    std::string copyTo_;
    HistoryOptions history_;
};

}  // namespace kestrova
