#pragma once
// The cut rule every page step uses: a window of `window` bytes that starts
// `offset` bytes after the first byte of the start marker, ended `trim` bytes
// before the first end marker inside it. Markers are not checked: a missing
// start marker starts the window at byte offset - 1 of the text, a missing end
// marker gives the empty text.

#include "text/Text.h"

namespace kestrova {

Text MarkerCut(TextView text, TextView startMarker, int offset, int window, TextView endMarker,
               int trim);

// The same cut with the end marker searched in a window of its own length
// (the registration time searches 9999 bytes for an 888-byte value window).
Text MarkerCut(TextView text, TextView startMarker, int offset, int window, TextView endMarker,
               int trim, int searchWindow);

}  // namespace kestrova
