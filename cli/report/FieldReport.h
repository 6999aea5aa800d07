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

// A field's caption as the listing names it.
std::string FieldCaption(const ControlDef& field);
// A picture as the listing describes it, with the start of its SHA-256:
// "gif 56x20, 149 bytes, 3f2a9c1e"; and as the JSON does.
std::string PictureDescription(const ByteBuffer& bytes);
nlohmann::ordered_json PictureJson(const ByteBuffer& bytes);

}  // namespace kestrova
