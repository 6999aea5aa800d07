#include "history/sqlite/SqliteDatabase.h"

#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <system_error>

#include "history/sqlite/LookupWriter.h"
#include "history/sqlite/Sqlite.h"
#include "history/sqlite/SqliteSchema.h"

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

// As a lookup's save does: refused before anything is written when the file
// is damaged, newer or foreign; then WAL, so that readers never wait.
void ReadyToWrite(Connection& db) {
    SchemaVersionOf(db);
    db.ExecuteRetryingWhileBusy("PRAGMA journal_mode = WAL");
    db.Execute("PRAGMA synchronous = NORMAL");
    db.Execute("PRAGMA foreign_keys = ON");
    UpgradeSchema(db);
}

std::unique_ptr<Connection> ConnectionToWrite(const std::filesystem::path& file,
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
    ReadyToWrite(*db);
    return db;
}

// $N takes the Nth value, whatever the order the SQL names them in.
void Bind(Statement& statement, const std::vector<SqlValue>& values) {
    for (int index = 1; index <= statement.Parameters(); ++index) {
        const char* name = statement.ParameterName(index);
        const std::size_t n =
            name != nullptr ? std::strtoul(name + 1, nullptr, 10) : static_cast<std::size_t>(index);
        if (n < 1 || n > values.size()) {
            throw HistoryError(std::string("a statement names a value it was not given: ") +
                               (name != nullptr ? name : "?"));
        }
        const SqlValue& value = values[n - 1];
        switch (value.kind) {
            case SqlValue::Kind::kNull:
                statement.BindNull(index);
                break;
            case SqlValue::Kind::kNumber:
                statement.Bind(index, value.number);
                break;
            case SqlValue::Kind::kText:
                statement.BindText(index, value.bytes);
                break;
            case SqlValue::Kind::kBytes:
                statement.BindBytes(index, value.bytes);
                break;
        }
    }
}

Rows RowsOf(Connection& db, const Sql& sql) {
    Statement statement(db, sql.text);
    Bind(statement, sql.values);
    Rows rows(statement.Columns());
    while (statement.Step()) {
        for (int c = 0; c < statement.Columns(); ++c) {
            Rows::Cell cell;
            cell.null = statement.IsNull(c);
            if (statement.IsNumber(c)) {
                cell.number = statement.Number(c);
            } else if (!cell.null) {
                cell.bytes = statement.Bytes(c);
            }
            rows.Add(std::move(cell));
        }
    }
    return rows;
}

class SqliteDatabase final : public Database {
  public:
    SqliteDatabase(const std::filesystem::path& file, std::chrono::milliseconds busy,
                   std::unique_ptr<Connection> db, bool made, bool ready)
        : file_(file), busy_(busy), db_(std::move(db)), made_(made), ready_(ready) {}

    Dialect Speaks() const override { return Dialect::kSqlite; }
    std::string Where() const override { return file_.string(); }

    std::vector<Rows> Run(const std::vector<Sql>& batch, Transaction transaction) override {
        std::optional<SqliteTransaction> whole;
        if (transaction != Transaction::kNone) {
            whole.emplace(*db_, transaction == Transaction::kWrite
                                    ? SqliteTransaction::Kind::kWrite
                                    : SqliteTransaction::Kind::kRead);
        }
        std::vector<Rows> answers;
        for (const Sql& sql : batch) {
            answers.push_back(RowsOf(*db_, sql));
        }
        if (whole) {
            whole->Commit();
        }
        return answers;
    }

    bool Made() const override { return made_; }

    void MakeReady() override {
        if (ready_) {
            return;
        }
        if (Unwritable(file_)) {
            // Read as it stood; written the way a new file is, which says
            // what keeps it from being written.
            writer_.reset();
            db_ = ConnectionToWrite(file_, busy_);
        } else {
            ReadyToWrite(*db_);
        }
        made_ = ready_ = true;
    }

    std::int64_t Save(const PreparedLookup& lookup) override {
        if (!writer_) {
            writer_ = std::make_unique<LookupWriter>(*db_);
        }
        try {
            SqliteTransaction transaction(*db_, SqliteTransaction::Kind::kWrite);
            const std::int64_t id = writer_->Write(lookup);
            transaction.Commit();
            writer_->Committed();
            return id;
        } catch (...) {
            writer_->RolledBack();
            throw;
        }
    }

    bool HasMoved() override { return db_->HasMoved(); }

  private:
    std::filesystem::path file_;
    std::chrono::milliseconds busy_;
    std::unique_ptr<Connection> db_;
    std::unique_ptr<LookupWriter> writer_;  // made on the first save: it needs the schema
    bool made_;
    bool ready_;
};

}  // namespace

std::unique_ptr<Database> OpenSqliteDatabase(const std::filesystem::path& file, bool make,
                                             std::chrono::milliseconds busy) {
    if (make) {
        return std::make_unique<SqliteDatabase>(file, busy, ConnectionToWrite(file, busy), true,
                                                true);
    }
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
    if (version > 0 && version < kHistorySchemaVersion) {
        if (unchanging) {
            throw HistoryError(file.string() + ": written by an older Kestrova (history version " +
                               std::to_string(version) +
                               ") and cannot be brought up to date: the file is read-only");
        }
        UpgradeSchema(*db);
    }
    return std::make_unique<SqliteDatabase>(file, busy, std::move(db), version > 0, false);
}

}  // namespace kestrova
