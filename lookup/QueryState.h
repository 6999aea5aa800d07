#pragma once
// The program-wide values the query steps share. One object lives as long as
// the program; each query overwrites it.

#include "text/Text.h"
#include "text/Search.h"
#include "web/RegexHelper.h"

namespace kestrova {

struct QueryState {
    Text PageText;     // the page being parsed: profile, then rating overview, then summaries
    Text ProfileText;  // an unchanged copy of the profile page
    Text ScratchText;  // working text for repeated cuts through one page
    PieceArray pieces;  // the rating list split at "aucNumId"
    RegexHelper regex;
    bool running = false;  // a second click while a query runs is refused
};

}  // namespace kestrova
