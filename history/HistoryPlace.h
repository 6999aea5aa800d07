#pragma once
// Where a history is kept: an SQLite file on this machine, or a PostgreSQL
// database a team shares (a libpq connection URI, postgresql:// or
// postgres://). The URI may carry a password; it is used to connect and never
// shown: every message names the place by Shown().

#include <filesystem>
#include <optional>
#include <string>

namespace kestrova {

class HistoryPlace {
  public:
    // A file. Implicit: a path is the common case.
    HistoryPlace(std::filesystem::path file);  // NOLINT(google-explicit-constructor)
    // What a user gave (--history, KESTROVA_HISTORY): a server for a
    // postgresql:// or postgres:// URI, else a file.
    static HistoryPlace Named(const std::string& given);

    bool IsServer() const { return server_; }
    // The file (files only).
    const std::filesystem::path& File() const { return file_; }
    // The URI as given, password and all (servers only): for libpq alone.
    const std::string& Uri() const { return uri_; }
    // The file's name, or the URI with any password masked.
    std::string Shown() const;
    // The same, so that a place reads in a message as a file's path does.
    std::string string() const { return Shown(); }

  private:
    HistoryPlace() = default;
    std::filesystem::path file_;
    std::string uri_;
    bool server_ = false;
};

// True for a postgresql:// or postgres:// URI (the scheme in any case).
bool IsServerUri(const std::string& text);

// The place, or nullopt when saving is off (--no-history). The same rule for
// every front end: --history PATH (or a postgresql:// URI), else
// $KESTROVA_HISTORY, else $XDG_DATA_HOME/kestrova/history.sqlite3, with
// ~/.local/share in place of XDG_DATA_HOME where that is unset (or not an
// absolute path, which the XDG rules ignore). Throws HistoryError for an
// empty option, and when neither an option, KESTROVA_HISTORY, XDG_DATA_HOME
// nor a home folder names a place.
std::optional<HistoryPlace> ChooseHistoryPlace(const std::optional<std::string>& option,
                                               bool off = false);

}  // namespace kestrova
