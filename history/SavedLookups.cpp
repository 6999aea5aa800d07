#include "history/SavedLookups.h"

#include "history/HistoryStore.h"

namespace kestrova {
namespace {

constexpr std::chrono::milliseconds kBusyWait{5000};

}  // namespace

SavedLookups::SavedLookups(const HistoryPlace& place)
    : place_(place), store_(OpenHistoryStore(place, StoreUse::kRead, kBusyWait)) {}

SavedLookups::~SavedLookups() = default;

std::vector<SavedLookupSummary> SavedLookups::Recent(const std::optional<std::string>& account,
                                                     int limit) const {
    return store_ ? store_->Recent(account, limit) : std::vector<SavedLookupSummary>();
}

std::optional<SavedLookupSummary> SavedLookups::LatestComplete(const std::string& account) const {
    return store_ ? store_->LatestComplete(account) : std::nullopt;
}

std::optional<SavedLookup> SavedLookups::Latest(const std::string& account) const {
    const auto latest = Recent(account, 1);
    return latest.empty() ? std::nullopt : Load(latest.front().id);
}

std::optional<SavedLookup> SavedLookups::Load(std::int64_t id) const {
    return store_ ? store_->Load(id) : std::nullopt;
}

}  // namespace kestrova
