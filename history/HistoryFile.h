#pragma once
// Where the history lives. The same rule for every front end: --history PATH
// (or a postgresql:// URI), else $KESTROVA_HISTORY, else
// $XDG_DATA_HOME/kestrova/history.sqlite3, with ~/.local/share in place of
// XDG_DATA_HOME where that is unset (or not an absolute path, which the XDG
// rules ignore).

#include <filesystem>
#include <optional>
#include <string>

#include "history/HistoryPlace.h"

namespace kestrova {

// The place, or nullopt when saving is off (--no-history). Throws
// HistoryError for an empty option, and when neither an option,
// KESTROVA_HISTORY, XDG_DATA_HOME nor a home folder names a place.
std::optional<HistoryPlace> ChooseHistoryFile(const std::optional<std::string>& option,
                                              bool off = false);

}  // namespace kestrova
