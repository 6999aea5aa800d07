#pragma once
// What the session request reads from a response's header text.

#include "text/Text.h"

namespace kestrova {

// The header lines, CR LF separated, in order: every line holding "Location:"
// sets redirectTarget (the last one wins; it is left alone when no line holds
// it), every line holding "Set-Cookie" appends its cookie item and "; " to
// receivedCookies, which starts empty.
void ReadResponseHeaders(const Text& headerText, Text& redirectTarget, Text& receivedCookies);

}  // namespace kestrova
