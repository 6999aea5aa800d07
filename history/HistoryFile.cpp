#include "history/HistoryFile.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "history/HistoryError.h"

namespace kestrova {
namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

std::filesystem::path HomeFolder() {
    std::string home = Environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir) {
            home = entry->pw_dir;
        }
    }
    if (home.empty()) {
        throw HistoryError(
            "no place for the history: set HOME, XDG_DATA_HOME or KESTROVA_HISTORY, or give "
            "--history PATH");
    }
    return home;
}

std::filesystem::path DataHome() {
    const std::filesystem::path xdg = Environment("XDG_DATA_HOME");
    if (xdg.is_absolute()) {
        return xdg;
    }
    return HomeFolder() / ".local" / "share";
}

}  // namespace

std::optional<HistoryPlace> ChooseHistoryFile(const std::optional<std::string>& option, bool off) {
    if (off) {
        return std::nullopt;
    }
    if (option) {
        // SQLite would take an empty name for a private temporary database,
        // and every lookup saved there would be lost at the program's end.
        if (option->empty()) {
            throw HistoryError("--history wants a file name");
        }
        return HistoryPlace::Named(*option);
    }
    if (const std::string chosen = Environment("KESTROVA_HISTORY"); !chosen.empty()) {
        return HistoryPlace::Named(chosen);
    }
    return HistoryPlace(DataHome() / "kestrova" / "history.sqlite3");
}

}  // namespace kestrova
