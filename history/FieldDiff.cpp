#include "history/FieldDiff.h"

#include <algorithm>
#include <array>

#include "history/store/StoredFields.h"

namespace kestrova {
namespace {

// In this order ahead of the rest.
constexpr std::array kFirst = {
    // credit
    Ctl::编辑框6, Ctl::图片框6, Ctl::编辑框7, Ctl::图片框7, Ctl::编辑框200,
    // rating counts: the summaries, then the count table row by row
    Ctl::编辑框好评, Ctl::编辑框中评, Ctl::编辑框差评, Ctl::编辑框一周好, Ctl::编辑框一周中,
    Ctl::编辑框一周差, Ctl::编辑框一月好, Ctl::编辑框一月中, Ctl::编辑框一月差, Ctl::编辑框半年好,
    Ctl::编辑框半年中, Ctl::编辑框半年差, Ctl::编辑框年前好, Ctl::编辑框年前中, Ctl::编辑框年前差,
    // rates: good rate and the three shop scores
    Ctl::编辑框19, Ctl::编辑框中评7, Ctl::编辑框中评6, Ctl::编辑框中评5,
    // verdicts, and how the lookup ended
    Ctl::标签38, Ctl::图片框5, Ctl::标签48, Ctl::图片框8, Ctl::状态条1};

void Compare(const FieldStore& before, const FieldStore& after, const ControlDef& c,
             std::vector<FieldChange>& changes) {
    if (c.id == Ctl::状态条1) {
        if (before.StatusText() != after.StatusText()) {
            changes.push_back({c.id,
                               FieldChange::Part::kStatus,
                               before.StatusText(),
                               after.StatusText(),
                               {},
                               {}});
        }
        return;
    }
    const StoredField old = StoredFieldOf(before, c);
    const StoredField now = StoredFieldOf(after, c);
    if (old.text != now.text) {
        changes.push_back({c.id, FieldChange::Part::kText, old.text, now.text, {}, {}});
    }
    if (old.link != now.link) {
        changes.push_back({c.id, FieldChange::Part::kLink, old.link, now.link, {}, {}});
    }
    if (old.picture != nullptr && *old.picture != *now.picture) {
        changes.push_back({c.id, FieldChange::Part::kPicture, {}, {}, *old.picture, *now.picture});
    }
}

}  // namespace

std::vector<FieldChange> ChangedFields(const FieldStore& before, const FieldStore& after) {
    std::vector<FieldChange> changes;
    for (const Ctl id : kFirst) {
        Compare(before, after, Control(id), changes);
    }
    for (const ControlDef& c : Controls()) {
        if (IsPageStore(c.id) || std::find(kFirst.begin(), kFirst.end(), c.id) != kFirst.end()) {
            continue;
        }
        Compare(before, after, c, changes);
    }
    return changes;
}

}  // namespace kestrova
