#pragma once
// A small hold on a PostgreSQL server through libpq: one connection, values
// always sent apart from the SQL (never spliced into it), and statements sent
// in batches: a batch goes out at once and its answers come back at once, one
// round trip to the server however many statements it holds (libpq's
// pipeline mode). Every failure becomes a HistoryError naming the server by
// its URI without the password; one that may pass (the server out of reach,
// a lock or a statement time-out) is a HistoryOutOfReach or HistoryLocked.

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "history/store/Database.h"

struct pg_conn;

namespace kestrova {

// One value for a statement's $N.
struct PgValue {
    std::string bytes;
    bool binary = true;  // text and bytea as their bytes; numbers as text
    bool null = false;
};
PgValue PgBytes(std::string_view bytes);
PgValue PgNumber(std::int64_t number);
PgValue PgNull();

struct PgStatement {
    std::string sql;
    std::vector<PgValue> values;
};

class PgConnection {
  public:
    // Connects (libpq's connect_timeout, 5 s unless the URI says otherwise)
    // and sets the session up: names in the schema `schema`, a statement
    // time-out of 5 s unless the URI sets one, and `lockWait` at most for
    // another transaction's lock. Throws HistoryOutOfReach.
    // `uri` as given (password and all: never in a message), `shown` as
    // messages name the server.
    PgConnection(const std::string& uri, const std::string& shown, const char* schema,
                 std::chrono::milliseconds lockWait);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // Runs the statements in order in one round trip; their answers in the
    // same order. A statement that fails stops the rest; a transaction the
    // batch left open is rolled back, and the failure thrown.
    std::vector<Rows> Run(const std::vector<PgStatement>& batch);
    Rows Run(const PgStatement& statement);

    // Batches sent so far: round trips after the connection was set up.
    int RoundTrips() const { return roundTrips_; }
    // The URI, its password masked.
    const std::string& Where() const { return where_; }

  private:
    [[noreturn]] void FailConnection(const std::string& what);
    void Flush(std::chrono::steady_clock::time_point deadline);
    void AwaitInput(std::chrono::steady_clock::time_point deadline);
    std::string Clean(std::string message) const;

    pg_conn* conn_ = nullptr;
    std::string where_;
    std::string uri_;     // as given: never in a message
    std::string secret_;  // the password, kept out of every message
    int roundTrips_ = 0;
};

}  // namespace kestrova
