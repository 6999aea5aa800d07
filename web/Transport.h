#pragma once
// One HTTP exchange on the wire, on libcurl. Every request of the program goes
// through here: a new handle per request, exactly the headers given in the
// order given (nothing of libcurl's own beyond Host and what the body needs),
// per-phase time-outs, http and https only.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "text/Text.h"

namespace kestrova {

// Milliseconds. Resolve and connect share one limit (the larger of the two);
// send and receive are inactivity limits: a peer that moves a byte within the
// limit keeps the request alive, but only until the transfer's deadline, the
// sum of the four, has passed (with every redirect hop counted in).
struct PhaseTimeouts {
    int resolveMs;
    int connectMs;
    int sendMs;
    int receiveMs;
    friend bool operator==(const PhaseTimeouts&, const PhaseTimeouts&) = default;
};

// What the transport uses when a caller asks for no time-outs of its own.
inline constexpr PhaseTimeouts kTransportDefaultTimeouts{60000, 60000, 30000, 30000};

// A body larger than this is cut there, and what arrived is kept. The bytes
// read from the connection (heads, chunk framing and body) may exceed the cap
// by a small allowance only; beyond that the answer is dropped.
inline constexpr std::size_t kMaxBodyBytes = 32u << 20;
inline constexpr int kMaxRedirects = 10;

struct WireRequest {
    Text method = "GET";
    Text url;
    // Name, value. The value is sent as given, less the blanks in front of it
    // (written "Name: value"); an empty value is sent as "Name:". A name that
    // is not an HTTP token, or a value with a line break, is not sent.
    std::vector<std::pair<Text, Text>> headers;
    ByteBuffer body;
    bool sendBody = false;  // a body (possibly empty) goes with the request
    PhaseTimeouts timeouts = kTransportDefaultTimeouts;  // 0 or less: no limit of our own
    bool followRedirects = true;
    std::size_t maxBodyBytes = kMaxBodyBytes;
    // Equal requests go out as the same bytes.
    friend bool operator==(const WireRequest&, const WireRequest&) = default;
};

// Why a request has no answer. The program's own rules refuse some requests
// (an address it will not fetch, a redirect it will not follow, more bytes
// than the cap); everything else is what the network or the peer did.
enum class TransferFailure {
    kNone,              // an answer came, whatever its status
    kNoAddress,         // not an http or https address: nothing went out
    kUnsafeAddress,     // an http(s) address that still holds a space or control byte
    kNotPublic,         // the network guard refused every address of the host
    kRedirectRefused,   // to another scheme, or from https to plain http
    kTooManyRedirects,  // more than kMaxRedirects
    kWireCap,           // more from the wire than the body cap allows
    kHostNotFound,
    kConnectionRefused,
    kTimeOut,  // a phase limit or the transfer's deadline
    kReset,    // the connection broke, or closed before the answer was whole
    kCancelled,
    kOther,
};

struct WireResponse {
    ByteBuffer body;  // raw bytes; empty on any failure
    Text headerText;  // the last response's header lines, CR LF separated, no status line
    int status = 0;   // 0 when nothing was received

    // Beside the answer, for whoever wants to know how it came about; the
    // query itself reads none of it.
    TransferFailure failure = TransferFailure::kNone;
    bool bodyCut = false;  // the body reached its cap and was cut there
    // The address each redirect led to, in order, as it was fetched.
    std::vector<std::string> redirects;
    // The Retry-After value of the last response (redirects included) that
    // carried one, as the peer wrote it.
    std::string retryAfter;
};

// Sends the request and waits for its answer: through the source bound to the
// calling thread (a lookup's), else as one transfer on the shared engine.
WireResponse Exchange(const WireRequest& request);

}  // namespace kestrova
