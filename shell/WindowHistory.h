#pragma once
// The window and the lookup history: where its lookups are saved, and the
// saved lookup it opens with (--saved ACCOUNT), filled in without the network.

#include <memory>
#include <optional>
#include <string>

#include "form/Window.h"
#include "history/History.h"

namespace kestrova {

struct WindowHistoryOptions {
    std::optional<std::string> file;   // --history PATH
    bool off = false;                  // --no-history
    std::optional<std::string> saved;  // --saved ACCOUNT
};

// The window's one history, where its lookups are saved, its marks and notes
// kept and the accounts to complete read (--no-history stops the saving
// only); null where no place can be found.
std::unique_ptr<History> OpenWindowHistory(const WindowHistoryOptions& options);

// Whether the window saves its lookups in it: not with --no-history, nor
// (with a warning on standard error) where no place can be found.
bool SavesLookups(const WindowHistoryOptions& options);

// Fills the window with the member's latest saved lookup, and tells which
// pages it got where the history kept that. False, said on standard error,
// when the history cannot be read or holds none.
bool OpenSavedLookup(Window& window, History* history, const WindowHistoryOptions& options,
                     std::optional<Completeness>* pages = nullptr);

// Every text, link and picture as saved; the status bar says when the lookup
// ran (after the message it stopped with, if it stopped early).
void ShowSavedLookup(Window& window, const SavedLookup& saved);

}  // namespace kestrova
