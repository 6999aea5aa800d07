#pragma once
// What the history tests share: a folder of their own, the sample
// marketplace with a query against it, and a look into a history file through
// SQLite itself.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "form/FieldStore.h"
#include "history/HistoryPlace.h"
#include "history/LookupRecord.h"
#include "marketplace/SampleMarketplace.h"

struct sqlite3;

namespace kestrova::testing {

// A fresh folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

std::string FileBytes(const std::filesystem::path& file);
void WriteFile(const std::filesystem::path& file, const std::string& bytes);

// The stores a history can be kept in, for suites that run on each.
enum class StoreKind { kFile, kServer };
std::string StoreName(StoreKind kind);

// A fresh, empty history of that kind for one test: a file in a folder of its
// own, or a database of its own on the test program's PostgreSQL server.
class HistoryUnderTest {
  public:
    explicit HistoryUnderTest(StoreKind kind);
    const HistoryPlace& Place() const { return *place_; }
    // The first column of the first row of `sql` (SQL both stores take), as
    // text ("" for none or NULL).
    std::string Value(const std::string& sql) const;
    // Whether anything was made there yet.
    bool Made() const;

  private:
    StoreKind kind_;
    TempFolder folder_;
    std::optional<HistoryPlace> place_;
};

// The first column of the first row of `sql`, as text ("" for none or NULL).
std::string QueryValue(const std::filesystem::path& file, const std::string& sql);
// Runs statements on the file through a connection of its own.
void ExecuteSql(const std::filesystem::path& file, const std::string& sql);

// Another program writing to the file: holds the write lock from
// construction until Release (or the end), having added a lookup of its own.
class HeldWriteLock {
  public:
    explicit HeldWriteLock(const std::filesystem::path& file);
    ~HeldWriteLock();
    HeldWriteLock(const HeldWriteLock&) = delete;
    HeldWriteLock& operator=(const HeldWriteLock&) = delete;
    void Release();

  private:
    sqlite3* db_ = nullptr;
};

// The sample marketplace on a loopback port, every request sent to it.
class MarketplaceForTests {
  public:
    MarketplaceForTests();
    ~MarketplaceForTests();
    int Port() const { return port_; }
    SampleMarketplace& Market() { return market_; }

  private:
    SampleMarketplace market_;
    int port_;
};

// The whole query for an account, on a fresh headless window.
std::unique_ptr<FieldStore> LookUp(const std::string& account);

// A record of a lookup that ran just now.
LookupRecord RecordOf(const FieldStore& fields, const std::string& account);

}  // namespace kestrova::testing
