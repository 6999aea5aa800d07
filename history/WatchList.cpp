#include "history/WatchList.h"

#include "history/HistoryStore.h"
#include "history/MarkEntry.h"
#include "history/MemberKey.h"

namespace kestrova {
namespace {

constexpr std::chrono::milliseconds kBusyWait{5000};

}  // namespace

WatchList::WatchList(const HistoryPlace& place, Access access)
    : store_(OpenHistoryStore(place, access == Access::kWrite ? StoreUse::kWrite : StoreUse::kRead,
                              kBusyWait)) {}

WatchList::~WatchList() = default;

std::vector<WatchedMember> WatchList::Members() const {
    return store_ ? store_->Watched() : std::vector<WatchedMember>();
}

bool WatchList::Add(const std::string& account, std::chrono::system_clock::time_point when) {
    if (MemberKey(account).empty()) {
        throw HistoryError("an empty account name cannot be watched");
    }
    if (const auto problem = ProblemWithText(account)) {
        throw HistoryError("'" + account + "' cannot be watched: " + *problem);
    }
    return store_->Watch(account, when);
}

bool WatchList::Remove(const std::string& account) {
    return store_->Unwatch(account);
}

}  // namespace kestrova
