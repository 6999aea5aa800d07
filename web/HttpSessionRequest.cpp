#include "web/HttpSessionRequest.h"

#include <climits>

#include "text/Search.h"
#include "web/CleanAddress.h"
#include "web/Cookies.h"
#include "web/ResponseHeaders.h"
#include "web/Transport.h"

namespace kestrova {
namespace {

constexpr int kDefaultTimeoutMs = 15000;

// Header lines are split at CR LF; a piece is a header when it holds a colon,
// its name what comes before the first colon and its value all that follows,
// the blank after the colon included (the transport writes it once).
void AddHeaderLines(const Text& headerLines, WireRequest& request) {
    TextArray pieces;
    if (FindText(headerLines, "\r\n") >= 1) {
        pieces = SplitText(headerLines, "\r\n");
    } else {
        pieces.Append(headerLines);
    }
    for (const Text& piece : pieces.Items()) {
        const int colon = FindText(piece, ":");
        if (colon < 1) {
            continue;
        }
        request.headers.emplace_back(LeftText(piece, colon - 1), piece.substr(colon));
    }
}

}  // namespace

PhaseTimeouts SessionRequestTimeouts(int timeoutSeconds) {
    if (timeoutSeconds == -1) {
        return kTransportDefaultTimeouts;
    }
    int ms = kDefaultTimeoutMs;
    if (timeoutSeconds >= 1) {
        ms = timeoutSeconds > INT_MAX / 1000 ? INT_MAX : timeoutSeconds * 1000;
    }
    return PhaseTimeouts{ms, ms, ms, ms};
}

ByteBuffer HttpSessionRequest(const Text& url) {
    HttpSessionParams params;
    return HttpSessionRequest(url, params);
}

WireRequest SessionWireRequest(const Text& url) {
    HttpSessionParams params;
    return SessionWireRequest(url, params);
}

WireRequest SessionWireRequest(const Text& givenUrl, HttpSessionParams& params) {
    // The address also becomes the Referer line of the header block, which is
    // split at line breaks: cleaned first, it can only ever be one line. One
    // refused goes to the transport as it came, with no header made of it,
    // and fails there.
    const std::optional<Text> cleaned = CleanAddress(givenUrl);
    const Text& url = cleaned ? *cleaned : givenUrl;
    params.method = ToUpper(params.method);
    if (params.method.empty()) {
        params.method = "GET";
    }
    if (params.headerLines.empty() && cleaned) {
        params.headerLines = "Referer: " + url + kDefaultHeaderTail;
    }

    WireRequest request;
    request.method = params.method;
    request.url = url;
    request.timeouts = SessionRequestTimeouts(params.timeoutSeconds);
    request.followRedirects = !params.redirectsOff;
    if (!params.cookies.empty()) {
        request.headers.emplace_back("Cookie", params.cookies);
    }
    AddHeaderLines(params.headerLines, request);
    if (!params.bodyBytes.empty()) {
        request.body = params.bodyBytes;
    } else {
        request.body.assign(params.bodyText.begin(), params.bodyText.end());
    }
    // A GET or HEAD without a body goes out without one; any other method
    // states its (possibly empty) length.
    request.sendBody = !request.body.empty() || (params.method != "GET" && params.method != "HEAD");
    return request;
}

ByteBuffer HttpSessionRequest(const Text& url, HttpSessionParams& params) {
    const WireRequest request = SessionWireRequest(url, params);
    params.redirectTarget.clear();
    WireResponse response = Exchange(request);

    params.responseHeaders = response.headerText;
    ReadResponseHeaders(params.responseHeaders, params.redirectTarget, params.receivedCookies);
    params.cookies = MergeCookies(params.cookies, params.receivedCookies);
    return std::move(response.body);
}

}  // namespace kestrova
