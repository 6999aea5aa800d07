#pragma once
// Small rules the page steps share.

#include "text/Search.h"
#include "text/Text.h"

namespace kestrova {

// Exact bytes, from the start of the text.
inline bool Contains(TextView text, TextView marker) {
    return FindText(text, marker) != -1;
}

// Every space, then every tab, removed (each up to its limit), case-sensitive.
inline Text WithoutSpacesAndTabs(const Text& value, int maxSpaces = 9999, int maxTabs = 9999) {
    return ReplaceSubText(ReplaceSubText(value, " ", "", 1, maxSpaces, true), "\t", "", 1, maxTabs,
                          true);
}

}  // namespace kestrova
