#pragma once
// A lookup made ready to be saved, outside any transaction (the packing takes
// the CPU's time, not the store's lock): its row, its field set with every
// value as a reference, and packed what the store does not hold yet. Values
// are stored once by SHA-256 and compressed, field sets once by their own
// SHA-256, so a lookup that shows what an earlier one showed adds little more
// than its row.
//
// Whatever the pages, a lookup adds at most kLookupBound to the store: above
// it the whole page texts are left out, then (should that not do) the new
// pictures, the largest first, and the lookup is marked so.

#include <functional>
#include <optional>
#include <vector>

#include "form/Completeness.h"
#include "form/FieldStore.h"
#include "history/store/Compression.h"
#include "history/store/FieldValues.h"
#include "history/store/LookupRow.h"

namespace kestrova {

inline constexpr std::size_t kLookupBound = 16u << 20;

struct PreparedLookup {
    // Every value hashed; nothing packed yet. The window must outlive it.
    PreparedLookup(LookupRow row, const FieldStore& window, std::optional<Completeness> pages)
        : row(std::move(row)),
          pages(std::move(pages)),
          values(window),
          setDigest(values.Digest()) {}
    LookupRow row;  // row.leftOut: what an earlier save left out already (a copy)
    std::optional<Completeness> pages;  // which pages it got; nullopt where not known
    FieldValues values;
    Sha256Digest setDigest;
    std::vector<std::optional<PackedValue>> packed;  // by value index; nullopt: not packed
    bool setStored = false;                          // the store holds the field set already

    // What the lookup's row says is left out: this save's and an earlier one's.
    int LeftOut() const { return values.LeftOutParts() | row.leftOut; }
};

// Packs what the store lacks (`setStored`, `valueStored`: whether the store
// holds a field set or a value of that SHA-256) and keeps the lookup within
// kLookupBound.
void PackLookup(PreparedLookup& lookup, const std::function<bool(const Sha256Digest&)>& setStored,
                const std::function<bool(const Sha256Digest&)>& valueStored);

}  // namespace kestrova
