#pragma once
// The file's own way to write a lookup: its row, which pages it got, and its
// field set with every value the file does not hold yet, through statements
// prepared once, with the ids the file holds remembered from save to save.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "history/sqlite/Sqlite.h"
#include "history/store/PreparedLookup.h"

namespace kestrova {

class LookupWriter {
  public:
    // kVersion3: the lookup table as version 3 made it, for the upgrade that
    // moves older lookups into it (who saved them, and which pages each got,
    // came later).
    enum class Table { kCurrent, kVersion3 };
    explicit LookupWriter(Connection& db, Table table = Table::kCurrent);
    ~LookupWriter();
    LookupWriter(const LookupWriter&) = delete;
    LookupWriter& operator=(const LookupWriter&) = delete;

    // Packed against what the file holds. The window must outlive the result.
    std::unique_ptr<PreparedLookup> Prepare(LookupRow row, const FieldStore& window);

    // Inside the caller's transaction; the lookup's id.
    std::int64_t Write(const PreparedLookup& lookup);

    // What the transaction wrote is the file's for good, or gone.
    void Committed();
    void RolledBack();

  private:
    struct Statements;
    // Ids the file holds for good, and those of the transaction under way.
    template <typename Key>
    struct Known {
        std::map<Key, std::int64_t, std::less<>> held, added;
        std::optional<std::int64_t> Find(const auto& key) const;
    };

    std::optional<std::int64_t> Find(Known<Sha256Digest>& known, Statement& find,
                                     const Sha256Digest& digest);
    std::int64_t ControlId(const char* name);
    std::int64_t ValueId(const PreparedLookup& lookup, int value);

    Connection& db_;
    std::unique_ptr<Statements> statements_;
    Known<Sha256Digest> values_, sets_;
    Known<std::string> controls_;
};

}  // namespace kestrova
