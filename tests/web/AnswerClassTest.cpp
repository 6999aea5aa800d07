// Classifying what a request got: every row of the refusal table recognised,
// a near miss of each not taken for one, every way of not getting an answer
// named, and Retry-After read in both of its forms and refused when it is
// neither.

#include <gtest/gtest.h>

#include <string>

#include "web/AnswerClass.h"
#include "web/RefusalSigns.h"
#include "web/RetryAfter.h"

namespace kestrova {
namespace {

using std::chrono::seconds;

const std::string kUrl = "http://rate.taobao.com/user-rate-1.htm";
const std::string kHtml = "Content-Type: text/html; charset=GBK\r\nContent-Length: 10";

WireResponse Answer(int status, std::string body = "<html>ok</html>", std::string headers = kHtml) {
    WireResponse response;
    response.status = status;
    response.headerText = std::move(headers);
    response.body.assign(body.begin(), body.end());
    return response;
}

// One answer that carries the sign of each row of the table.
WireResponse CarrierOf(const RefusalSign& sign) {
    switch (sign.kind) {
        case RefusalSign::Kind::kStatus:
            return Answer(sign.status, "busy");
        case RefusalSign::Kind::kRedirectTarget: {
            WireResponse response = Answer(200, "<html>slide to verify</html>");
            const std::string host = sign.host.empty() ? "www.taobao.com" : std::string(sign.host);
            // The host in another letter case and a query after the path.
            std::string upper = host;
            for (char& c : upper) {
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            }
            response.redirects = {"http://" + upper + std::string(sign.pathPrefix) + "?x=1"};
            return response;
        }
        case RefusalSign::Kind::kBodyMarker:
            return Answer(200, "<html><form " + std::string(sign.marker) + "\"></form></html>");
    }
    return {};
}

TEST(RefusalSigns, EveryRowIsRecognisedAndNamed) {
    for (const RefusalSign& sign : kRefusalSigns) {
        SCOPED_TRACE(std::string(sign.what) + " " + std::to_string(sign.status) + " " +
                     std::string(sign.host) + std::string(sign.pathPrefix) +
                     std::string(sign.marker));
        const AnswerClass answer = ClassifyAnswer(kUrl, CarrierOf(sign));
        EXPECT_EQ(answer.kind, AnswerKind::kRefused);
        EXPECT_EQ(answer.reason, "refused by the marketplace: " + std::string(sign.what));
        EXPECT_EQ(answer.host, "rate.taobao.com");  // who refused: the host asked
        EXPECT_TRUE(answer.Missing());
    }
}

TEST(RefusalSigns, NearMissesOfEveryRowAreNotRefusals) {
    for (const RefusalSign& sign : kRefusalSigns) {
        WireResponse response;
        switch (sign.kind) {
            case RefusalSign::Kind::kStatus:
                response = Answer(sign.status + 1, "x");  // 430, 504: errors, not refusals
                break;
            case RefusalSign::Kind::kRedirectTarget:
                // The same path on a look-alike host, or the host with another path.
                response = Answer(200);
                response.redirects = {
                    "http://" +
                        (sign.host.empty() ? std::string("www.taobao.com")
                                           : "x" + std::string(sign.host)) +
                        (sign.host.empty() ? "/punish" : std::string(sign.pathPrefix)),
                    "http://shop1.taobao.com/"};
                break;
            case RefusalSign::Kind::kBodyMarker:
                // The words of a member, escaped by the honest page.
                {
                    std::string escaped(sign.marker);
                    escaped.replace(escaped.find('"'), 1, "&quot;");
                    response = Answer(200, "<p>" + escaped + "</p>");
                }
                break;
        }
        const AnswerClass answer = ClassifyAnswer(kUrl, response);
        EXPECT_NE(answer.kind, AnswerKind::kRefused) << sign.what << " " << sign.status;
    }
    for (const RefusalSign& sign : kRefusalSigns) {
        if (sign.kind == RefusalSign::Kind::kBodyMarker) {
            const std::string body = "shop_rate_list({\"x\":\"" + std::string(sign.marker) + "\"})";
            EXPECT_EQ(
                ClassifyAnswer(kUrl, Answer(200, body, "Content-Type: application/javascript"))
                    .kind,
                AnswerKind::kAnswered);
            // Past the window the marketplace's own pages put it in.
            const std::string late =
                std::string(kRefusalMarkerWindow, ' ') + std::string(sign.marker);
            EXPECT_EQ(ClassifyAnswer(kUrl, Answer(200, late)).kind, AnswerKind::kAnswered);
        }
    }
}

TEST(AnswerClass, EveryKindOfAnswerIsNamed) {
    struct Case {
        const char* name;
        WireResponse response;
        AnswerKind kind;
        std::string reason;
    };
    const auto failed = [](TransferFailure failure) {
        WireResponse response;
        response.failure = failure;
        return response;
    };
    WireResponse cut = Answer(200);
    cut.bodyCut = true;
    WireResponse redirectedToError = Answer(404);
    redirectedToError.redirects = {"http://rate.taobao.com/moved.htm"};
    const Case cases[] = {
        {"answered", Answer(200), AnswerKind::kAnswered, ""},
        {"204", Answer(204, ""), AnswerKind::kAnswered, ""},
        {"not asked", failed(TransferFailure::kNoAddress), AnswerKind::kNotAsked, ""},
        {"refused", failed(TransferFailure::kConnectionRefused), AnswerKind::kNoAnswer,
         "no answer: connection refused"},
        {"time-out", failed(TransferFailure::kTimeOut), AnswerKind::kNoAnswer,
         "no answer: time-out"},
        {"reset", failed(TransferFailure::kReset), AnswerKind::kNoAnswer,
         "no answer: connection reset"},
        {"cancelled", failed(TransferFailure::kCancelled), AnswerKind::kNoAnswer,
         "no answer: cancelled"},
        {"host", failed(TransferFailure::kHostNotFound), AnswerKind::kNoAnswer,
         "no answer: host not found"},
        {"guard", failed(TransferFailure::kNotPublic), AnswerKind::kNoAnswer,
         "no answer: refused by our own rules (not a public address)"},
        {"downgrade", failed(TransferFailure::kRedirectRefused), AnswerKind::kNoAnswer,
         "no answer: refused by our own rules (redirect)"},
        {"hops", failed(TransferFailure::kTooManyRedirects), AnswerKind::kNoAnswer,
         "no answer: refused by our own rules (too many redirects)"},
        {"wire", failed(TransferFailure::kWireCap), AnswerKind::kNoAnswer,
         "no answer: refused by our own rules (too many bytes on the wire)"},
        {"other", failed(TransferFailure::kOther), AnswerKind::kNoAnswer, "no answer: failed"},
        {"404 after a redirect", redirectedToError, AnswerKind::kHttpError, "HTTP error 404"},
        {"500", Answer(500), AnswerKind::kHttpError, "HTTP error 500"},
        {"304", Answer(304, ""), AnswerKind::kHttpError, "HTTP error 304"},
        {"cut", cut, AnswerKind::kCut, "cut at the body cap"},
    };
    for (const Case& c : cases) {
        const AnswerClass answer = ClassifyAnswer(kUrl, c.response);
        EXPECT_EQ(answer.kind, c.kind) << c.name;
        EXPECT_EQ(answer.reason, c.reason) << c.name;
        EXPECT_EQ(answer.Missing(),
                  c.kind != AnswerKind::kAnswered && c.kind != AnswerKind::kNotAsked)
            << c.name;
    }
}

TEST(AnswerClass, ARefusalCarriesItsRetryAfter) {
    const auto now = std::chrono::system_clock::from_time_t(1300000000);  // 2011-03-13 07:06:40 UTC
    WireResponse seconds429 = Answer(429, "", "Retry-After: 120");
    seconds429.retryAfter = "120";
    EXPECT_EQ(ClassifyAnswer(kUrl, seconds429, now).retryAfter, seconds(120));
    WireResponse dated503 = Answer(503, "");
    dated503.retryAfter = "Sun, 13 Mar 2011 07:08:40 GMT";
    EXPECT_EQ(ClassifyAnswer(kUrl, dated503, now).retryAfter, seconds(120));
    WireResponse garbled = Answer(429, "");
    garbled.retryAfter = "soon";
    EXPECT_EQ(ClassifyAnswer(kUrl, garbled, now).retryAfter, std::nullopt);
}

TEST(RetryAfter, ReadsSecondsAndDatesStrictly) {
    const auto now = std::chrono::system_clock::from_time_t(1300000000);
    struct Case {
        const char* value;
        std::optional<seconds> wait;
    };
    const Case cases[] = {
        {"0", seconds(0)},
        {"30", seconds(30)},
        {" 30 ", seconds(30)},
        {"Sun, 13 Mar 2011 07:06:50 GMT", seconds(10)},
        {"Sat, 12 Mar 2011 07:06:50 GMT", seconds(0)},  // gone by
        {"", std::nullopt},
        {"-5", std::nullopt},
        {"1.5", std::nullopt},
        {"30s", std::nullopt},
        {"Sun, 13 Mar 2011 07:06:50", std::nullopt},
        {"tomorrow", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RetryAfterDelay(c.value, now), c.wait) << "'" << c.value << "'";
    }
    // Past any number a clock holds: a very long wait still, never a short one.
    const std::optional<seconds> huge = RetryAfterDelay("99999999999999999999999", now);
    ASSERT_TRUE(huge.has_value());
    EXPECT_GE(*huge, seconds(600));
}

}  // namespace
}  // namespace kestrova
