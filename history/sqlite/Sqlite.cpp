#include "history/sqlite/Sqlite.h"

#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>

namespace kestrova {
namespace {

// The operating system's word for the last failure, where there was one.
std::string SystemReason(sqlite3* db) {
    const int error = db != nullptr ? sqlite3_system_errno(db) : 0;
    return error != 0 ? std::string(" (") + std::strerror(error) + ")" : std::string();
}

bool IsBusy(int code) {
    return (code & 0xff) == SQLITE_BUSY || (code & 0xff) == SQLITE_LOCKED;
}

// "0.25 s", "5 s": how long a lock was waited for, as it was.
std::string Seconds(std::chrono::steady_clock::duration waited) {
    const double seconds = std::chrono::duration<double>(waited).count();
    char text[32];
    std::snprintf(text, sizeof text, seconds < 10 ? "%.2g s" : "%.0f s", seconds);
    return text;
}

std::string Describe(sqlite3* db, int code, std::chrono::steady_clock::duration waited) {
    const std::string engine = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(code);
    switch (code & 0xff) {
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            return "the file is damaged (" + engine + ")";
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            // SQLite gives up at once in some cases instead of waiting.
            if (waited < std::chrono::milliseconds(10)) {
                return "another program had the file locked";
            }
            return "another program kept the file locked for " + Seconds(waited);
        case SQLITE_FULL:
            return "the disk is full";
        case SQLITE_READONLY:
            return "the file is read-only";
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
        case SQLITE_AUTH:
            return "the file cannot be opened" + SystemReason(db);
        case SQLITE_IOERR:
            return "the file could not be read or written" + SystemReason(db);
        default:
            return engine;
    }
}

// A path as an SQLite file URI, every byte outside the plain set escaped, so
// that a name such as ":memory:" or "file:x?mode=memory" is that file.
std::string FileUri(const std::filesystem::path& file) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (const char ch : std::filesystem::absolute(file).string()) {
        const auto u = static_cast<unsigned char>(ch);
        if (std::isalnum(u) || ch == '/' || ch == '-' || ch == '_' || ch == '.' || ch == '~') {
            uri += ch;
        } else {
            uri += '%';
            uri += kDigits[u >> 4];
            uri += kDigits[u & 0x0f];
        }
    }
    return uri;
}

// SQLite, unable to make a file, tries to open it read-only and reports that
// attempt's "No such file or directory": the folder's own answer is the one
// a user can act on.
void CheckCanMake(const std::filesystem::path& file) {
    std::error_code error;
    if (std::filesystem::exists(file, error) || error) {
        return;
    }
    const std::filesystem::path folder = std::filesystem::absolute(file, error).parent_path();
    if (!error && access(folder.c_str(), W_OK | X_OK) != 0 && errno == EACCES) {
        throw HistoryError(file.string() + ": the file cannot be made (" + std::strerror(EACCES) +
                           " in " + folder.string() + ")");
    }
}

}  // namespace

Connection::Connection(const std::filesystem::path& file, Access access,
                       std::chrono::milliseconds busy)
    : file_(file), busy_(busy) {
    int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
    std::string name = FileUri(file);
    if (access == Access::kCreate) {
        CheckCanMake(file);
        flags |= SQLITE_OPEN_CREATE;
    }
    if (access == Access::kUnchanging) {
        flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_URI;
        name += "?immutable=1";
    }
    const int code = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string what = Describe(db_, code, {});
        sqlite3_close(db_);
        db_ = nullptr;
        throw HistoryError(file_.string() + ": " + what);
    }
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_timeout(db_, static_cast<int>(busy_.count()));
}

Connection::~Connection() {
    // Statements are gone by now; close_v2 would otherwise keep the file open.
    sqlite3_close(db_);
}

void Connection::Execute(const char* sql) {
    const auto began = std::chrono::steady_clock::now();
    const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        Fail(code, std::chrono::steady_clock::now() - began);
    }
}

void Connection::ExecuteRetryingWhileBusy(const char* sql) {
    const auto began = std::chrono::steady_clock::now();
    auto pause = std::chrono::milliseconds(1);
    while (true) {
        const int code = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
        const auto waited = std::chrono::steady_clock::now() - began;
        if (code == SQLITE_OK) {
            return;
        }
        if (!IsBusy(code) || waited >= busy_) {
            Fail(code, waited);
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

bool Connection::HasMoved() {
    int moved = 0;
    return sqlite3_file_control(db_, "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK &&
           moved != 0;
}

std::int64_t Connection::PragmaNumber(const char* name) {
    // A pragma name cannot be a bound parameter; only our own literals come here.
    Statement pragma(*this, std::string("PRAGMA ") + name);
    return pragma.Step() ? pragma.Number(0) : 0;
}

std::int64_t Connection::LastInsertedId() {
    return sqlite3_last_insert_rowid(db_);
}

int Connection::Changes() {
    return sqlite3_changes(db_);
}

void Connection::Fail(int code, std::chrono::steady_clock::duration waited) const {
    const std::string what = file_.string() + ": " + Describe(db_, code, waited);
    if (IsBusy(code)) {
        throw HistoryLocked(what);
    }
    throw HistoryError(what);
}

Statement::Statement(Connection& connection, std::string_view sql) : connection_(connection) {
    const int code =
        sqlite3_prepare_v3(connection.Handle(), sql.data(), static_cast<int>(sql.size()),
                           SQLITE_PREPARE_PERSISTENT, &statement_, nullptr);
    if (code != SQLITE_OK) {
        connection_.Fail(code);
    }
}

Statement::~Statement() {
    sqlite3_finalize(statement_);
}

void Statement::Bind(int index, std::int64_t value) {
    if (const int code = sqlite3_bind_int64(statement_, index, value); code != SQLITE_OK) {
        connection_.Fail(code);
    }
}

void Statement::BindText(int index, std::string_view utf8) {
    const int code = sqlite3_bind_text64(statement_, index, utf8.data(), utf8.size(),
                                         SQLITE_TRANSIENT, SQLITE_UTF8);
    if (code != SQLITE_OK) {
        connection_.Fail(code);
    }
}

void Statement::BindBytes(int index, std::string_view bytes) {
    // SQLITE_STATIC: the caller's bytes outlive the step that reads them.
    const int code = sqlite3_bind_blob64(statement_, index, bytes.empty() ? "" : bytes.data(),
                                         bytes.size(), SQLITE_STATIC);
    if (code != SQLITE_OK) {
        connection_.Fail(code);
    }
}

void Statement::BindNull(int index) {
    if (const int code = sqlite3_bind_null(statement_, index); code != SQLITE_OK) {
        connection_.Fail(code);
    }
}

bool Statement::Step() {
    const auto began = std::chrono::steady_clock::now();
    const int code = sqlite3_step(statement_);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    const auto waited = std::chrono::steady_clock::now() - began;
    sqlite3_reset(statement_);
    connection_.Fail(code, waited);
}

void Statement::Run() {
    while (Step()) {
    }
    Reset();
}

void Statement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

std::int64_t Statement::Number(int column) const {
    return sqlite3_column_int64(statement_, column);
}

bool Statement::IsNull(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_NULL;
}

bool Statement::IsNumber(int column) const {
    return sqlite3_column_type(statement_, column) == SQLITE_INTEGER;
}

int Statement::Parameters() const {
    return sqlite3_bind_parameter_count(statement_);
}

const char* Statement::ParameterName(int index) const {
    return sqlite3_bind_parameter_name(statement_, index);
}

int Statement::Columns() const {
    return sqlite3_column_count(statement_);
}

std::string Statement::Bytes(int column) const {
    const void* data = sqlite3_column_blob(statement_, column);
    const int size = sqlite3_column_bytes(statement_, column);
    return data != nullptr ? std::string(static_cast<const char*>(data), size) : std::string();
}

SqliteTransaction::SqliteTransaction(Connection& connection, Kind kind)
    : connection_(connection), kind_(kind) {
    connection_.Execute(kind == Kind::kWrite ? "BEGIN IMMEDIATE" : "BEGIN");
}

SqliteTransaction::~SqliteTransaction() {
    if (open_) {
        // Nothing of a failed lookup may stay; a rollback that fails leaves
        // the journal for SQLite to roll back on the next open. A reader has
        // nothing to keep or lose.
        sqlite3_exec(connection_.Handle(), kind_ == Kind::kWrite ? "ROLLBACK" : "COMMIT", nullptr,
                     nullptr, nullptr);
    }
}

void SqliteTransaction::Commit() {
    connection_.Execute("COMMIT");
    open_ = false;
}

}  // namespace kestrova
