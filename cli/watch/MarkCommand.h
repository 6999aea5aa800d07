#pragma once
// kestrova-cli mark ACCOUNT --blacklist|--trusted|--clear [--reason TEXT] and
// kestrova-cli note ACCOUNT TEXT: one entry about a member, saved in the
// history with the user's login name and the time.

#include <CLI/CLI.hpp>
#include <string>

#include "cli/history/HistoryOptions.h"

namespace kestrova {

class MarkCommand {
  public:
    explicit MarkCommand(CLI::App& app);
    bool Chosen() const { return command_->parsed(); }
    // 0; 1 when the history cannot take it; 2 for a usage error.
    int Run() const;

  private:
    CLI::App* command_;
    std::string account_;
    bool blacklist_ = false;
    bool trusted_ = false;
    bool clear_ = false;
    std::string reason_;
    HistoryOptions history_;
};

class NoteCommand {
  public:
    explicit NoteCommand(CLI::App& app);
    bool Chosen() const { return command_->parsed(); }
    int Run() const;

  private:
    CLI::App* command_;
    std::string account_;
    std::string text_;
    HistoryOptions history_;
};

// Checks what the user typed for a mark or note; prints the problem and
// returns false when it cannot be kept.
bool UsableEntry(const std::string& account, const std::string& text, const char* what);

}  // namespace kestrova
