#pragma once
// A small hold on SQLite: one connection, prepared statements whose values
// are always bound (never spliced into the SQL), and an immediate
// transaction that rolls back unless committed. Every failure becomes a
// HistoryError naming the file; a lock another program held says so, and for
// how long it was waited for.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "history/store/HistoryError.h"

struct sqlite3;
struct sqlite3_stmt;

namespace kestrova {

class Connection {
  public:
    // kCreate: a file that is not there yet is made; kExisting: it must be
    // there. kUnchanging: read only, without the locks and shared memory a
    // file needs for writers beside it (a file no one here may write).
    enum class Access { kCreate, kExisting, kUnchanging };

    // Opens the file for reading and writing (read-only where the file
    // system allows no more). `busy` is how long a statement
    // waits for another connection's lock before it gives up. Any path names
    // that file, ":memory:" and "file:..." too: the file is opened by a URI
    // made from its absolute path.
    Connection(const std::filesystem::path& file, Access access, std::chrono::milliseconds busy);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Runs statements that take no values (schema, pragmas).
    void Execute(const char* sql);
    // The same for a statement SQLite may refuse with "busy" at once, without
    // calling the busy handler (a change of journal mode): tried again until
    // the busy time has passed.
    void ExecuteRetryingWhileBusy(const char* sql);
    // A pragma's single value, e.g. "user_version".
    std::int64_t PragmaNumber(const char* name);
    // The id of the row the last INSERT made.
    std::int64_t LastInsertedId();
    // Rows the last INSERT, UPDATE or DELETE changed.
    int Changes();

    // True once the file this connection writes has been deleted, renamed or
    // replaced: whatever is written from here on would be lost with it.
    bool HasMoved();

    const std::filesystem::path& File() const { return file_; }
    sqlite3* Handle() { return db_; }

    // Throws the error that `code` stands for, in words. `waited`: how long
    // the failed call ran, so that a lock is told as it really was.
    [[noreturn]] void Fail(int code, std::chrono::steady_clock::duration waited = {}) const;

  private:
    std::filesystem::path file_;
    std::chrono::milliseconds busy_;
    sqlite3* db_ = nullptr;
};

class Statement {
  public:
    Statement(Connection& connection, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1.
    void Bind(int index, std::int64_t value);
    void BindText(int index, std::string_view utf8);
    void BindBytes(int index, std::string_view bytes);
    void BindNull(int index);

    // Runs to the next row: true while there is one.
    bool Step();
    // Runs a statement that returns no rows, and makes it ready for the next values.
    void Run();
    // Makes it ready for the next values; the old ones are cleared.
    void Reset();

    // Columns are numbered from 0.
    std::int64_t Number(int column) const;
    // A TEXT or BLOB column's bytes as stored.
    std::string Bytes(int column) const;
    bool IsNull(int column) const;
    bool IsNumber(int column) const;
    int Columns() const;
    // The parameters' count, and each one's name as the SQL spells it ("$2";
    // null for a bare "?"), numbered from 1.
    int Parameters() const;
    const char* ParameterName(int index) const;

  private:
    Connection& connection_;
    sqlite3_stmt* statement_ = nullptr;
};

// From construction to Commit, or to the end. kWrite: BEGIN IMMEDIATE, the
// write lock taken at the start, so that a writer that has to wait does so in
// the busy handler, never halfway through; rolled back unless committed.
// kRead: BEGIN (deferred), what a reader reads in it of one moment.
class SqliteTransaction {
  public:
    enum class Kind { kRead, kWrite };
    SqliteTransaction(Connection& connection, Kind kind);
    ~SqliteTransaction();
    SqliteTransaction(const SqliteTransaction&) = delete;
    SqliteTransaction& operator=(const SqliteTransaction&) = delete;

    void Commit();

  private:
    Connection& connection_;
    Kind kind_;
    bool open_ = true;
};

}  // namespace kestrova
