#pragma once
// What the command line says about the pages a lookup did not get: two keys
// beside the fields in JSON, one line after the field listing in text. A
// lookup that got every page prints its fields as it always has.

#include <nlohmann/json.hpp>
#include <string>

#include "form/Completeness.h"

namespace kestrova {

// "complete": true|false and "missing": [{"page", "url", "reason"}, ...].
void AddCompleteness(nlohmann::ordered_json& object, const Completeness& pages);

// "(incomplete)\tnot got: rating page (refused by the marketplace: verification
// page), messenger status (no answer: time-out)\n"; nothing for a complete
// lookup.
std::string IncompleteLine(const Completeness& pages);

}  // namespace kestrova
