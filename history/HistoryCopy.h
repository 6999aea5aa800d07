#pragma once
// Moving a history: every lookup (with its pictures), mark, note and watched
// member of one store copied into another, a PostgreSQL database or another
// file. What the target has already is left as it is, so a copy run twice,
// or run again after it was stopped, adds nothing twice.

#include "history/History.h"

namespace kestrova {

struct CopyCounts {
    int lookups = 0;       // copied, each in a transaction of its own
    int knownLookups = 0;  // the target had them (same account, times and end)
    ImportCounts marks;    // as an import counts them
    int watched = 0;
    int knownWatched = 0;
};

// Throws HistoryError where either store cannot be opened, read or written;
// what was copied until then stays copied.
CopyCounts CopyHistory(History& from, History& to);

}  // namespace kestrova
