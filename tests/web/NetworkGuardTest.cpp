// The network guard and the address cleaning: every address form through the
// classifier, loopback in every spelling refused on real sockets (and reached
// once private addresses are allowed, so that the refusal is the guard's), a
// warning that names the host, and addresses with line breaks that never turn
// into a header of their own.

#include <netdb.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "WireTest.h"
#include "web/CleanAddress.h"
#include "web/HttpSessionRequest.h"
#include "web/NetworkGuard.h"
#include "web/PictureFetch.h"
#include "web/Transport.h"

namespace kestrova {
namespace {

using testing::AsString;
using testing::CapturedRequest;
using testing::RawServer;
using testing::Respond;
using testing::ServerOptions;

WireRequest Get(const std::string& url) {
    WireRequest request;
    request.url = url;
    return request;
}

// The address as the resolver gives it for a numeric host: the legacy IPv4
// spellings (octal, hexadecimal, one number, fewer parts) included.
bool IsPublic(const std::string& numeric) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICHOST;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(numeric.c_str(), "80", &hints, &found) != 0) {
        ADD_FAILURE() << numeric << " is not a numeric address";
        return true;
    }
    const bool result = IsPublicAddress(found->ai_addr, found->ai_addrlen);
    ::freeaddrinfo(found);
    return result;
}

TEST(NetworkGuard, ClassifiesEveryAddressForm) {
    const char* const nonPublic[] = {
        // loopback, in every spelling a page could use
        "127.0.0.1", "127.255.255.254", "0177.0.0.1", "0x7f000001", "2130706433", "127.1",
        "0x7f.0.0.1", "::1", "0:0:0:0:0:0:0:1", "::ffff:127.0.0.1", "::ffff:7f00:1", "::127.0.0.1",
        // this network and unspecified
        "0.0.0.0", "0.1.2.3", "0", "::", "::ffff:0.0.0.0",
        // private (RFC 1918), edges included
        "10.0.0.0", "10.255.255.255", "172.16.0.0", "172.31.255.255", "192.168.0.0",
        "192.168.255.255", "::ffff:10.0.0.1", "::ffff:192.168.1.1", "::10.1.2.3",
        // shared address space
        "100.64.0.0", "100.127.255.255",
        // link-local, the cloud metadata address among them
        "169.254.0.0", "169.254.169.254", "169.254.255.255", "::ffff:169.254.169.254", "fe80::1",
        "febf:ffff::1",
        // unique-local and the old site-local
        "fc00::1", "fd12:3456:789a::1", "fdff:ffff::1", "fec0::1",
        // multicast, reserved, broadcast
        "224.0.0.1", "239.255.255.255", "ff02::1", "ff0e::1", "240.0.0.1", "255.255.255.255",
        "::ffff:224.0.0.1"};
    for (const char* address : nonPublic) {
        EXPECT_FALSE(IsPublic(address)) << address;
    }
    const char* const publicOnes[] = {
        // just outside each range
        "9.255.255.255", "11.0.0.0", "126.255.255.255", "128.0.0.0", "172.15.255.255", "172.32.0.0",
        "192.167.255.255", "192.169.0.0", "100.63.255.255", "100.128.0.0", "169.253.255.255",
        "169.255.0.0", "1.0.0.0", "223.255.255.255", "fbff:ffff::1", "fe7f::1",
        // ordinary hosts and the documentation ranges
        "8.8.8.8", "140.205.94.189", "203.0.113.7", "192.0.2.1", "198.51.100.1", "::ffff:8.8.8.8",
        "::ffff:203.0.113.7", "2001:db8::1", "2400:3200::1", "2606:4700::1111"};
    for (const char* address : publicOnes) {
        EXPECT_TRUE(IsPublic(address)) << address;
    }
    sockaddr local{};
    local.sa_family = AF_UNIX;
    EXPECT_FALSE(IsPublicAddress(&local, sizeof local));
    EXPECT_FALSE(IsPublicAddress(nullptr, 0));
}

TEST(CleanAddress, AsABrowserCleansWhatItIsGiven) {
    const struct {
        std::string given;
        std::optional<std::string> cleaned;
    } cases[] = {
        {"http://a.example/p?q=1", "http://a.example/p?q=1"},
        {"http://a.example/\xD6\xD0", "http://a.example/\xD6\xD0"},  // GBK stays
        {"", ""},
        {"  http://a.example/  ", "http://a.example/"},
        {std::string("\0\x01\x1f http://a.example/\x1f\0", 22), "http://a.example/"},
        {"http://a.exa\tmple/x\r\ny", "http://a.example/xy"},
        {"http://a.example/x\r\nX-Injected:yes", "http://a.example/xX-Injected:yes"},
        {"\r\n\t", ""},
        // still a control byte or a space inside: no address at all
        {"http://a.example/x\r\nMetadata-Flavor: Google", std::nullopt},
        {"http://a.example/a b", std::nullopt},
        {"http://a.example/a\x01"
         "b",
         std::nullopt},
        {std::string("http://a.example/a\0b", 20), std::nullopt},
        {"http://a.example/a\x1b[2Jb", std::nullopt},
        {"http://a.example/\x7f", std::nullopt},
        {"http://a.example/x\r\n http://b.example/", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CleanAddress(c.given), c.cleaned) << c.given;
    }
}

TEST(NetworkGuardDeathTest, EnvironmentAllowsPrivateAddressesWhenNothingWasSet) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        const char* value;
        bool allowed;
    } cases[] = {{"1", true},  {"true", true}, {"YES", true}, {"on", true},
                 {"0", false}, {"", false},    {"2", false},  {"no", false}};
    for (const auto& c : cases) {
        EXPECT_EXIT(
            {
                setenv("KESTROVA_ALLOW_PRIVATE_NETWORK", c.value, 1);
                const bool allowed = PrivateNetworkAllowed() && NetworkGuardInForce() == false;
                SetPrivateNetworkAllowed(!c.allowed);
                const bool setWins = PrivateNetworkAllowed() == !c.allowed;
                std::exit(allowed == c.allowed && setWins ? 0 : 1);
            },
            ::testing::ExitedWithCode(0), "")
            << c.value;
    }
    EXPECT_EXIT(
        {
            unsetenv("KESTROVA_ALLOW_PRIVATE_NETWORK");
            const bool guarded = NetworkGuardInForce();
            SetConnectTo(ConnectTarget{"127.0.0.1", 80});
            std::exit(guarded && !NetworkGuardInForce() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

// What this process writes to standard error while it lives.
class StderrCapture {
  public:
    StderrCapture() : path_(::testing::TempDir() + "kestrova_stderr_" + std::to_string(getpid())) {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        std::FILE* file = std::fopen(path_.c_str(), "w");
        ::dup2(::fileno(file), STDERR_FILENO);
        std::fclose(file);
    }
    ~StderrCapture() {
        Restore();
        std::remove(path_.c_str());
    }
    std::string Text() {
        Restore();
        std::ifstream in(path_);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    void Restore() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
    }
    std::string path_;
    int saved_ = -1;
};

class GuardedTransport : public testing::WireTest {
  protected:
    void SetUp() override {
        WireTest::SetUp();
        SetPrivateNetworkAllowed(false);
    }
};

TEST_F(GuardedTransport, LoopbackInEverySpellingIsRefusedAtConnectTime) {
    RawServer v4([](const CapturedRequest&, int) { return Respond(200, {}, "reached"); });
    ServerOptions v6options;
    v6options.ipv6 = true;
    RawServer v6([](const CapturedRequest&, int) { return Respond(200, {}, "reached"); },
                 v6options);
    const std::string p4 = std::to_string(v4.Port());
    const std::string p6 = std::to_string(v6.Port());
    const std::vector<std::string> addresses = {
        "http://127.0.0.1:" + p4 + "/",
        "http://0177.0.0.1:" + p4 + "/",
        "http://0x7f000001:" + p4 + "/",
        "http://2130706433:" + p4 + "/",
        "http://127.1:" + p4 + "/",
        "http://0x7f.0.0.1:" + p4 + "/",
        "http://[::ffff:127.0.0.1]:" + p4 + "/",
        "http://[::ffff:7f00:1]:" + p4 + "/",
        "http://localhost:" + p4 + "/",
        "http://LocalHost:" + p4 + "/",
        "http://[::1]:" + p6 + "/",
        "http://[0:0:0:0:0:0:0:1]:" + p6 + "/",
    };
    for (const std::string& address : addresses) {
        const WireResponse refused = Exchange(Get(address));
        EXPECT_TRUE(refused.body.empty()) << address;
        EXPECT_EQ(refused.status, 0) << address;
    }
    EXPECT_EQ(v4.ConnectionCount(), 0);
    EXPECT_EQ(v6.ConnectionCount(), 0);

    // The same addresses reach the servers once the user allows it: every one
    // of them is a working spelling, refused by the guard alone.
    SetPrivateNetworkAllowed(true);
    for (const std::string& address : addresses) {
        EXPECT_EQ(AsString(Exchange(Get(address)).body), "reached") << address;
    }
}

TEST_F(GuardedTransport, ARefusalIsAFailedRequestAndOneWarningNamingTheHost) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "reached"); });
    StderrCapture capture;
    HttpSessionParams params;
    const ByteBuffer body =
        HttpSessionRequest("http://localhost:" + std::to_string(server.Port()) + "/x", params);
    const std::string warnings = capture.Text();
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(params.responseHeaders, "");
    // One line; the order in which the name's two addresses were tried is curl's.
    const std::string head =
        std::string(program_invocation_short_name) + ": refused to connect to localhost (";
    const std::string tail = "): not a public address (--allow-private-network allows it)\n";
    ASSERT_GT(warnings.size(), head.size() + tail.size()) << warnings;
    EXPECT_EQ(warnings.substr(0, head.size()), head);
    EXPECT_EQ(warnings.substr(warnings.size() - tail.size()), tail);
    const std::string addresses =
        warnings.substr(head.size(), warnings.size() - head.size() - tail.size());
    EXPECT_TRUE(addresses == "127.0.0.1, ::1" || addresses == "::1, 127.0.0.1") << addresses;
}

TEST_F(GuardedTransport, ConnectToNamesTheTargetAndLiftsTheGuard) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "reached"); });
    SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});
    EXPECT_EQ(AsString(Exchange(Get("http://member1.taobao.com/")).body), "reached");
    EXPECT_EQ(AsString(Exchange(Get("http://127.0.0.1/")).body), "reached");
}

// An address with a line break in it, as a page could cut it, for a page and
// for a picture: without a space the break is dropped and the address goes
// out as one; with a space left it goes nowhere. Never a header of its own.
class CleanedAddresses : public testing::WireTest {};

TEST_F(CleanedAddresses, LineBreaksInAnAddressNeverBecomeAHeader) {
    RawServer server([](const CapturedRequest&, int) { return Respond(200, {}, "page"); });
    const std::string base = server.Url("/a");
    for (const bool picture : {false, true}) {
        const auto fetch = [picture](const std::string& url) {
            return picture ? DownloadPicture(url) : HttpSessionRequest(url);
        };
        EXPECT_EQ(AsString(fetch(base + "\r\nX-Injected:yes\t")), "page");
        const CapturedRequest sent = server.Requests().back();
        const std::string cleaned = base + "X-Injected:yes";
        EXPECT_EQ(sent.head.substr(0, sent.head.find("\r\n")), "GET /aX-Injected:yes HTTP/1.1");
        EXPECT_NE(sent.head.find("\r\nReferer: " + cleaned + "\r\n"), std::string::npos)
            << sent.head;
        EXPECT_EQ(sent.head.find("\r\nX-Injected"), std::string::npos) << sent.head;

        const std::size_t before = server.Requests().size();
        EXPECT_TRUE(fetch(base + "\r\nMetadata-Flavor: Google").empty());
        EXPECT_TRUE(fetch(base + "\r\n\r\nGET /second HTTP/1.1").empty());
        EXPECT_EQ(server.Requests().size(), before) << (picture ? "picture" : "page");
    }
}

}  // namespace
}  // namespace kestrova
