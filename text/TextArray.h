#pragma once
// A list of texts numbered from 1. An index outside 1..Count() raises the
// run-time fault instead of reading outside the array.

#include <vector>

#include "text/Text.h"

namespace kestrova {

class TextArray {
public:
    TextArray() = default;
    explicit TextArray(std::vector<Text> items) : items_(std::move(items)) {}

    int Count() const { return static_cast<int>(items_.size()); }
    bool Empty() const { return items_.empty(); }
    const Text& operator[](int index) const;  // 1-based
    void Append(Text item) { items_.push_back(std::move(item)); }
    void Clear() { items_.clear(); }
    const std::vector<Text>& Items() const { return items_; }

private:
    std::vector<Text> items_;
};

}  // namespace kestrova
