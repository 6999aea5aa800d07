#include "history/store/PreparedLookup.h"

#include <algorithm>

namespace kestrova {
namespace {

// What a stored value, a field row and a lookup row cost in the file beside
// the value's own bytes: the row, its hash in the table and in its index, and
// the pages' slack. Generous, so that the bound holds for the file as it grows.
constexpr std::size_t kValueOverhead = 160;
constexpr std::size_t kFieldOverhead = 32;
constexpr std::size_t kLookupOverhead = 1024;

std::size_t StoredSize(const PreparedLookup& lookup, std::size_t value) {
    const std::optional<PackedValue>& packed = lookup.packed[value];
    const std::size_t bytes = packed && packed->packing == Packing::kZstd
                                  ? packed->bytes.size()
                                  : lookup.values.Values()[value].bytes.size();
    return bytes + kValueOverhead;
}

void Bound(PreparedLookup& lookup, const std::function<bool(const Sha256Digest&)>& valueStored) {
    const auto& values = lookup.values.Values();
    std::size_t added = kLookupOverhead + lookup.values.Fields().size() * kFieldOverhead;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (lookup.packed[k]) {
            added += StoredSize(lookup, k);
        }
    }
    // The page texts one at a time, each packed only while they still fit:
    // three pages at the size cap are never all held packed at once.
    std::size_t withPages = added;
    for (std::size_t k = 0; k < values.size() && withPages <= kLookupBound; ++k) {
        if (values[k].pageText && !valueStored(values[k].digest)) {
            lookup.packed[k] = Pack(values[k].bytes);
            withPages += StoredSize(lookup, k);
        }
    }
    if (withPages <= kLookupBound) {
        return;
    }
    lookup.values.LeaveOutPageTexts();
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (values[k].pageText) {
            lookup.packed[k].reset();
        }
    }
    if (added <= kLookupBound) {
        return;
    }
    std::vector<std::size_t> pictures;
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (values[k].picture && lookup.packed[k]) {
            pictures.push_back(k);
        }
    }
    std::sort(pictures.begin(), pictures.end(), [&lookup](std::size_t a, std::size_t b) {
        return StoredSize(lookup, a) > StoredSize(lookup, b);
    });
    for (const std::size_t k : pictures) {
        if (added <= kLookupBound) {
            break;
        }
        added -= StoredSize(lookup, k);
        lookup.values.LeaveOutPicture(static_cast<int>(k));
        lookup.packed[k].reset();
    }
}

}  // namespace

void PackLookup(PreparedLookup& lookup, const std::function<bool(const Sha256Digest&)>& setStored,
                const std::function<bool(const Sha256Digest&)>& valueStored) {
    const auto& values = lookup.values.Values();
    lookup.packed.resize(values.size());
    // A lookup that shows what an earlier one showed needs nothing more.
    if (setStored(lookup.setDigest)) {
        lookup.setStored = true;
        return;
    }
    for (std::size_t k = 0; k < values.size(); ++k) {
        if (!values[k].pageText && !valueStored(values[k].digest)) {
            lookup.packed[k] = Pack(values[k].bytes);
        }
    }
    Bound(lookup, valueStored);
    if (lookup.values.LeftOutParts() != kNothingLeftOut) {
        lookup.setDigest = lookup.values.Digest();
    }
}

}  // namespace kestrova
