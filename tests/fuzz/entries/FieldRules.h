#pragma once
// The states the window's fields may be in after a query, or any of its steps,
// has run over whatever pages the servers sent: fixed vocabularies, values cut
// from bounded windows, digits where a pattern only takes digits, verdicts
// built from their texts in order, pictures that are a constant, a JPEG, or
// bytes a server sent. Shared by the fuzz targets and the hostile-server tests.

#include <functional>
#include <string>
#include <vector>

#include "form/FieldStore.h"

namespace kestrova::fuzz {

struct FieldRuleOptions {
    // Whether bytes shown in a picture box that takes downloads as they come
    // (photo, credit icons, logo) are bytes a server sent; unset: any bytes.
    std::function<bool(const ByteBuffer&)> servedPicture;
};

// One UTF-8 line per broken rule, naming the control; empty when all hold.
std::vector<std::string> BrokenFieldRules(const FieldStore& window,
                                          const FieldRuleOptions& options = {});

}  // namespace kestrova::fuzz
