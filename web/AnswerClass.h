#pragma once
// What became of one request: answered, or why not. The query itself never
// looks; this is said beside its result, so that a page that did not come is
// never taken for one that said nothing.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "web/Transport.h"

namespace kestrova {

enum class AnswerKind {
    kAnswered,   // the page asked for came, whole
    kNotAsked,   // no http or https address: nothing went out
    kNoAnswer,   // refused connection, time-out, reset, cancelled, or refused by our own rules
    kHttpError,  // a status outside 2xx, after redirects
    kCut,        // the body was cut at its cap
    kRefused,    // the marketplace refused: a challenge, verification or login page, 429, 503
};

struct AnswerClass {
    AnswerKind kind = AnswerKind::kAnswered;
    // "no answer: time-out", "HTTP error 404", "refused by the marketplace:
    // verification page"; empty for an answer and for a request never asked.
    std::string reason;
    // A refusal that said when to come back (Retry-After), as a wait from the
    // moment the answer was classified.
    std::optional<std::chrono::seconds> retryAfter;
    // The host (lower case) the request went to first: who refused.
    std::string host;

    bool Missing() const { return kind != AnswerKind::kAnswered && kind != AnswerKind::kNotAsked; }
};

AnswerClass ClassifyAnswer(
    std::string_view url, const WireResponse& response,
    std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

// The host of an http(s) address, in lower case; empty when there is none.
std::string HostOfAddress(std::string_view url);

}  // namespace kestrova
