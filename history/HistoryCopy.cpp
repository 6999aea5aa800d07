#include "history/HistoryCopy.h"

#include <algorithm>

#include "history/MemberKey.h"

namespace kestrova {
namespace {

constexpr std::chrono::milliseconds kBusyWait{5000};

std::int64_t Milliseconds(std::chrono::system_clock::time_point at) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(at.time_since_epoch()).count();
}

LookupRow RowOf(const SavedLookupSummary& s) {
    LookupRow row;
    row.account = s.account;
    row.member = MemberKey(s.account);
    row.startedMs = Milliseconds(s.started);
    row.endedMs = Milliseconds(s.ended);
    row.end = s.end;
    row.mode = s.mode;
    row.status = s.status;
    if (s.messageFlags) {
        row.message = MessageBoxRecord{s.messageText, *s.messageFlags, s.messageCaption};
    }
    row.who = s.who;
    row.host = s.host;
    row.leftOut = s.leftOut;
    return row;
}

}  // namespace

CopyCounts CopyHistory(const HistoryPlace& from, const HistoryPlace& to) {
    CopyCounts counts;
    const std::unique_ptr<HistoryStore> source = OpenHistoryStore(from, StoreUse::kRead, kBusyWait);
    if (!source) {
        return counts;  // nothing saved there yet
    }
    const std::unique_ptr<HistoryStore> target = OpenHistoryStore(to, StoreUse::kWrite, kBusyWait);

    // Oldest first: the target lists them in the order they were saved.
    std::vector<SavedLookupSummary> lookups = source->Recent(std::nullopt, 0);
    std::reverse(lookups.begin(), lookups.end());
    for (const SavedLookupSummary& summary : lookups) {
        LookupRow row = RowOf(summary);
        if (target->HasLookup(row)) {
            ++counts.knownLookups;
            continue;
        }
        const std::optional<SavedLookup> saved = source->Load(summary.id);
        if (!saved) {
            continue;  // gone since it was listed
        }
        row.pages = saved->pages;
        target->Save(*target->Prepare(std::move(row), saved->fields));
        ++counts.lookups;
    }

    counts.marks = target->ImportMarks(source->AllMarks());
    for (const WatchedMember& member : source->Watched()) {
        (target->Watch(member.account, member.added) ? counts.watched : counts.knownWatched) += 1;
    }
    return counts;
}

}  // namespace kestrova
