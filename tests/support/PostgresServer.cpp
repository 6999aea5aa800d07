#include "tests/support/PostgresServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <glob.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <stdexcept>
#include <vector>

namespace kestrova::testing {
namespace {

constexpr const char* kUser = "kestrova_admin";
constexpr const char* kServerUser = "postgres";  // made by the Debian package

// The newest server the package installed.
std::string ServerBin() {
    glob_t found{};
    glob("/usr/lib/postgresql/*/bin/initdb", 0, nullptr, &found);
    std::vector<std::string> paths(found.gl_pathv, found.gl_pathv + found.gl_pathc);
    globfree(&found);
    if (paths.empty()) {
        throw std::runtime_error("no PostgreSQL server installed (/usr/lib/postgresql/*/bin)");
    }
    std::sort(paths.begin(), paths.end(), [](const std::string& a, const std::string& b) {
        return std::atoi(a.c_str() + 20) < std::atoi(b.c_str() + 20);
    });
    const std::string& initdb = paths.back();
    return initdb.substr(0, initdb.size() - std::string("/initdb").size());
}

int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close(s);
        throw std::runtime_error("no free port");
    }
    close(s);
    return ntohs(address.sin_port);
}

std::string Quoted(const std::string& word) {
    std::string quoted = "'";
    for (const char c : word) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("failed: " + command);
    }
}

struct Conn {
    explicit Conn(const std::string& uri) : c(PQconnectdb(uri.c_str())) {
        if (PQstatus(c) != CONNECTION_OK) {
            const std::string message = PQerrorMessage(c);
            PQfinish(c);
            throw std::runtime_error(message);
        }
    }
    ~Conn() { PQfinish(c); }
    PGconn* c;
};

}  // namespace

PostgresServer::PostgresServer() : bin_(ServerBin()) {
    char name[] = "/tmp/kestrova-pg-XXXXXX";
    if (mkdtemp(name) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    folder_ = name;
    std::random_device random;
    password_ = "pw" + std::to_string(random()) + std::to_string(random());
    { std::ofstream(folder_ + "/password") << password_ << "\n"; }
    const passwd* server = getpwnam(kServerUser);
    if (server == nullptr) {
        throw std::runtime_error("no user postgres: is the postgresql package installed?");
    }
    if (chown(folder_.c_str(), server->pw_uid, server->pw_gid) != 0 ||
        chown((folder_ + "/password").c_str(), server->pw_uid, server->pw_gid) != 0) {
        throw std::runtime_error("cannot give " + folder_ + " to postgres");
    }

    // The watcher: when our end of the pipe closes (we ended, however), the
    // server is stopped and the folder removed. Its own session, so that a
    // signal to our process group does not take it along.
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const std::string cleanup = "runuser -u " + std::string(kServerUser) + " -- " +
                                Quoted(bin_ + "/pg_ctl") + " -D " + Quoted(folder_ + "/data") +
                                " -m immediate stop >/dev/null 2>&1; rm -rf " + Quoted(folder_);
    watcherPid_ = fork();
    if (watcherPid_ == 0) {
        setsid();
        close(ends[1]);
        char byte;
        while (read(ends[0], &byte, 1) > 0) {
        }
        execl("/bin/sh", "sh", "-c", cleanup.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(ends[0]);
    watcher_ = ends[1];

    Shell("runuser -u " + std::string(kServerUser) + " -- " + Quoted(bin_ + "/initdb") + " -D " +
          Quoted(folder_ + "/data") + " -U " + kUser +
          " --pwfile=" + Quoted(folder_ + "/password") +
          " -A scram-sha-256 --auth-local=trust -E UTF8 --locale=C.UTF-8 --no-sync >/dev/null");
    port_ = FreePort();
    Start();
}

PostgresServer::~PostgresServer() {
    close(watcher_);
    int status = 0;
    waitpid(watcherPid_, &status, 0);
}

PostgresServer& PostgresServer::Shared() {
    static PostgresServer server;
    return server;
}

std::string PostgresServer::Control(const std::string& action) const {
    return "runuser -u " + std::string(kServerUser) + " -- " + Quoted(bin_ + "/pg_ctl") + " -D " +
           Quoted(folder_ + "/data") + " -l " + Quoted(folder_ + "/log") + " " + action;
}

void PostgresServer::Start() {
    // fsync off: the tests' data need not outlive a power cut.
    Shell(Control("-w -o " +
                  Quoted("-p " + std::to_string(port_) + " -k " + folder_ +
                         " -c listen_addresses=127.0.0.1 -c fsync=off") +
                  " start >/dev/null"));
}

void PostgresServer::Stop() {
    Shell(Control("-w -m fast stop >/dev/null"));
}

std::string PostgresServer::Uri(const std::string& database, const std::string& host) const {
    return "postgresql://" + std::string(kUser) + ":" + password_ + "@" + host + ":" +
           std::to_string(port_) + "/" + database;
}

std::string PostgresServer::NewDatabase() {
    const std::string name = "t" + std::to_string(++databases_);
    Execute("postgres", "CREATE DATABASE " + name);
    return Uri(name);
}

void PostgresServer::Execute(const std::string& database, const std::string& sql) const {
    const Conn conn(Uri(database));
    PGresult* result = PQexec(conn.c, sql.c_str());
    const ExecStatusType status = PQresultStatus(result);
    const std::string message = PQresultErrorMessage(result);
    PQclear(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        throw std::runtime_error(sql + ": " + message);
    }
}

std::string PostgresServer::Value(const std::string& database, const std::string& sql) const {
    const Conn conn(Uri(database));
    PGresult* result = PQexec(conn.c, ("SET search_path = kestrova; " + sql).c_str());
    std::string value;
    if (PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0 &&
        !PQgetisnull(result, 0, 0)) {
        value = PQgetvalue(result, 0, 0);
    }
    PQclear(result);
    return value;
}

std::string DatabaseOf(const std::string& uri) {
    const std::size_t slash = uri.rfind('/');
    const std::size_t end = uri.find('?', slash);
    return uri.substr(slash + 1, end == std::string::npos ? std::string::npos : end - slash - 1);
}

}  // namespace kestrova::testing
