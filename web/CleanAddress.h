#pragma once
// An address cut from a page, made fit to be one request line, one header
// value or one argument to the browser, the way a browser's URL parser takes
// what it is given: ASCII tab, CR and LF anywhere are dropped, and C0 control
// bytes and spaces at either end are trimmed. What still holds a control byte
// (C0 or DEL) or a space after that is no address at all: it is refused, and
// the request fails as it would for a host that cannot be reached.

#include <optional>

#include "text/Text.h"

namespace kestrova {

// The cleaned address, or nothing when it is refused. An honest address comes
// back unchanged.
std::optional<Text> CleanAddress(TextView address);

}  // namespace kestrova
