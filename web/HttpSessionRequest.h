#pragma once
// The general page request: a GET (or any method) with the default header
// block, 15-second time-outs and redirects followed, returning the raw body.

#include "text/Text.h"
#include "web/Transport.h"

namespace kestrova {

// Parameters 2-11 of the request, in and out. Every field's default is the
// request the query makes.
struct HttpSessionParams {
    Text method;    // in/out: upper-cased; "GET" when empty
    Text bodyText;  // in
    // in: 0 (or less) gives 15000 ms, n gives n*1000, -1 the transport's own
    int timeoutSeconds = 0;
    Text cookies;          // in/out: sent as Cookie when not empty; the merged text on return
    Text receivedCookies;  // out
    Text headerLines;      // in/out: the default block when empty; the block used on return
    Text redirectTarget;   // out: trimmed value of the last "Location:" line
    bool redirectsOff = false;
    Text responseHeaders;  // out
    ByteBuffer bodyBytes;  // in: sent instead of bodyText when not empty
};

// "Referer: " + url + this, when no header lines are given.
inline constexpr const char* kDefaultHeaderTail =
    "\r\nAccept: */*\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/5.0 (compatible; MSIE 9.0; "
    "Windows NT 6.1; Trident/5.0)\r\nContent-Type: application/x-www-form-urlencoded";

ByteBuffer HttpSessionRequest(const Text& url);
// What goes on the wire for that request with these parameters; the method and
// header lines in `params` are filled in as the request uses them.
WireRequest SessionWireRequest(const Text& url, HttpSessionParams& params);
// The request the query makes: every parameter at its default.
WireRequest SessionWireRequest(const Text& url);
// The same request with every parameter given; the out-parameters are written.
ByteBuffer HttpSessionRequest(const Text& url, HttpSessionParams& params);

// The four time-outs a request with this time-out parameter uses: 15000 ms
// each for 0 or less, n * 1000 ms for n, the transport's own for -1.
PhaseTimeouts SessionRequestTimeouts(int timeoutSeconds);

}  // namespace kestrova
