#pragma once
// The members re-checked on a schedule, kept in the history file by member
// (MemberKey): each at most once, under the account as first added.

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "history/HistoryPlace.h"

namespace kestrova {

class HistoryStore;

struct WatchedMember {
    std::string account;  // as typed
    std::chrono::system_clock::time_point added;
    friend bool operator==(const WatchedMember&, const WatchedMember&) = default;
};

class WatchList {
  public:
    enum class Access { kRead, kWrite };
    // Throws HistoryError where the place cannot be opened as a history.
    WatchList(const HistoryPlace& place, Access access);
    ~WatchList();
    WatchList(const WatchList&) = delete;
    WatchList& operator=(const WatchList&) = delete;

    // In the order they were added.
    std::vector<WatchedMember> Members() const;
    // False when the member is watched already (under any spelling).
    bool Add(const std::string& account, std::chrono::system_clock::time_point when);
    // False when the member was not watched.
    bool Remove(const std::string& account);

  private:
    std::unique_ptr<HistoryStore> store_;  // null: a history not yet written (reading)
};

}  // namespace kestrova
