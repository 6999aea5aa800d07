#pragma once
// A real PostgreSQL server for a test program: a cluster made with initdb in
// a temporary folder, run by the unprivileged user the Debian package makes,
// on a free port of 127.0.0.1 with its socket in that folder. One for the
// whole program (Shared), stopped and removed at its end: by the destructor,
// or, should the program die, by a watcher process that outlives it.

#include <sys/types.h>

#include <string>

namespace kestrova::testing {

class PostgresServer {
  public:
    PostgresServer();
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Started on first use.
    static PostgresServer& Shared();

    int Port() const { return port_; }
    const std::string& Password() const { return password_; }
    // A URI for the superuser, password in it, to that database.
    std::string Uri(const std::string& database, const std::string& host = "127.0.0.1") const;
    // A database of its own for one test: its URI.
    std::string NewDatabase();

    // Runs statements as the superuser; throws with the server's words.
    void Execute(const std::string& database, const std::string& sql) const;
    // The first column of the first row, as text ("" for none or NULL).
    std::string Value(const std::string& database, const std::string& sql) const;

    // A server that is down, then back on the same port and data.
    void Stop();
    void Start();

  private:
    std::string Control(const std::string& action) const;

    std::string folder_;
    std::string bin_;
    std::string password_;
    int port_ = 0;
    int databases_ = 0;
    int watcher_ = -1;  // our end of the watcher's pipe
    pid_t watcherPid_ = -1;
};

// The database named by the last path part of a URI.
std::string DatabaseOf(const std::string& uri);

}  // namespace kestrova::testing
