#pragma once
// The profile page's own request: time-outs 7000/7000/10000/7000 ms and seven
// fixed headers, unlike every other page request.

#include "text/Text.h"
#include "web/Transport.h"

namespace kestrova {

// Resolve, connect, send, receive.
inline constexpr PhaseTimeouts kProfileTimeouts{7000, 7000, 10000, 7000};

WireRequest ProfileWireRequest(const Text& url);
// GET of url; the raw body (empty on any failure).
ByteBuffer RequestProfileBody(const Text& url);

}  // namespace kestrova
