#pragma once
// Running page steps on a headless window over served fuzz pages, and
// checking what they left in the fields.

#include <string>
#include <vector>

#include "form/FieldStore.h"
#include "lookup/Lookup.h"

namespace kestrova::fuzz {

struct StepRun {
    FieldStore window;
    QueryState state;
    Lookup q{window, state};
    std::vector<std::string> parts;
};

// Serves the parts from parts[first] on; the account name is "x" and the
// member id "1", as a query that got this far would have them.
void Prepare(StepRun& run, std::vector<std::string> parts, std::size_t first);

// Ends the process when a field is in a state no page may bring it to.
void CheckFields(const StepRun& run);

}  // namespace kestrova::fuzz
