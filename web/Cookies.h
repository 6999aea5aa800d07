#pragma once
// Cookie texts of the session request.

#include "text/Text.h"

namespace kestrova {

// The part of text between the first startMarker and the following endMarker,
// ASCII case ignored; empty when either is missing.
Text TextBetween(TextView text, TextView startMarker, TextView endMarker);

// Merges newly received cookies into an old cookie text; the result lists each
// item followed by "; ", without empty and "=deleted" values.
Text MergeCookies(TextView oldCookies, TextView newCookies);

}  // namespace kestrova
