#include "history/HistoryPlace.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "history/postgres/ConnectionUri.h"
#include "history/store/HistoryError.h"

namespace kestrova {
namespace {

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char p, char t) {
               return std::tolower(static_cast<unsigned char>(t)) == p;
           });
}

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

HistoryPlace::HistoryPlace(std::filesystem::path file) : file_(std::move(file)) {}

HistoryPlace HistoryPlace::Named(const std::string& given) {
    if (!IsServerUri(given)) {
        return HistoryPlace(std::filesystem::path(given));
    }
    HistoryPlace place;
    place.uri_ = given;
    // The scheme in any case, as URIs have it; libpq knows it in lower case
    // only, and would read the rest as settings (quoting it, password and all,
    // in its error).
    const std::size_t scheme = given.find("://");
    std::transform(given.begin(), given.begin() + static_cast<std::ptrdiff_t>(scheme),
                   place.uri_.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    place.server_ = true;
    return place;
}

std::string HistoryPlace::Shown() const {
    return server_ ? MaskedUri(uri_) : file_.string();
}

bool IsServerUri(const std::string& text) {
    return StartsWithNoCase(text, "postgresql://") || StartsWithNoCase(text, "postgres://");
}

std::optional<HistoryPlace> ChooseHistoryPlace(const std::optional<std::string>& option, bool off) {
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
