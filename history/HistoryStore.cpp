#include "history/HistoryStore.h"

#include <algorithm>
#include <map>

#include "history/MemberKey.h"
#include "history/PostgresStore.h"
#include "history/SqliteStore.h"

namespace kestrova {

std::unique_ptr<HistoryStore> OpenHistoryStore(const HistoryPlace& place, StoreUse use,
                                               std::chrono::milliseconds busy) {
    if (place.IsServer()) {
        return OpenPostgresStore(place, use, busy);
    }
    return OpenSqliteStore(place.File(), use, busy);
}

void CheckMarkEntry(const MarkEntry& entry) {
    for (const std::string* text : {&entry.account, &entry.text, &entry.who}) {
        if (const auto problem = ProblemWithText(*text)) {
            throw HistoryError("an entry cannot be kept: " + *problem);
        }
    }
    if (MemberKey(entry.account).empty()) {
        throw HistoryError("an entry cannot be kept: it names no member");
    }
}

void RestoreStatus(SavedLookup& saved) {
    const SavedLookupSummary& s = saved.summary;
    saved.fields.StatusBarSetText(0, s.status);
    if (s.messageFlags) {
        saved.fields.MessageBox(s.messageText, *s.messageFlags, s.messageCaption);
    }
}

std::vector<MarkEntry> InListOrder(std::vector<std::pair<std::string, MarkEntry>> byMember) {
    struct Member {
        std::chrono::system_clock::time_point latest{};
        std::vector<MarkEntry> entries;
    };
    std::map<std::string, Member> members;
    for (auto& [key, entry] : byMember) {
        Member& m = members[key];
        m.latest = std::max(m.latest, entry.when);
        m.entries.push_back(std::move(entry));
    }
    std::vector<Member*> order;
    for (auto& [key, member] : members) {
        order.push_back(&member);
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Member* a, const Member* b) { return a->latest > b->latest; });
    std::vector<MarkEntry> all;
    for (Member* member : order) {
        all.insert(all.end(), member->entries.begin(), member->entries.end());
    }
    return all;
}

}  // namespace kestrova
