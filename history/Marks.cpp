#include "history/Marks.h"

#include "history/HistoryStore.h"

namespace kestrova {

Marks::Marks(const HistoryPlace& place, Access access, std::chrono::milliseconds busy)
    : store_(OpenHistoryStore(place, access == Access::kWrite ? StoreUse::kWrite : StoreUse::kRead,
                              busy)) {}

Marks::~Marks() = default;

MemberMarks Marks::Of(std::string_view account) const {
    return store_ ? store_->MarksOf(account) : MemberMarks();
}

std::vector<MarkEntry> Marks::All() const {
    return store_ ? store_->AllMarks() : std::vector<MarkEntry>();
}

void Marks::SetMark(const MarkEntry& mark) {
    store_->SetMark(mark);
}

void Marks::AddNote(const MarkEntry& note) {
    Import({note});
}

ImportCounts Marks::Import(const std::vector<MarkEntry>& entries) {
    return store_->ImportMarks(entries);
}

}  // namespace kestrova
