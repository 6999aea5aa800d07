#pragma once
// The 28 rows of each tab page, as the rating lists fill them.

#include <array>

#include "form/Controls.h"

namespace kestrova {

struct RatingRow {
    Ctl itemLine;
    Ctl label;
    Ctl comment;
    Ctl icon;
    Ctl nickname;
};

inline constexpr int kRatingRowCount = 28;

// Page 1 holds the ratings the member gave, page 2 those the member received.
const std::array<RatingRow, kRatingRowCount>& RatingRows(int page);

}  // namespace kestrova
