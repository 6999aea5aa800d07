#include "HistoryTesting.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "tests/support/PostgresServer.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova::testing {

TempFolder::TempFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "kestrova-history-XXXXXX");
    if (mkdtemp(name.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = name;
    // Other users may look in (a test runs the program as nobody).
    std::filesystem::permissions(
        path_, std::filesystem::perms::others_read | std::filesystem::perms::others_exec,
        std::filesystem::perm_options::add);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

std::string FileBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

namespace {

sqlite3* OpenForTest(const std::filesystem::path& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file.string());
    }
    return db;
}

}  // namespace

std::string QueryValue(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* db = OpenForTest(file);
    sqlite3_stmt* statement = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
        sqlite3_step(statement) == SQLITE_ROW) {
        const auto* text = sqlite3_column_text(statement, 0);
        value = text != nullptr ? reinterpret_cast<const char*>(text) : "";
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return value;
}

void ExecuteSql(const std::filesystem::path& file, const std::string& sql) {
    sqlite3* db = OpenForTest(file);
    char* error = nullptr;
    const int code = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
    const std::string message = error != nullptr ? error : "";
    sqlite3_free(error);
    sqlite3_close(db);
    if (code != SQLITE_OK) {
        throw std::runtime_error(sql + ": " + message);
    }
}

HeldWriteLock::HeldWriteLock(const std::filesystem::path& file) : db_(OpenForTest(file)) {
    sqlite3_exec(db_,
                 "BEGIN IMMEDIATE; INSERT INTO field_set (sha256) VALUES (randomblob(32)); "
                 "INSERT INTO lookup (account, member, started_ms, ended_ms, end_kind, mode, "
                 "status, field_set_id) VALUES ('other', 'other', 0, 0, 'cancelled', "
                 "'sequential', x'', last_insert_rowid())",
                 nullptr, nullptr, nullptr);
}

HeldWriteLock::~HeldWriteLock() {
    Release();
}

void HeldWriteLock::Release() {
    if (db_ != nullptr) {
        sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

std::string StoreName(StoreKind kind) {
    return kind == StoreKind::kFile ? "sqlite" : "postgresql";
}

HistoryUnderTest::HistoryUnderTest(StoreKind kind) : kind_(kind) {
    place_ = kind == StoreKind::kFile ? HistoryPlace(folder_ / "history.sqlite3")
                                      : HistoryPlace::Named(PostgresServer::Shared().NewDatabase());
}

std::string HistoryUnderTest::Value(const std::string& sql) const {
    if (kind_ == StoreKind::kFile) {
        return QueryValue(place_->File(), sql);
    }
    return PostgresServer::Shared().Value(DatabaseOf(place_->Uri()), sql);
}

bool HistoryUnderTest::Made() const {
    if (kind_ == StoreKind::kFile) {
        return std::filesystem::exists(place_->File());
    }
    return !Value("SELECT to_regnamespace('kestrova')").empty();
}

MarketplaceForTests::MarketplaceForTests() : port_(market_.Start()) {
    SetConnectTo(ConnectTarget{"127.0.0.1", port_});
}

MarketplaceForTests::~MarketplaceForTests() {
    SetConnectTo(std::nullopt);
}

std::unique_ptr<FieldStore> LookUp(const std::string& account) {
    auto window = std::make_unique<FieldStore>(EmbeddedDesignPictures());
    QueryState state;
    window->WriteText(Ctl::编辑框1, Utf8ToGbk(account));
    QueryRoutine(*window, state);
    return window;
}

LookupRecord RecordOf(const FieldStore& fields, const std::string& account) {
    const auto now = std::chrono::system_clock::now();
    return LookupRecord{.fields = fields,
                        .account = account,
                        .started = now - std::chrono::milliseconds(25),
                        .ended = now};
}

}  // namespace kestrova::testing
