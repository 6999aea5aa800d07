#include "history/postgres/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cstring>
#include <memory>
#include <optional>

#include "history/postgres/ConnectionUri.h"

namespace kestrova {
namespace {

// However slow the server, a batch is given up after this long without its
// answer: the statement time-out ends a slow statement on the server, this
// ends a wait for a server that stopped answering at all.
constexpr std::chrono::seconds kAnswerWait{15};

// Libpq's words end with a newline, some with two lines: one line here.
std::string OneLine(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) {
        text.pop_back();
    }
    for (char& c : text) {
        if (c == '\n' || c == '\t') {
            c = ' ';
        }
    }
    return text;
}

std::string PasswordIn(const std::string& uri) {
    char* error = nullptr;
    PQconninfoOption* options = PQconninfoParse(uri.c_str(), &error);
    PQfreemem(error);
    std::string password;
    for (PQconninfoOption* o = options; o != nullptr && o->keyword != nullptr; ++o) {
        if (std::strcmp(o->keyword, "password") == 0 && o->val != nullptr) {
            password = o->val;
        }
    }
    PQconninfoFree(options);
    return password;
}

// One statement's answer, cleared when done with.
using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

// Columns come in binary: integers of the column's own width in network
// order, text and bytea as their bytes.
Rows RowsOf(const PGresult* result) {
    constexpr Oid kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23;
    const int columns = PQnfields(result);
    Rows rows(columns);
    for (int r = 0; r < PQntuples(result); ++r) {
        for (int c = 0; c < columns; ++c) {
            Rows::Cell cell;
            cell.null = PQgetisnull(result, r, c) != 0;
            const char* bytes = PQgetvalue(result, r, c);
            const auto length = static_cast<std::size_t>(PQgetlength(result, r, c));
            const Oid type = PQftype(result, c);
            if (cell.null) {
            } else if (type == kBool || type == kInt8 || type == kInt2 || type == kInt4) {
                const auto* digits = reinterpret_cast<const unsigned char*>(bytes);
                std::uint64_t value = (digits[0] & 0x80) != 0 && length < 8 ? ~0ull : 0;
                for (std::size_t k = 0; k < length && k < 8; ++k) {
                    value = (value << 8) | digits[k];
                }
                cell.number = static_cast<std::int64_t>(value);
            } else {
                cell.bytes.assign(bytes, length);
            }
            rows.Add(std::move(cell));
        }
    }
    return rows;
}

bool StartsWith(const char* text, const char* prefix) {
    return text != nullptr && std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

}  // namespace

PgValue PgBytes(std::string_view bytes) {
    return PgValue{std::string(bytes), true, false};
}

PgValue PgNumber(std::int64_t number) {
    return PgValue{std::to_string(number), false, false};
}

PgValue PgNull() {
    return PgValue{{}, false, true};
}

PgConnection::PgConnection(const std::string& uri, const std::string& shown, const char* schema,
                           std::chrono::milliseconds lockWait)
    : where_(shown), uri_(uri), secret_(PasswordIn(uri)) {
    // Earlier key words are defaults: what the URI says overrides them.
    const char* keywords[] = {"connect_timeout", "fallback_application_name", "client_encoding",
                              "dbname", nullptr};
    const char* values[] = {"5", "kestrova", "UTF8", uri_.c_str(), nullptr};
    conn_ = PQconnectdbParams(keywords, values, 1);
    if (conn_ == nullptr) {
        throw HistoryOutOfReach(where_ + ": out of memory");
    }
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string message = OneLine(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        throw HistoryOutOfReach(Clean(where_ + ": " + message));
    }
    if (secret_.empty() && PQpass(conn_) != nullptr) {
        secret_ = PQpass(conn_);  // from ~/.pgpass or PGPASSWORD: no more to be shown
    }
    PQsetnonblocking(conn_, 1);
    // synchronous_commit off: as the file's synchronous NORMAL, a commit is
    // whole or not there, and a crash of the server's machine may take the
    // last fraction of a second of commits with it; no disk flush per lookup.
    Run(
        PgStatement{"SELECT set_config('search_path', $1, false), "
                    "set_config('lock_timeout', $2, false), "
                    "set_config('synchronous_commit', 'off', false), "
                    "(SELECT set_config('statement_timeout', '5s', false) "
                    "WHERE current_setting('statement_timeout') = '0')",
                    {PgBytes(schema), PgBytes(std::to_string(lockWait.count()))}});
    roundTrips_ = 0;
}

PgConnection::~PgConnection() {
    PQfinish(conn_);
}

std::string PgConnection::Clean(std::string message) const {
    // The URI itself, should a message quote it, then the password wherever
    // else it stands.
    for (std::size_t at = message.find(uri_); !uri_.empty() && at != std::string::npos;
         at = message.find(uri_, at + where_.size())) {
        message.replace(at, uri_.size(), where_);
    }
    return WithoutSecret(std::move(message), secret_);
}

void PgConnection::FailConnection(const std::string& what) {
    throw HistoryOutOfReach(Clean(where_ + ": " + what + OneLine(PQerrorMessage(conn_))));
}

void PgConnection::AwaitInput(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    pollfd socket{PQsocket(conn_), POLLIN, 0};
    const int ready = left.count() > 0 ? poll(&socket, 1, static_cast<int>(left.count())) : 0;
    if (ready == 0) {
        throw HistoryOutOfReach(where_ + ": the server gave no answer within " +
                                std::to_string(kAnswerWait.count()) + " s");
    }
    if (PQconsumeInput(conn_) == 0) {
        FailConnection("");
    }
}

void PgConnection::Flush(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const int left = PQflush(conn_);
        if (left == 0) {
            return;
        }
        if (left < 0) {
            FailConnection("");
        }
        // The server may be writing to us while we write to it.
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd socket{PQsocket(conn_), POLLIN | POLLOUT, 0};
        if (wait.count() <= 0 || poll(&socket, 1, static_cast<int>(wait.count())) == 0) {
            throw HistoryOutOfReach(where_ + ": the server took nothing within " +
                                    std::to_string(kAnswerWait.count()) + " s");
        }
        if ((socket.revents & POLLIN) != 0 && PQconsumeInput(conn_) == 0) {
            FailConnection("");
        }
    }
}

Rows PgConnection::Run(const PgStatement& statement) {
    return std::move(Run(std::vector<PgStatement>{statement}).front());
}

std::vector<Rows> PgConnection::Run(const std::vector<PgStatement>& batch) {
    if (PQenterPipelineMode(conn_) == 0) {
        FailConnection("");
    }
    ++roundTrips_;
    const auto deadline = std::chrono::steady_clock::now() + kAnswerWait;
    for (const PgStatement& s : batch) {
        std::vector<const char*> values;
        std::vector<int> lengths;
        std::vector<int> formats;
        for (const PgValue& v : s.values) {
            values.push_back(v.null ? nullptr : v.bytes.c_str());
            lengths.push_back(static_cast<int>(v.bytes.size()));
            formats.push_back(v.binary ? 1 : 0);
        }
        if (PQsendQueryParams(conn_, s.sql.c_str(), static_cast<int>(values.size()), nullptr,
                              values.data(), lengths.data(), formats.data(), 1) == 0) {
            FailConnection("");
        }
    }
    if (PQpipelineSync(conn_) == 0) {
        FailConnection("");
    }
    Flush(deadline);

    auto next = [this, deadline]() -> pg_result* {
        while (PQisBusy(conn_) != 0) {
            AwaitInput(deadline);
        }
        return PQgetResult(conn_);
    };
    std::vector<Rows> answers;
    std::optional<std::string> failure;
    std::string state;
    for (std::size_t k = 0; k < batch.size(); ++k) {
        const Result answer(next(), &PQclear);
        const PGresult* r = answer.get();
        if (r == nullptr) {
            FailConnection("");
        }
        // Each statement's answer ends with a null.
        while (pg_result* more = next()) {
            PQclear(more);
        }
        const ExecStatusType status = PQresultStatus(r);
        if (status == PGRES_FATAL_ERROR && !failure) {
            const char* code = PQresultErrorField(r, PG_DIAG_SQLSTATE);
            state = code != nullptr ? code : "";
            const char* primary = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
            failure = OneLine(primary != nullptr ? primary : PQresultErrorMessage(r));
        }
        answers.push_back(RowsOf(r));
    }
    // The batch's end.
    const Result sync(next(), &PQclear);
    if (sync == nullptr || PQresultStatus(sync.get()) != PGRES_PIPELINE_SYNC) {
        FailConnection("");
    }
    PQexitPipelineMode(conn_);
    if (!failure) {
        return answers;
    }
    if (PQstatus(conn_) != CONNECTION_OK || StartsWith(state.c_str(), "08") ||
        StartsWith(state.c_str(), "57P")) {
        throw HistoryOutOfReach(Clean(where_ + ": " + *failure));
    }
    if (PQtransactionStatus(conn_) != PQTRANS_IDLE) {
        PQsetnonblocking(conn_, 0);
        PQclear(PQexec(conn_, "ROLLBACK"));
        PQsetnonblocking(conn_, 1);
    }
    // A statement time-out, a lock not had in time, a deadlock: another
    // program's work in the way, as a locked file is.
    if (state == "57014" || state == "55P03" || state == "40P01" || state == "40001") {
        throw HistoryLocked(Clean(where_ + ": " + *failure));
    }
    throw HistoryError(Clean(where_ + ": " + *failure));
}

}  // namespace kestrova
