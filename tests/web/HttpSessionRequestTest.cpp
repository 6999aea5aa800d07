#include <gtest/gtest.h>

#include <climits>

#include "WireTest.h"
#include "web/HttpSessionRequest.h"

namespace kestrova {
namespace {

using testing::AsString;
using testing::CapturedRequest;
using testing::ElapsedMs;
using testing::HostLine;
using testing::RawServer;
using testing::Reply;
using testing::ReplyStep;
using testing::Respond;

class HttpSessionRequestTest : public testing::WireTest {};

const std::string kDefaultTail =
    "Accept: */*\r\n"
    "Accept-Language: zh-cn\r\n"
    "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; Trident/5.0)\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n\r\n";

TEST_F(HttpSessionRequestTest, UrlAloneIsAGetWithTheDefaultBlock) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "page"); });
    const Text url = server.Url("/member_rate.htm?user_id=7&result=1");
    EXPECT_EQ(AsString(HttpSessionRequest(url)), "page");

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head, "GET /member_rate.htm?user_id=7&result=1 HTTP/1.1\r\n" +
                                             HostLine(server) + "Referer: " + url + "\r\n" +
                                             kDefaultTail);
}

TEST_F(HttpSessionRequestTest, DefaultsAreWrittenBack) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "page"); });
    const Text url = server.Url("/x");
    HttpSessionParams params;
    HttpSessionRequest(url, params);
    EXPECT_EQ(params.method, "GET");
    EXPECT_EQ(params.headerLines, "Referer: " + url + kDefaultHeaderTail);
    EXPECT_EQ(params.cookies, "");
    EXPECT_EQ(params.receivedCookies, "");
    EXPECT_EQ(params.redirectTarget, "");
    EXPECT_EQ(params.responseHeaders, "Content-Length: 4");
}

TEST(SessionRequestTimeouts, FromTheTimeoutParameter) {
    const struct {
        int seconds;
        int ms;
    } cases[] = {{0, 15000},  {-2, 15000}, {INT_MIN, 15000},  {1, 1000},
                 {10, 10000}, {15, 15000}, {INT_MAX, INT_MAX}};
    for (const auto& c : cases) {
        const PhaseTimeouts t = SessionRequestTimeouts(c.seconds);
        EXPECT_EQ(t.resolveMs, c.ms) << c.seconds;
        EXPECT_EQ(t.connectMs, c.ms) << c.seconds;
        EXPECT_EQ(t.sendMs, c.ms) << c.seconds;
        EXPECT_EQ(t.receiveMs, c.ms) << c.seconds;
    }
    const PhaseTimeouts own = SessionRequestTimeouts(-1);
    EXPECT_EQ(own.resolveMs, kTransportDefaultTimeouts.resolveMs);
    EXPECT_EQ(own.connectMs, kTransportDefaultTimeouts.connectMs);
    EXPECT_EQ(own.sendMs, kTransportDefaultTimeouts.sendMs);
    EXPECT_EQ(own.receiveMs, kTransportDefaultTimeouts.receiveMs);
}

TEST_F(HttpSessionRequestTest, TimeoutOfOneSecondEndsASilentRequest) {
    RawServer server([](const CapturedRequest&, int) {
        return Reply{{ReplyStep{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 5000}}, true};
    });
    HttpSessionParams params;
    params.timeoutSeconds = 1;
    ByteBuffer body;
    const long ms = ElapsedMs([&] { body = HttpSessionRequest(server.Url("/"), params); });
    EXPECT_TRUE(body.empty());
    EXPECT_TRUE(params.responseHeaders.empty());
    EXPECT_GE(ms, 950);
    EXPECT_LT(ms, 1800);
}

TEST_F(HttpSessionRequestTest, MethodIsUpperCasedAndWrittenBack) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "done"); });
    HttpSessionParams params;
    params.method = "post";
    params.bodyText = "a=1";
    params.headerLines = "Content-Type: application/x-www-form-urlencoded";
    EXPECT_EQ(AsString(HttpSessionRequest(server.Url("/f"), params)), "done");
    EXPECT_EQ(params.method, "POST");

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head,
              "POST /f HTTP/1.1\r\n" + HostLine(server) +
                  "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n\r\n");
    EXPECT_EQ(server.Requests()[0].body, "a=1");
}

// Every method through the session layer with the default block: GET and HEAD
// state no body (a HEAD that did would leave the server waiting for one), every
// other method its length, even when it is 0; a method that is not a token
// sends nothing at all.
TEST_F(HttpSessionRequestTest, EveryMethodGoesOutAsItShould) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "answer"); });
    const struct {
        const char* given;
        const char* sent;  // nullptr: nothing goes out
        const char* length;
        const char* answer;
    } cases[] = {
        {"", "GET", "", "answer"},
        {"get", "GET", "", "answer"},
        {"head", "HEAD", "", ""},
        {"post", "POST", "Content-Length: 0\r\n", "answer"},
        {"put", "PUT", "Content-Length: 0\r\n", "answer"},
        {"delete", "DELETE", "Content-Length: 0\r\n", "answer"},
        {"options", "OPTIONS", "Content-Length: 0\r\n", "answer"},
        {"patch", "PATCH", "Content-Length: 0\r\n", "answer"},
        {"propfind", "PROPFIND", "Content-Length: 0\r\n", "answer"},
        {"GET /x HTTP/1.0\r\nX:", nullptr, "", ""},
        {"GE T", nullptr, "", ""},
    };
    for (const auto& c : cases) {
        const std::size_t before = server.Requests().size();
        const Text url = server.Url("/m");
        HttpSessionParams params;
        params.method = c.given;
        params.timeoutSeconds = 2;
        ByteBuffer body;
        const long ms = ElapsedMs([&] { body = HttpSessionRequest(url, params); });
        EXPECT_LT(ms, 1000) << c.given;
        EXPECT_EQ(AsString(body), c.answer) << c.given;
        const auto requests = server.Requests();
        if (c.sent == nullptr) {
            EXPECT_EQ(requests.size(), before) << c.given;
            continue;
        }
        ASSERT_EQ(requests.size(), before + 1) << c.given;
        EXPECT_EQ(requests.back().head,
                  std::string(c.sent) + " /m HTTP/1.1\r\n" + HostLine(server) + "Referer: " + url +
                      "\r\n" + kDefaultTail.substr(0, kDefaultTail.size() - 2) + c.length + "\r\n")
            << c.given;
    }
}

TEST_F(HttpSessionRequestTest, BodyBytesGoInsteadOfBodyText) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, ""); });
    HttpSessionParams params;
    params.method = "POST";
    params.bodyText = "text";
    params.bodyBytes = {0x00, 0xFF, 0x01};
    params.headerLines = "X-A: 1";
    HttpSessionRequest(server.Url("/"), params);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].body, std::string("\0\xFF\x01", 3));
}

TEST_F(HttpSessionRequestTest, HeaderLinesAreSplitAtLineBreaksAndFirstColons) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, ""); });
    const struct {
        Text lines;
        std::string sent;
    } cases[] = {
        {"X-Test: a:b:c", "X-Test: a:b:c\r\n"},
        {"X-Test: a:b:c\r\nNo colon here\r\nX-Two:2\r\n", "X-Test: a:b:c\r\nX-Two: 2\r\n"},
        {"No colon at all", ""},
        {"X-Url: http://host:81/p\r\n\r\nX-After: blank line",
         "X-Url: http://host:81/p\r\nX-After: blank line\r\n"},
        {"X-Empty:\r\nX-Next: n", "X-Empty:\r\nX-Next: n\r\n"},
        {"X-Trailing-Colon: a:", "X-Trailing-Colon: a:\r\n"},
    };
    for (const auto& c : cases) {
        HttpSessionParams params;
        params.headerLines = c.lines;
        HttpSessionRequest(server.Url("/h"), params);
        EXPECT_EQ(params.headerLines, c.lines);
        const auto requests = server.Requests();
        EXPECT_EQ(requests.back().head, "GET /h HTTP/1.1\r\n" + HostLine(server) + c.sent + "\r\n")
            << c.lines;
    }
}

TEST_F(HttpSessionRequestTest, CookieGoesBeforeTheHeaderLines) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, ""); });
    HttpSessionParams params;
    params.cookies = "sid=42; lang=zh";
    params.headerLines = "X-A: 1";
    HttpSessionRequest(server.Url("/"), params);
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head, "GET / HTTP/1.1\r\n" + HostLine(server) +
                                             "Cookie: sid=42; lang=zh\r\nX-A: 1\r\n\r\n");
    EXPECT_EQ(params.cookies, "sid=42; lang=zh; ");
}

TEST_F(HttpSessionRequestTest, SetCookieLinesAreCollectedAndMerged) {
    RawServer server([](const CapturedRequest&, int) {
        return Respond(200, {"Set-Cookie: a=1; path=/", "Set-Cookie: b=deleted; path=/"}, "x");
    });
    HttpSessionParams params;
    HttpSessionRequest(server.Url("/"), params);
    EXPECT_EQ(params.receivedCookies, "a=1; b=deleted; ");
    EXPECT_EQ(params.cookies, "a=1; ");
    EXPECT_EQ(params.responseHeaders,
              "Set-Cookie: a=1; path=/\r\nSet-Cookie: b=deleted; path=/\r\nContent-Length: 1");
}

TEST_F(HttpSessionRequestTest, ReceivedCookiesReplaceOldOnesOfTheSameName) {
    RawServer server([](const CapturedRequest&, int) {
        return Respond(
            200,
            {"Set-Cookie: sid=new; path=/", "Set-Cookie: gone=deleted", "Set-Cookie: extra=3;"},
            "");
    });
    HttpSessionParams params;
    params.cookies = "SID=old; gone=1; keep=2";
    params.receivedCookies = "stale=1; ";
    HttpSessionRequest(server.Url("/"), params);
    // A Set-Cookie line without ";" contributes an empty item.
    EXPECT_EQ(params.receivedCookies, "sid=new; ; extra=3; ");
    EXPECT_EQ(params.cookies, "sid=new; gone=1; keep=2; extra=3; ");
}

TEST_F(HttpSessionRequestTest, RedirectsAreFollowedUnlessSwitchedOff) {
    RawServer server([](const CapturedRequest& request, int) {
        if (request.head.find("GET /old ") == 0) {
            return Respond(302, {"Location:   /new  ", "Set-Cookie: hop=1; path=/"}, "moved");
        }
        return Respond(200, {}, "new page");
    });
    HttpSessionParams followed;
    EXPECT_EQ(AsString(HttpSessionRequest(server.Url("/old"), followed)), "new page");
    EXPECT_EQ(followed.redirectTarget, "");
    EXPECT_EQ(followed.receivedCookies, "");

    HttpSessionParams stopped;
    stopped.redirectsOff = true;
    stopped.redirectTarget = "left over";
    EXPECT_EQ(AsString(HttpSessionRequest(server.Url("/old"), stopped)), "moved");
    EXPECT_EQ(stopped.redirectTarget, "/new");
    EXPECT_EQ(stopped.receivedCookies, "hop=1; ");
    EXPECT_EQ(server.Requests().size(), 3u);
}

TEST_F(HttpSessionRequestTest, BodyIsReturnedByteForByte) {
    const std::string body("\xD6\xD0\x00\x80\xFF\r\n", 7);
    RawServer server([&](const CapturedRequest&, int) { return Respond(200, {}, body); });
    EXPECT_EQ(AsString(HttpSessionRequest(server.Url("/"))), body);
}

TEST_F(HttpSessionRequestTest, FailedRequestLeavesEmptyResults) {
    int port;
    {
        RawServer gone([](const CapturedRequest&, int) { return Respond(200, {}, ""); });
        port = gone.Port();
    }
    HttpSessionParams params;
    params.cookies = "k=v";
    params.receivedCookies = "old=1; ";
    params.responseHeaders = "old";
    EXPECT_TRUE(
        HttpSessionRequest("http://127.0.0.1:" + std::to_string(port) + "/", params).empty());
    EXPECT_EQ(params.responseHeaders, "");
    EXPECT_EQ(params.receivedCookies, "");
    EXPECT_EQ(params.cookies, "k=v; ");
    EXPECT_TRUE(HttpSessionRequest("file:///etc/hostname").empty());
}

}  // namespace
}  // namespace kestrova
