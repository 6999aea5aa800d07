#pragma once
// What changed between two lookups of a member: every text, link address,
// picture and the status that differ, the figures a second deal turns on
// first (credit, rating counts, rates, verdicts, status), then the rest in
// window order. The whole page texts kept for later cuts are left out: they
// differ every time and are no field anyone reads.

#include <vector>

#include "form/FieldStore.h"

namespace kestrova {

struct FieldChange {
    enum class Part { kText, kLink, kPicture, kStatus };
    Ctl control;  // 状态条1 for the status
    Part part;
    Text before;  // texts, link addresses, status
    Text after;
    ByteBuffer beforePicture;
    ByteBuffer afterPicture;
};

std::vector<FieldChange> ChangedFields(const FieldStore& before, const FieldStore& after);

}  // namespace kestrova
