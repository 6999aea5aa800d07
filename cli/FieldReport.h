#pragma once
// What the window would show after a query, for the command line: a listing of
// the filled fields by caption in window order, or one JSON object.

#include <nlohmann/json.hpp>
#include <string>

#include "form/FieldStore.h"

namespace kestrova {

std::string FieldListing(const FieldStore& window);
std::string FieldJson(const FieldStore& window);
// The object FieldJson prints.
nlohmann::ordered_json FieldObject(const FieldStore& window);

}  // namespace kestrova
