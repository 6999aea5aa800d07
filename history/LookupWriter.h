#pragma once
// Writing one lookup into the file: its row, and its field set with every
// value the file does not hold yet. Values are stored once by SHA-256 and
// compressed, field sets once by their own SHA-256, so a lookup that shows
// what an earlier one showed adds little more than its row.
//
// Whatever the pages, a lookup adds at most kLookupBound to the file: above
// it the whole page texts are left out, then (should that not do) the new
// pictures, the largest first, and the lookup is marked so.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "form/Completeness.h"
#include "form/FieldStore.h"
#include "history/Compression.h"
#include "history/FieldValues.h"
#include "history/Sqlite.h"

namespace kestrova {

inline constexpr std::size_t kLookupBound = 16u << 20;

// The lookup's own row.
struct LookupRow {
    std::optional<std::int64_t> id;  // an upgrade keeps the numbers users know
    std::string account;             // as typed, UTF-8
    std::string member;              // MemberKey
    std::int64_t startedMs = 0;      // since 1970-01-01 UTC
    std::int64_t endedMs = 0;
    std::string end;  // EndName
    std::string mode;
    Text status;
    std::optional<MessageBoxRecord> message;
    std::string who;   // the login name that saved it
    std::string host;  // on this machine
    int leftOut = 0;   // what an earlier save left out already (a copy)
    // Which pages it got; nullopt where the front end could not say.
    std::optional<Completeness> pages;
};

// A lookup ready to be written: what the file lacks is packed.
struct PreparedLookup {
    PreparedLookup(LookupRow row, const FieldStore& window) : row(std::move(row)), values(window) {}
    LookupRow row;
    FieldValues values;
    std::vector<std::optional<PackedValue>> packed;  // by value index; nullopt: not packed
    Sha256Digest setDigest{};
    bool setStored = false;  // the store holds the field set already
};

// Packs what the store lacks (`setStored`, `valueStored`: whether the store
// holds a field set or a value of that SHA-256) and keeps the lookup within
// kLookupBound. Outside any transaction: the packing takes the CPU's time.
std::unique_ptr<PreparedLookup> PrepareLookup(
    LookupRow row, const FieldStore& window,
    const std::function<bool(const Sha256Digest&)>& setStored,
    const std::function<bool(const Sha256Digest&)>& valueStored);

// What the lookup's row says is left out: this save's and an earlier one's.
int LeftOutOf(const PreparedLookup& lookup);

class LookupWriter {
  public:
    // kVersion3: the lookup table as version 3 made it, for the upgrade that
    // moves older lookups into it (who saved them came later).
    enum class Table { kCurrent, kVersion3 };
    explicit LookupWriter(Connection& db, Table table = Table::kCurrent);
    ~LookupWriter();
    LookupWriter(const LookupWriter&) = delete;
    LookupWriter& operator=(const LookupWriter&) = delete;

    // Outside any transaction (the packing takes the CPU time, not the lock).
    // The window must outlive the result.
    std::unique_ptr<PreparedLookup> Prepare(LookupRow row, const FieldStore& window);

    // Inside the caller's transaction; the lookup's id.
    std::int64_t Write(const PreparedLookup& lookup);

    // What the transaction wrote is the file's for good, or gone.
    void Committed();
    void RolledBack();

  private:
    struct Statements;

    std::optional<std::int64_t> FindValue(const Sha256Digest& digest);
    std::optional<std::int64_t> FindSet(const Sha256Digest& digest);
    std::int64_t ControlId(const char* name);
    std::int64_t ValueId(const PreparedLookup& lookup, int value);

    Connection& db_;
    std::unique_ptr<Statements> statements_;
    // Ids the file holds for good, and those of the transaction under way.
    std::map<Sha256Digest, std::int64_t> values_, newValues_;
    std::map<Sha256Digest, std::int64_t> sets_, newSets_;
    std::map<std::string, std::int64_t, std::less<>> controls_, newControls_;
};

}  // namespace kestrova
