#include "cli/history/HistoryOptions.h"

#include "history/HistoryError.h"
#include "history/HistoryFile.h"

namespace kestrova {

void HistoryOptions::AddTo(CLI::App& command, bool canTurnOff) {
    pathOption_ = command.add_option("--history", path_,
                                     "the history file, or a postgresql:// URI for a database a "
                                     "team shares (default: $KESTROVA_HISTORY, else "
                                     "$XDG_DATA_HOME/kestrova/history.sqlite3)");
    if (canTurnOff) {
        command.add_flag("--no-history", off_, "do not save this lookup in the history")
            ->excludes(pathOption_);
    }
}

std::optional<HistoryPlace> HistoryOptions::File() const {
    return ChooseHistoryFile(pathOption_ != nullptr && pathOption_->count() > 0
                                 ? std::optional<std::string>(path_)
                                 : std::nullopt,
                             off_);
}

std::optional<HistoryPlace> HistoryOptions::MarksFile() const {
    try {
        return ChooseHistoryFile(pathOption_ != nullptr && pathOption_->count() > 0
                                     ? std::optional<std::string>(path_)
                                     : std::nullopt);
    } catch (const HistoryError&) {
        return std::nullopt;
    }
}

}  // namespace kestrova
