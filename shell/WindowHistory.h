#pragma once
// The window and the lookup history: where its lookups are saved, and the
// saved lookup it opens with (--saved ACCOUNT), filled in without the network.

#include <memory>
#include <optional>
#include <string>

#include "form/Window.h"
#include "history/HistoryPlace.h"
#include "history/LookupHistory.h"
#include "history/SavedLookups.h"

namespace kestrova {

struct WindowHistoryOptions {
    std::optional<std::string> file;   // --history PATH
    bool off = false;                  // --no-history
    std::optional<std::string> saved;  // --saved ACCOUNT
};

// Where the window's lookups go; saving is off (with a warning on standard
// error) where no place can be found.
std::unique_ptr<LookupHistory> OpenWindowHistory(const WindowHistoryOptions& options);

// Where marks and notes are kept and the accounts to complete are read:
// the history file, --no-history or not (it stops saving lookups); nullopt
// where no place can be found.
std::optional<HistoryPlace> WindowMarksFile(const WindowHistoryOptions& options);

// Fills the window with the member's latest saved lookup, and tells which
// pages it got where the history kept that. False, said on standard error,
// when the history cannot be read or holds none.
bool OpenSavedLookup(Window& window, const WindowHistoryOptions& options,
                     std::optional<Completeness>* pages = nullptr);

// Every text, link and picture as saved; the status bar says when the lookup
// ran (after the message it stopped with, if it stopped early).
void ShowSavedLookup(Window& window, const SavedLookup& saved);

}  // namespace kestrova
