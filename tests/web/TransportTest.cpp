#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "WireTest.h"
#include "web/Transport.h"

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
using testing::RespondRaw;
using testing::ServerOptions;

class TransportTest : public testing::WireTest {};

Reply Ok(const std::string& body = "ok") {
    return Respond(200, {}, body);
}

WireRequest Get(const std::string& url) {
    WireRequest request;
    request.url = url;
    return request;
}

PhaseTimeouts AllMs(int ms) {
    return PhaseTimeouts{ms, ms, ms, ms};
}

TEST_F(TransportTest, SendsExactlyTheGivenHeadersInOrderAfterHost) {
    RawServer server([](const CapturedRequest&, int) { return Ok(); });
    WireRequest request = Get(server.Url("/p?q=1&r=%D6%D0"));
    request.headers = {
        {"X-One", "1"}, {"Referer", "http://r.example/"}, {"Accept-Language", "zh-cn"}};
    const WireResponse response = Exchange(request);

    EXPECT_EQ(AsString(response.body), "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head,
              "GET /p?q=1&r=%D6%D0 HTTP/1.1\r\n" + HostLine(server) +
                  "X-One: 1\r\nReferer: http://r.example/\r\nAccept-Language: zh-cn\r\n\r\n");
}

TEST_F(TransportTest, HeaderValuesLoseTheirLeadingBlankOnly) {
    RawServer server([](const CapturedRequest&, int) { return Ok(); });
    WireRequest request = Get(server.Url("/"));
    request.headers = {
        {"Accept", " */*"}, {"X-Tabbed", "\t  v  "}, {"X-Empty", ""}, {"X-Blank", " "}};
    Exchange(request);

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head,
              "GET / HTTP/1.1\r\n" + HostLine(server) +
                  "Accept: */*\r\nX-Tabbed: v  \r\nX-Empty:\r\nX-Blank:\r\n\r\n");
}

TEST_F(TransportTest, HeadersThatWouldBreakTheRequestAreNotSent) {
    RawServer server([](const CapturedRequest&, int) { return Ok(); });
    WireRequest request = Get(server.Url("/"));
    request.headers = {{"X-Split", "a\r\nInjected: yes"},
                       {"Bad Name", "x"},
                       {"", "nameless"},
                       {"X-Lf", "a\nb"},
                       {"X-Kept", "k"}};
    Exchange(request);

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head,
              "GET / HTTP/1.1\r\n" + HostLine(server) + "X-Kept: k\r\n\r\n");
}

TEST_F(TransportTest, PostCarriesItsBodyWithContentLengthAndNothingElse) {
    RawServer server([](const CapturedRequest&, int) { return Ok(); });
    WireRequest request = Get(server.Url("/form"));
    request.method = "POST";
    request.headers = {{"Content-Type", "text/plain"}};
    request.body = {'a', '=', '1', '&', 'b', '=', '2'};
    request.sendBody = true;
    Exchange(request);

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head,
              "POST /form HTTP/1.1\r\n" + HostLine(server) +
                  "Content-Type: text/plain\r\nContent-Length: 7\r\n\r\n");
    EXPECT_EQ(server.Requests()[0].body, "a=1&b=2");
}

TEST_F(TransportTest, LargeBodyGoesWithoutExpectAndWithoutAContentTypeOfCurlsOwn) {
    RawServer server([](const CapturedRequest&, int) { return Ok(); });
    WireRequest request = Get(server.Url("/upload"));
    request.method = "PUT";
    request.body.assign(3 << 20, 'x');
    request.sendBody = true;
    const WireResponse response = Exchange(request);

    EXPECT_EQ(AsString(response.body), "ok");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head,
              "PUT /upload HTTP/1.1\r\n" + HostLine(server) + "Content-Length: 3145728\r\n\r\n");
    EXPECT_EQ(server.Requests()[0].body.size(), 3u << 20);
}

TEST_F(TransportTest, EmptyPostStatesLengthZero) {
    RawServer server([](const CapturedRequest&, int) { return Ok(); });
    WireRequest request = Get(server.Url("/"));
    request.method = "POST";
    request.sendBody = true;
    Exchange(request);

    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head,
              "POST / HTTP/1.1\r\n" + HostLine(server) + "Content-Length: 0\r\n\r\n");
}

TEST_F(TransportTest, HeadDoesNotWaitForABody) {
    RawServer server([](const CapturedRequest&, int) {
        return RespondRaw("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n");
    });
    WireRequest request = Get(server.Url("/"));
    request.method = "HEAD";
    request.timeouts = AllMs(3000);
    WireResponse response;
    const long ms = ElapsedMs([&] { response = Exchange(request); });

    EXPECT_LT(ms, 1500);
    EXPECT_EQ(response.status, 200);
    EXPECT_TRUE(response.body.empty());
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head.substr(0, 16), "HEAD / HTTP/1.1\r");
}

TEST_F(TransportTest, MethodThatIsNotATokenSendsNothing) {
    RawServer server([](const CapturedRequest&, int) { return Ok(); });
    WireRequest request = Get(server.Url("/"));
    request.method = "GET / HTTP/1.0\r\nX:";
    EXPECT_TRUE(Exchange(request).body.empty());
    EXPECT_EQ(server.ConnectionCount(), 0);
}

TEST_F(TransportTest, BodyBytesComeBackWholeZeroBytesIncluded) {
    const std::string body("GIF\0\x01\xff\0tail", 10);
    RawServer server([&](const CapturedRequest&, int) { return Respond(200, {}, body); });
    const WireResponse response = Exchange(Get(server.Url("/")));
    EXPECT_EQ(AsString(response.body), body);
    EXPECT_EQ(response.status, 200);
}

TEST_F(TransportTest, HeaderTextIsTheLastResponsesLinesWithoutStatusLine) {
    RawServer server([](const CapturedRequest&, int) {
        return RespondRaw(
            "HTTP/1.1 100 Continue\r\nX-Interim: 1\r\n\r\n"
            "HTTP/1.1 404 Not Found\r\nServer: test\r\nSet-Cookie: a=1; path=/\r\n"
            "Content-Length: 4\r\n\r\ngone");
    });
    const WireResponse response = Exchange(Get(server.Url("/")));
    EXPECT_EQ(response.status, 404);
    EXPECT_EQ(AsString(response.body), "gone");  // error pages are bodies like any other
    EXPECT_EQ(response.headerText, "Server: test\r\nSet-Cookie: a=1; path=/\r\nContent-Length: 4");
}

TEST_F(TransportTest, ChunkedBodyIsDecoded) {
    RawServer server([](const CapturedRequest&, int) {
        return RespondRaw(
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: "
            "chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n");
    });
    EXPECT_EQ(AsString(Exchange(Get(server.Url("/"))).body), "abcde");
}

// --- time-outs -------------------------------------------------------------

TEST_F(TransportTest, SilentServerEndsTheRequestAtTheReceiveLimit) {
    RawServer server([](const CapturedRequest&, int) {
        return Reply{{ReplyStep{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 5000}}, true};
    });
    WireRequest request = Get(server.Url("/"));
    request.timeouts = PhaseTimeouts{5000, 5000, 5000, 1000};
    WireResponse response;
    const long ms = ElapsedMs([&] { response = Exchange(request); });

    EXPECT_GE(ms, 950);
    EXPECT_LT(ms, 1800);
    EXPECT_TRUE(response.body.empty());
    EXPECT_TRUE(response.headerText.empty());
    EXPECT_EQ(response.status, 0);
}

TEST_F(TransportTest, StallInTheMiddleOfTheBodyLosesEverything) {
    RawServer server([](const CapturedRequest&, int) {
        return Reply{
            {ReplyStep{"HTTP/1.1 200 OK\r\nX-Seen: 1\r\nContent-Length: 10\r\n\r\nhalf", 0},
             ReplyStep{"rest!!", 5000}},
            true};
    });
    WireRequest request = Get(server.Url("/"));
    request.timeouts = AllMs(1000);
    WireResponse response;
    const long ms = ElapsedMs([&] { response = Exchange(request); });

    EXPECT_GE(ms, 950);
    EXPECT_LT(ms, 1800);
    EXPECT_TRUE(response.body.empty());
    EXPECT_TRUE(response.headerText.empty());
}

TEST_F(TransportTest, TricklingBodyKeepsTheRequestAlive) {
    RawServer server([](const CapturedRequest&, int) {
        return Reply{
            {ReplyStep{"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n", 0}, ReplyStep{"a", 500},
             ReplyStep{"b", 500}, ReplyStep{"c", 500}, ReplyStep{"d", 500}},
            true};
    });
    WireRequest request = Get(server.Url("/"));
    request.timeouts = AllMs(1000);
    WireResponse response;
    const long ms = ElapsedMs([&] { response = Exchange(request); });

    EXPECT_EQ(AsString(response.body), "abcd");
    EXPECT_GE(ms, 1900);
}

TEST_F(TransportTest, TricklingHeaderBytesKeepTheRequestAlive) {
    // No header line is complete between the pieces: only the socket shows progress.
    RawServer server([](const CapturedRequest&, int) {
        return Reply{{ReplyStep{"HTTP/1.1 2", 0}, ReplyStep{"00 OK\r\nContent-Le", 700},
                      ReplyStep{"ngth: 2\r", 700}, ReplyStep{"\n\r\nok", 700}},
                     true};
    });
    WireRequest request = Get(server.Url("/"));
    request.timeouts = AllMs(1000);
    const WireResponse response = Exchange(request);
    EXPECT_EQ(AsString(response.body), "ok");
    EXPECT_EQ(response.headerText, "Content-Length: 2");
}

TEST_F(TransportTest, PeerThatStopsReadingEndsTheRequestAtTheSendLimit) {
    ServerOptions options;
    options.readBody = false;
    options.receiveBufferBytes = 4096;
    RawServer server(
        [](const CapturedRequest&, int) {
            return Reply{{ReplyStep{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok", 8000}}, true};
        },
        options);
    WireRequest request = Get(server.Url("/sink"));
    request.method = "POST";
    request.body.assign(64u << 20, 'z');
    request.sendBody = true;
    request.timeouts = PhaseTimeouts{5000, 5000, 1000, 60000};
    WireResponse response;
    const long ms = ElapsedMs([&] { response = Exchange(request); });

    EXPECT_GE(ms, 950);
    EXPECT_LT(ms, 4000);
    EXPECT_TRUE(response.body.empty());
}

TEST_F(TransportTest, RefusedConnectionFailsAtOnce) {
    int port;
    {
        RawServer gone([](const CapturedRequest&, int) { return Ok(); });
        port = gone.Port();
    }
    WireResponse response;
    const long ms = ElapsedMs(
        [&] { response = Exchange(Get("http://127.0.0.1:" + std::to_string(port) + "/")); });
    EXPECT_TRUE(response.body.empty());
    EXPECT_LT(ms, 1000);
}

TEST_F(TransportTest, ConnectionClosedWithoutAnswerGivesNothing) {
    RawServer server([](const CapturedRequest&, int) { return Reply{{}, true}; });
    const WireResponse response = Exchange(Get(server.Url("/")));
    EXPECT_TRUE(response.body.empty());
    EXPECT_TRUE(response.headerText.empty());
}

TEST_F(TransportTest, ShortBodyBeforeCloseGivesNothing) {
    RawServer server([](const CapturedRequest&, int) {
        return RespondRaw("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this");
    });
    EXPECT_TRUE(Exchange(Get(server.Url("/"))).body.empty());
}

TEST_F(TransportTest, ATrickleEndsAtTheDeadlineTheSumOfThePhaseLimits) {
    // A byte every 400 ms never lets the 1 s inactivity limit run out.
    RawServer server([](const CapturedRequest&, int) {
        Reply reply{{ReplyStep{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n", 0}}, true};
        for (int i = 0; i < 100; ++i) {
            reply.steps.push_back(ReplyStep{"x", 400});
        }
        return reply;
    });
    WireRequest request = Get(server.Url("/"));
    request.timeouts = PhaseTimeouts{500, 1000, 1000, 1000};
    WireResponse response;
    const long ms = ElapsedMs([&] { response = Exchange(request); });
    EXPECT_GE(ms, 3400);
    EXPECT_LT(ms, 4500);
    EXPECT_TRUE(response.body.empty());
    EXPECT_EQ(response.status, 0);
}

TEST_F(TransportTest, TheDeadlineCountsEveryRedirectHop) {
    // Each hop takes 2.6 s, within every limit; the 4 s deadline falls well
    // inside the second hop, so neither hop's end races it.
    RawServer server([](const CapturedRequest& request, int) {
        const std::string head = request.head.find("GET /3 ") == 0
                                     ? "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\n"
                                     : "HTTP/1.1 302 Found\r\nLocation: /" +
                                           std::string(1, static_cast<char>(request.head[5] + 1)) +
                                           "\r\nContent-Length: 4\r\n\r\n";
        return Reply{{ReplyStep{head, 0}, ReplyStep{"a", 650}, ReplyStep{"b", 650},
                      ReplyStep{"c", 650}, ReplyStep{"d", 650}},
                     true};
    });
    WireRequest request = Get(server.Url("/1"));
    request.timeouts = AllMs(1000);
    WireResponse response;
    const long ms = ElapsedMs([&] { response = Exchange(request); });
    EXPECT_GE(ms, 3900);
    EXPECT_LT(ms, 5000);
    EXPECT_TRUE(response.body.empty());
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(TransportTest, NoDeadlineWithoutALimitForEveryPhase) {
    RawServer server([](const CapturedRequest&, int) {
        return Reply{{ReplyStep{"HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\n", 0},
                      ReplyStep{"a", 700}, ReplyStep{"b", 700}, ReplyStep{"c", 700}},
                     true};
    });
    WireRequest request = Get(server.Url("/"));
    request.timeouts = PhaseTimeouts{0, 500, 500, 1000};
    EXPECT_EQ(AsString(Exchange(request).body), "abc");
}

// Bytes on the wire, not only the body, count: framing that never adds to the
// body fails the answer once it passes the cap and its allowance.
TEST_F(TransportTest, FramingWithoutEndStopsAtTheCap) {
    const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const std::string extension(3u << 20, 'e');
    const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
    std::string interims;
    while (interims.size() < (3u << 20)) {
        interims += interim;
    }
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        // one chunk extension that never ends
        {"EndlessExtension", chunked + "1;" + extension},
        // a byte of body per long extension, and an end, too late
        {"LongExtensions", chunked + "1;" + extension.substr(0, 700000) + "\r\na\r\n1;" +
                               extension.substr(0, 700000) + "\r\nb\r\n1;" +
                               extension.substr(0, 700000) + "\r\nc\r\n0\r\n\r\n"},
        // interim heads without end never give a final one
        {"EndlessInterimHeads", interims},
    };
    for (const auto& c : cases) {
        RawServer server([&](const CapturedRequest&, int) {
            return Reply{{ReplyStep{c.bytes, 0}, ReplyStep{"", 10000}}, true};
        });
        WireRequest request = Get(server.Url("/"));
        request.maxBodyBytes = 1000;
        request.timeouts = AllMs(5000);
        WireResponse response;
        const long ms = ElapsedMs([&] { response = Exchange(request); });
        EXPECT_LT(ms, 2500) << c.name;
        EXPECT_EQ(response.status, 0) << c.name;
        EXPECT_TRUE(response.body.empty()) << c.name;
    }
}

TEST_F(TransportTest, HonestChunkedFramingFitsTheAllowance) {
    // A 1000-byte body in chunks of one byte: six bytes on the wire for each.
    std::string bytes = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    std::string body;
    for (int i = 0; i < 1000; ++i) {
        body += static_cast<char>('a' + i % 26);
        bytes += "1;n=v\r\n" + body.substr(body.size() - 1) + "\r\n";
    }
    bytes += "0\r\n\r\n";
    RawServer server([&](const CapturedRequest&, int) { return RespondRaw(bytes); });
    WireRequest request = Get(server.Url("/"));
    request.maxBodyBytes = 1000;
    EXPECT_EQ(AsString(Exchange(request).body), body);
}

// --- redirects -------------------------------------------------------------

TEST_F(TransportTest, RedirectIsFollowedToTheFinalPage) {
    RawServer server([](const CapturedRequest& request, int) {
        if (request.head.rfind("GET /start ", 0) == 0) {
            return Respond(302, {"Location: final?x=1", "X-First: yes"}, "moved");
        }
        return Respond(200, {"X-Final: yes"}, "final page");
    });
    WireRequest request = Get(server.Url("/start"));
    request.headers = {{"Referer", "http://r.example/"}};
    const WireResponse response = Exchange(request);

    EXPECT_EQ(AsString(response.body), "final page");
    EXPECT_EQ(response.status, 200);
    EXPECT_EQ(response.headerText, "X-Final: yes\r\nContent-Length: 10");
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].head, "GET /final?x=1 HTTP/1.1\r\n" + HostLine(server) +
                                    "Referer: http://r.example/\r\n\r\n");
}

TEST_F(TransportTest, RedirectOffReturnsTheRedirectItself) {
    RawServer server([](const CapturedRequest&, int) {
        return Respond(301, {"Location: /elsewhere"}, "moved");
    });
    WireRequest request = Get(server.Url("/start"));
    request.followRedirects = false;
    const WireResponse response = Exchange(request);

    EXPECT_EQ(response.status, 301);
    EXPECT_EQ(AsString(response.body), "moved");
    EXPECT_EQ(response.headerText, "Location: /elsewhere\r\nContent-Length: 5");
    EXPECT_EQ(server.Requests().size(), 1u);
}

TEST_F(TransportTest, PostTurnsIntoGetAfter302AndStaysPostAfter307) {
    for (const int status : {302, 307}) {
        RawServer server([status](const CapturedRequest& request, int) {
            if (request.head.find(" /first ") != std::string::npos) {
                return Respond(status, {"Location: /second"}, "");
            }
            return Ok();
        });
        WireRequest request = Get(server.Url("/first"));
        request.method = "POST";
        request.body = {'k', '=', 'v'};
        request.sendBody = true;
        Exchange(request);

        const auto requests = server.Requests();
        ASSERT_EQ(requests.size(), 2u) << status;
        if (status == 302) {
            EXPECT_EQ(requests[1].head, "GET /second HTTP/1.1\r\n" + HostLine(server) + "\r\n");
        } else {
            EXPECT_EQ(requests[1].head,
                      "POST /second HTTP/1.1\r\n" + HostLine(server) + "Content-Length: 3\r\n\r\n");
            EXPECT_EQ(requests[1].body, "k=v");
        }
    }
}

TEST_F(TransportTest, EveryRedirectStatusIsFollowedAndNoOther) {
    const struct {
        int status;
        bool followed;
    } cases[] = {{301, true},  {302, true},  {303, true},  {307, true},  {308, true},
                 {300, false}, {304, false}, {305, false}, {306, false}, {309, false},
                 {200, false}, {201, false}, {399, false}};
    for (const auto& c : cases) {
        RawServer server([&c](const CapturedRequest& request, int) {
            if (request.head.find("GET /from ") == 0) {
                return c.status == 304 ? RespondRaw(
                                             "HTTP/1.1 304 Not Modified\r\nLocation: "
                                             "/to\r\n\r\n")
                                       : Respond(c.status, {"Location: /to"}, "first");
            }
            return Ok("second");
        });
        const WireResponse response = Exchange(Get(server.Url("/from")));
        EXPECT_EQ(server.Requests().size(), c.followed ? 2u : 1u) << c.status;
        EXPECT_EQ(response.status, c.followed ? 200 : c.status) << c.status;
        EXPECT_EQ(AsString(response.body), c.followed        ? "second"
                                           : c.status == 304 ? ""
                                                             : "first")
            << c.status;
    }
}

TEST_F(TransportTest, LocationIsFoundInAnyLetterCaseAndByItsWholeName) {
    const struct {
        const char* line;
        bool followed;
    } cases[] = {{"Location: /to", true},          {"location: /to", true},
                 {"LOCATION: /to", true},          {"lOcAtIoN:/to", true},
                 {"Content-Location: /to", false}, {"X-Location: /to", false},
                 {"Locations: /to", false}};
    for (const auto& c : cases) {
        RawServer server([&c](const CapturedRequest& request, int) {
            if (request.head.find("GET /from ") == 0) {
                return Respond(302, {c.line}, "first");
            }
            return Ok("second");
        });
        const WireResponse response = Exchange(Get(server.Url("/from")));
        EXPECT_EQ(AsString(response.body), c.followed ? "second" : "first") << c.line;
    }
}

// Under connect-to the wire is plain http, but the addresses keep their
// schemes: a redirect that leaves https for http is refused all the same.
TEST_F(TransportTest, RedirectFromHttpsToHttpIsRefused) {
    const struct {
        const char* from;
        const char* location;
        bool followed;
    } cases[] = {
        {"https://a.example/from", "http://a.example/to", false},
        {"https://a.example/from", "HTTP://b.example/to", false},
        {"https://a.example/from", "https://b.example/to", true},
        {"https://a.example/from", "HTTPS://b.example/to", true},
        {"https://a.example/from", "/to", true},
        {"https://a.example/from", "//b.example/to", true},
        {"http://a.example/from", "http://b.example/to", true},
        {"http://a.example/from", "https://b.example/to", true},
    };
    for (const auto& c : cases) {
        RawServer server([&c](const CapturedRequest& request, int) {
            if (request.head.find("GET /from ") == 0) {
                return Respond(302, {std::string("Location: ") + c.location}, "first");
            }
            return Ok("second");
        });
        SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});
        const WireResponse response = Exchange(Get(c.from));
        EXPECT_EQ(AsString(response.body), c.followed ? "second" : "")
            << c.from << " " << c.location;
        EXPECT_EQ(server.Requests().size(), c.followed ? 2u : 1u) << c.from << " " << c.location;
    }
}

// Once on http, every later hop may leave https behind only if it never had it.
TEST_F(TransportTest, AnHttpsHopKeepsTheChainFromFallingBackToHttp) {
    RawServer server([](const CapturedRequest& request, int) {
        if (request.head.find("GET /one ") == 0) {
            return Respond(302, {"Location: https://b.example/two"}, "");
        }
        if (request.head.find("GET /two ") == 0) {
            return Respond(302, {"Location: /three"}, "");
        }
        if (request.head.find("GET /three ") == 0) {
            return Respond(302, {"Location: http://c.example/four"}, "");
        }
        return Ok("four");
    });
    SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});
    EXPECT_TRUE(Exchange(Get("http://a.example/one")).body.empty());
    EXPECT_EQ(server.Requests().size(), 3u);
}

// /hop/N redirects to /hop/N+1 until N reaches `last`, which answers.
Reply HopChain(const CapturedRequest& request, int last) {
    const std::size_t at = request.head.find("/hop/");
    const int n = std::atoi(request.head.c_str() + at + 5);
    if (n >= last) {
        return Ok("arrived");
    }
    return Respond(302, {"Location: /hop/" + std::to_string(n + 1)}, "");
}

TEST_F(TransportTest, TenRedirectsAreFollowedButNotEleven) {
    {
        RawServer server([](const CapturedRequest& r, int) { return HopChain(r, 10); });
        EXPECT_EQ(AsString(Exchange(Get(server.Url("/hop/0"))).body), "arrived");
        EXPECT_EQ(server.Requests().size(), 11u);
    }
    {
        RawServer server([](const CapturedRequest& r, int) { return HopChain(r, 11); });
        const WireResponse response = Exchange(Get(server.Url("/hop/0")));
        EXPECT_TRUE(response.body.empty());
        EXPECT_TRUE(response.headerText.empty());
        EXPECT_EQ(server.Requests().size(), 11u);
    }
}

TEST_F(TransportTest, RedirectLoopStops) {
    RawServer server(
        [](const CapturedRequest&, int) { return Respond(302, {"Location: /loop"}, "again"); });
    WireResponse response;
    const long ms = ElapsedMs([&] { response = Exchange(Get(server.Url("/loop"))); });
    EXPECT_TRUE(response.body.empty());
    EXPECT_EQ(server.Requests().size(), 11u);
    EXPECT_LT(ms, 3000);
}

TEST_F(TransportTest, RedirectToAnotherSchemeIsNotFollowed) {
    RawServer ftp([](const CapturedRequest&, int) { return Ok("ftp reached"); });
    const std::string targets[] = {
        "file:///etc/hostname",
        "ftp://127.0.0.1:" + std::to_string(ftp.Port()) + "/x",
        "javascript:alert(1)",
    };
    for (const std::string& target : targets) {
        RawServer server([&](const CapturedRequest&, int) {
            return Respond(302, {"Location: " + target}, "x");
        });
        const WireResponse response = Exchange(Get(server.Url("/")));
        EXPECT_TRUE(response.body.empty()) << target;
        EXPECT_EQ(server.Requests().size(), 1u) << target;
    }
    EXPECT_EQ(ftp.ConnectionCount(), 0);
}

// --- what is fetched at all ------------------------------------------------

TEST_F(TransportTest, OnlyHttpAndHttpsAddressesAreFetched) {
    const std::string path = ::testing::TempDir() + "kestrova_transport_file.txt";
    std::ofstream(path) << "file content";
    RawServer server([](const CapturedRequest&, int) { return Ok("reached"); });
    const std::string port = std::to_string(server.Port());
    const std::string addresses[] = {
        "file://" + path,
        "ftp://127.0.0.1:" + port + "/",
        "gopher://127.0.0.1:" + port + "/",
        "javascript:alert(1)",
        "/" + path,
        "127.0.0.1:" + port + "/x",
        "",
    };
    for (const std::string& address : addresses) {
        const WireResponse response = Exchange(Get(address));
        EXPECT_TRUE(response.body.empty()) << address;
        EXPECT_EQ(response.status, 0) << address;
    }
    EXPECT_EQ(server.ConnectionCount(), 0);
    std::remove(path.c_str());
    // The scheme is case-insensitive; GBK bytes in a page's address are
    // escaped, and a space in it makes it no address at all.
    EXPECT_TRUE(Exchange(Get("HTTP://127.0.0.1:" + port + "/a b")).body.empty());
    EXPECT_EQ(AsString(Exchange(Get("HTTP://127.0.0.1:" + port + "/a\xD6\xD0")).body), "reached");
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].head.substr(0, 24), "GET /a%D6%D0 HTTP/1.1\r\nH");
}

TEST_F(TransportTest, ConnectToSendsEveryHostToTheTargetOverPlainHttp) {
    RawServer server([](const CapturedRequest& request, int) {
        if (request.head.find("GET /go ") == 0) {
            return Respond(302, {"Location: https://logo.taobao.com/shop-logo?id=1"}, "");
        }
        return Ok("served");
    });
    SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});

    EXPECT_EQ(AsString(Exchange(Get("http://member1.taobao.com/member/x?y=1")).body), "served");
    EXPECT_EQ(AsString(Exchange(Get("https://rate.taobao.com/member_rate.htm")).body), "served");
    EXPECT_EQ(AsString(Exchange(Get("http://favorite.taobao.com:8080/go")).body), "served");

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].head, "GET /member/x?y=1 HTTP/1.1\r\nHost: member1.taobao.com\r\n\r\n");
    EXPECT_EQ(requests[1].head, "GET /member_rate.htm HTTP/1.1\r\nHost: rate.taobao.com\r\n\r\n");
    EXPECT_EQ(requests[2].head, "GET /go HTTP/1.1\r\nHost: favorite.taobao.com:8080\r\n\r\n");
    EXPECT_EQ(requests[3].head, "GET /shop-logo?id=1 HTTP/1.1\r\nHost: logo.taobao.com\r\n\r\n");
}

TEST_F(TransportTest, BodyIsCutAtTheCapAndKept) {
    std::string big(50000, 'b');
    for (std::size_t i = 0; i < big.size(); ++i) {
        big[i] = static_cast<char>('a' + i % 26);
    }
    RawServer server([&](const CapturedRequest&, int) { return Respond(200, {"X-Big: 1"}, big); });
    WireRequest request = Get(server.Url("/"));
    request.maxBodyBytes = 1000;
    const WireResponse cut = Exchange(request);
    EXPECT_EQ(AsString(cut.body), big.substr(0, 1000));
    EXPECT_EQ(cut.status, 200);
    EXPECT_EQ(cut.headerText, "X-Big: 1\r\nContent-Length: 50000");

    request.maxBodyBytes = big.size();
    EXPECT_EQ(Exchange(request).body.size(), big.size());
}

}  // namespace
}  // namespace kestrova
