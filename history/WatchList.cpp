#include "history/WatchList.h"

#include "history/HistoryAccess.h"
#include "history/MarkEntry.h"
#include "history/MemberKey.h"
#include "history/Sqlite.h"

namespace kestrova {
namespace {

constexpr std::chrono::milliseconds kBusyWait{5000};

}  // namespace

WatchList::WatchList(const std::filesystem::path& file, Access access)
    : db_(access == Access::kWrite ? OpenHistoryToWrite(file, kBusyWait)
                                   : OpenHistoryToRead(file, kBusyWait)) {}

WatchList::~WatchList() = default;

std::vector<WatchedMember> WatchList::Members() const {
    std::vector<WatchedMember> members;
    if (!db_) {
        return members;
    }
    Statement list(*db_, "SELECT account, added_ms FROM watched ORDER BY added_ms, rowid");
    while (list.Step()) {
        members.push_back({list.Bytes(0), std::chrono::system_clock::time_point(
                                              std::chrono::milliseconds(list.Number(1)))});
    }
    return members;
}

bool WatchList::Add(const std::string& account, std::chrono::system_clock::time_point when) {
    const std::string member = MemberKey(account);
    if (member.empty()) {
        throw HistoryError("an empty account name cannot be watched");
    }
    if (const auto problem = ProblemWithText(account)) {
        throw HistoryError("'" + account + "' cannot be watched: " + *problem);
    }
    Statement add(*db_,
                  "INSERT OR IGNORE INTO watched (member, account, added_ms) VALUES (?, ?, ?)");
    add.BindText(1, member);
    add.BindText(2, account);
    add.Bind(
        3, std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count());
    add.Run();
    return db_->Changes() > 0;
}

bool WatchList::Remove(const std::string& account) {
    Statement remove(*db_, "DELETE FROM watched WHERE member = ?");
    remove.BindText(1, MemberKey(account));
    remove.Run();
    return db_->Changes() > 0;
}

}  // namespace kestrova
