#include "history/RecentAccounts.h"

#include "history/HistoryError.h"
#include "history/HistoryStore.h"
#include "history/Schema.h"
#include "history/Sqlite.h"

namespace kestrova {

std::vector<std::string> RecentAccounts(const HistoryPlace& place, int limit) {
    std::vector<std::string> accounts;
    if (place.IsServer()) {
        try {
            const auto store =
                OpenHistoryStore(place, StoreUse::kRead, std::chrono::milliseconds(200));
            return store ? store->RecentAccounts(limit) : accounts;
        } catch (const HistoryError&) {
            return accounts;  // told where lookups are saved
        }
    }
    const std::filesystem::path& file = place.File();
    std::error_code error;
    if (!std::filesystem::exists(file, error)) {
        return accounts;
    }
    try {
        Connection db(file, Connection::Access::kExisting, std::chrono::milliseconds(200));
        // The lookup table has had its member column since version 2; an
        // upgrade is for the first save, not for opening the window.
        const std::int64_t version = SchemaVersionOf(db);
        if (version < 2) {
            return accounts;
        }
        Statement recent(db,
                         "SELECT account FROM lookup WHERE id IN "
                         "(SELECT max(id) FROM lookup GROUP BY member) ORDER BY id DESC LIMIT ?");
        recent.Bind(1, limit);
        while (recent.Step()) {
            accounts.push_back(recent.Bytes(0));
        }
    } catch (const HistoryError&) {
        // Completion is a help; the history's problems are told where it is saved.
    }
    return accounts;
}

}  // namespace kestrova
