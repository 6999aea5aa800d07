#pragma once
// The seam between the history and the database it is kept in: statements
// with their values bound apart from the SQL (never spliced into it) go in,
// rows come out, and a batch of statements runs as one transaction. An SQLite
// file (history/sqlite/) and a PostgreSQL server (history/postgres/) stand
// behind it; every read and every small write is written once, above it.
//
// A statement numbers its values $1, $2, ... in both stores. Every failure is
// a HistoryError that names the place, never its password.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "history/store/HistoryError.h"

namespace kestrova {

struct PreparedLookup;

// Times are milliseconds since 1970-01-01 UTC in every store.
std::int64_t Milliseconds(std::chrono::system_clock::time_point at);
std::chrono::system_clock::time_point TimeOf(std::int64_t milliseconds);

// One value for a statement's $N.
struct SqlValue {
    enum class Kind { kNull, kNumber, kText, kBytes };
    Kind kind = Kind::kNull;
    std::int64_t number = 0;
    std::string bytes;  // kText and kBytes

    static SqlValue Null() { return {}; }
    static SqlValue Number(std::int64_t n) { return {Kind::kNumber, n, {}}; }
    // A text column's characters (UTF-8; an account as typed is kept as its bytes).
    static SqlValue Text(std::string_view text) { return {Kind::kText, 0, std::string(text)}; }
    // A BLOB or bytea column's bytes.
    static SqlValue Bytes(std::string_view bytes) { return {Kind::kBytes, 0, std::string(bytes)}; }
};

struct Sql {
    std::string text;
    std::vector<SqlValue> values;
};

// A statement's answer: integers as numbers, text and bytes as their bytes.
class Rows {
  public:
    struct Cell {
        bool null = true;
        std::int64_t number = 0;
        std::string bytes;
    };
    explicit Rows(int columns = 0) : columns_(columns) {}
    void Add(Cell cell) { cells_.push_back(std::move(cell)); }

    int Count() const { return columns_ > 0 ? static_cast<int>(cells_.size()) / columns_ : 0; }
    bool IsNull(int row, int column) const { return At(row, column).null; }
    std::int64_t Number(int row, int column) const { return At(row, column).number; }
    const std::string& Bytes(int row, int column) const { return At(row, column).bytes; }

  private:
    const Cell& At(int row, int column) const {
        return cells_[static_cast<std::size_t>(row * columns_ + column)];
    }
    int columns_;
    std::vector<Cell> cells_;
};

class Database {
  public:
    // Where the SQL of the two differs, the engine says it twice, side by side.
    enum class Dialect { kSqlite, kPostgres };
    enum class Transaction { kNone, kRead, kWrite };

    virtual ~Database() = default;

    virtual Dialect Speaks() const = 0;
    // The place as messages name it.
    virtual std::string Where() const = 0;

    // Runs the statements in order and answers their rows in the same order:
    // as one transaction (kRead: all of one moment; kWrite: all or nothing),
    // in one round trip to a server. A failure rolls back what the batch did.
    virtual std::vector<Rows> Run(const std::vector<Sql>& batch, Transaction transaction) = 0;
    Rows Run(const Sql& statement) { return std::move(Run({statement}, Transaction::kNone)[0]); }

    // False while the place holds no history yet (an empty file or database).
    virtual bool Made() const = 0;
    // Makes the schema where it is missing, and readies the store for writes.
    virtual void MakeReady() = 0;

    // Writes a lookup packed outside the transaction, in one; its number.
    // Each store has its own tuned way.
    virtual std::int64_t Save(const PreparedLookup& lookup) = 0;

    // True once what is written would be lost (a file deleted under us).
    virtual bool HasMoved() { return false; }
    // Round trips to a server since the connection was set up; -1 for a file.
    virtual int RoundTrips() const { return -1; }
};

}  // namespace kestrova
