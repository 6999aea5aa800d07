#pragma once
// What the window would show after a query, for the command line: a listing of
// the filled fields by caption in window order, or one JSON object.

#include <string>

#include "form/FieldStore.h"

namespace kestrova {

std::string FieldListing(const FieldStore& window);
std::string FieldJson(const FieldStore& window);

}  // namespace kestrova
