#pragma once
// kestrova-cli marks [--json | --csv] and marks --import FILE.csv: every mark
// and note, and the same columns taken back from a file.

#include <CLI/CLI.hpp>
#include <string>

#include "cli/history/HistoryOptions.h"

namespace kestrova {

class MarksCommand {
  public:
    explicit MarksCommand(CLI::App& app);
    bool Chosen() const { return command_->parsed(); }
    // 0; 1 when the history cannot be read or written, or a row of the file
    // cannot be taken (then nothing is); 2 when the file cannot be read.
    int Run() const;

  private:
    int List() const;
    int Import() const;

    CLI::App* command_;
    bool json_ = false;
    bool csv_ = false;
    std::string import_;
    CLI::Option* importOption_ = nullptr;
    HistoryOptions history_;
};

}  // namespace kestrova
