#include "cli/history/HistoryOptions.h"

#include "history/store/HistoryError.h"

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

std::optional<HistoryPlace> HistoryOptions::Place() const {
    return ChooseHistoryPlace(pathOption_ != nullptr && pathOption_->count() > 0
                                  ? std::optional<std::string>(path_)
                                  : std::nullopt,
                              off_);
}

std::optional<HistoryPlace> HistoryOptions::MarksPlace() const {
    try {
        return ChooseHistoryPlace(pathOption_ != nullptr && pathOption_->count() > 0
                                      ? std::optional<std::string>(path_)
                                      : std::nullopt);
    } catch (const HistoryError&) {
        return std::nullopt;
    }
}

}  // namespace kestrova
