#pragma once
// A file of marks and notes as `marks --csv` writes it: a header naming the
// columns account, kind, text, who and when (in any order), then one entry a
// row. Read back whole or not at all: every row that cannot be taken is
// reported with its line.

#include <string>
#include <string_view>
#include <vector>

#include "history/MarkEntry.h"

namespace kestrova {

struct MarksFileProblem {
    int line = 0;
    std::string what;
};

struct MarksFile {
    std::vector<MarkEntry> entries;
    std::vector<MarksFileProblem> problems;  // empty when every row can be taken
};

MarksFile ReadMarksFile(std::string_view text);

}  // namespace kestrova
