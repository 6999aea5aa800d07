#include "history/HistoryAccess.h"

#include <unistd.h>

#include <system_error>

#include "history/Schema.h"

namespace kestrova {
namespace {

// A file this program may not write, nor make the companions of a
// write-ahead log beside, and with no log of unfinished writes: nobody writes
// it through us, so it is read as it stands.
bool Unwritable(const std::filesystem::path& file) {
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const bool writable = access(file.c_str(), W_OK) == 0 && access(folder.c_str(), W_OK) == 0;
    std::error_code error;
    const auto log = std::filesystem::file_size(file.string() + "-wal", error);
    return !writable && (error || log == 0);
}

}  // namespace

std::unique_ptr<Connection> OpenHistoryToRead(const std::filesystem::path& file,
                                              std::chrono::milliseconds busy) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        if (error) {
            throw HistoryError(file.string() + ": " + error.message());
        }
        return nullptr;
    }
    const bool unchanging = Unwritable(file);
    auto db = std::make_unique<Connection>(
        file, unchanging ? Connection::Access::kUnchanging : Connection::Access::kExisting, busy);
    const std::int64_t version = SchemaVersionOf(*db);
    if (version == 0) {
        return nullptr;  // an empty database: nothing saved yet
    }
    if (version < kHistorySchemaVersion) {
        if (unchanging) {
            throw HistoryError(file.string() + ": written by an older Kestrova (history version " +
                               std::to_string(version) +
                               ") and cannot be brought up to date: the file is read-only");
        }
        UpgradeSchema(*db);
    }
    return db;
}

std::unique_ptr<Connection> OpenHistoryToWrite(const std::filesystem::path& file,
                                               std::chrono::milliseconds busy) {
    const std::filesystem::path folder = file.parent_path();
    std::error_code error;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, error);
    }
    if (error) {
        throw HistoryError(file.string() + ": cannot make the folder " + folder.string() + " (" +
                           error.message() + ")");
    }
    auto db = std::make_unique<Connection>(file, Connection::Access::kCreate, busy);
    // As a lookup's save does: refused before anything is written when the
    // file is damaged, newer or foreign; then WAL, so that readers never wait.
    SchemaVersionOf(*db);
    db->ExecuteRetryingWhileBusy("PRAGMA journal_mode = WAL");
    db->Execute("PRAGMA synchronous = NORMAL");
    db->Execute("PRAGMA foreign_keys = ON");
    UpgradeSchema(*db);
    return db;
}

}  // namespace kestrova
