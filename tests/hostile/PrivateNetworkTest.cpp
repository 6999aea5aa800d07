// The network guard end to end, without --connect-to: kestrova-cli runs as a
// user runs it, in a network namespace of its own where the marketplace looks
// public. The test makes the namespace (unshare -rmn), brings lo up, gives it
// 203.0.113.7 (a documentation address, public to the guard), serves the
// marketplace there on port 80, binds a hosts file over /etc/hosts that names
// the marketplace's hosts there and a victim's name 127.0.0.1, and keeps a
// victim listening on 127.0.0.1 and ::1. The pages and redirects then point
// at the victim in every spelling; it must see no connection, while an honest
// lookup gives the same result as through --connect-to.
//
// No packet leaves the namespace: it has no interface but its own loopback.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <thread>

#include "HostileQuery.h"
#include "marketplace/Addresses.h"
#include "tests/support/ChildProcess.h"
#include "web/Endpoints.h"

namespace kestrova::hostile {
namespace {

constexpr const char* kPublicAddress = "203.0.113.7";
constexpr const char* kVictimName = "victim.kestrova.test";

// The namespace is this program again, run by unshare with the cases below.
TEST(PrivateNetwork, NothingReachesTheUsersOwnNetwork) {
    const ChildRun run =
        RunChild({"unshare", "-rmn", ThisProgram(), "--gtest_filter=DISABLED_InAPrivateNetwork.*",
                  "--gtest_also_run_disabled_tests"},
                 {}, 240);
    if (run.exitCode != 0 && run.out.find("[==========]") == std::string::npos) {
        FAIL() << "cannot make a private network namespace (unshare -rmn) for this test: "
               << run.err << run.out;
    }
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("[  PASSED  ] 1 test."), std::string::npos) << run.out << run.err;
}

// A listener on loopback that counts the connections it is offered and ends
// each at once.
class Victim {
  public:
    Victim(int family, int port) {
        fd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const int yes = 1;
        ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_storage storage{};
        socklen_t length = 0;
        if (family == AF_INET6) {
            auto& address = reinterpret_cast<sockaddr_in6&>(storage);
            address.sin6_family = AF_INET6;
            address.sin6_addr = in6addr_loopback;
            address.sin6_port = htons(static_cast<std::uint16_t>(port));
            ::setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &yes, sizeof yes);
            length = sizeof address;
        } else {
            auto& address = reinterpret_cast<sockaddr_in&>(storage);
            address.sin_family = AF_INET;
            address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            address.sin_port = htons(static_cast<std::uint16_t>(port));
            length = sizeof address;
        }
        listening_ = ::bind(fd_, reinterpret_cast<sockaddr*>(&storage), length) == 0 &&
                     ::listen(fd_, 64) == 0;
        if (listening_) {
            thread_ = std::thread([this] {
                while (!stopping_) {
                    pollfd p{fd_, POLLIN, 0};
                    if (::poll(&p, 1, 20) > 0) {
                        const int fd = ::accept(fd_, nullptr, nullptr);
                        if (fd >= 0) {
                            ++accepted_;
                            ::close(fd);
                        }
                    }
                }
            });
        }
    }
    ~Victim() {
        stopping_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        ::close(fd_);
    }
    bool Listening() const { return listening_; }
    int Accepted() const { return accepted_; }

  private:
    int fd_ = -1;
    bool listening_ = false;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    std::thread thread_;
};

bool Succeeds(const std::vector<std::string>& argv) {
    const ChildRun run = RunChild(argv);
    EXPECT_EQ(run.exitCode, 0) << argv[0] << " " << argv[1] << ": " << run.err;
    return run.exitCode == 0;
}

std::string Seen(const HostileServer& server) {
    std::string seen = "requests:\n";
    for (const SeenRequest& r : server.Requests()) {
        seen += "  " + r.host + r.target + "\n";
    }
    return seen;
}

class DISABLED_InAPrivateNetwork : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(Succeeds({"ip", "link", "set", "lo", "up"}));
        ASSERT_TRUE(
            Succeeds({"ip", "address", "add", std::string(kPublicAddress) + "/32", "dev", "lo"}));
        const std::string hosts =
            ::testing::TempDir() + "kestrova_hosts_" + std::to_string(getpid());
        std::ofstream(hosts) << "127.0.0.1 localhost\n::1 localhost\n"
                             << kPublicAddress << " " << endpoints::kMemberHost << " "
                             << endpoints::kRatingHost << " " << endpoints::kStatusHost << " "
                             << endpoints::kFavouritesHost << " " << endpoints::kLogoHost << " "
                             << endpoints::kVipHost << " " << marketplace::kSpaceHost << " "
                             << marketplace::kPictureHost << "\n"
                             << "127.0.0.1 " << kVictimName << "\n";
        ASSERT_EQ(::mount(hosts.c_str(), "/etc/hosts", nullptr, MS_BIND, nullptr), 0)
            << "cannot bind a hosts file over /etc/hosts";
        market_ = std::make_unique<HostileServer>(kPublicAddress, 80);
    }

    // kestrova-cli lookup of the full seller as JSON, with nothing from this
    // test's environment that would name a target or allow private addresses.
    ChildRun Lookup(std::vector<std::string> options = {}) {
        std::vector<std::string> argv = {KESTROVA_CLI, "lookup", SampleMember().account, "--json",
                                         "--no-history"};
        argv.insert(argv.end(), options.begin(), options.end());
        return RunChild(argv, {{"KESTROVA_CONNECT_TO", std::nullopt},
                               {"KESTROVA_ALLOW_PRIVATE_NETWORK", std::nullopt}});
    }

    std::unique_ptr<HostileServer> market_;
};

TEST_F(DISABLED_InAPrivateNetwork, PagesCannotReachTheVictim) {
    Victim v4(AF_INET, 80);
    Victim v6(AF_INET6, 80);
    ASSERT_TRUE(v4.Listening() && v6.Listening());

    // Honest pages: the guard changes nothing.
    const ChildRun honest = Lookup();
    const ChildRun named = Lookup({"--connect-to", std::string(kPublicAddress) + ":80"});
    ASSERT_EQ(honest.exitCode, 0) << honest.err;
    EXPECT_EQ(honest.out, named.out);
    EXPECT_EQ(honest.err, "");
    EXPECT_NE(honest.out.find("\"status\": \"\""), std::string::npos) << honest.out;

    // Addresses and redirects into the user's network, in every spelling.
    const marketplace::Member& m = SampleMember();
    const std::string sellerIcon = marketplace::CreditIconAddress(m.sellerIcon);
    const std::string buyerIcon = marketplace::CreditIconAddress(m.buyerIcon);
    market_->SetMisbehaviour(
        [&](const SeenRequest& r, const marketplace::MarketAnswer& answer) -> std::optional<Reply> {
            const auto redirect = [](const std::string& to) {
                return Reply::Raw("HTTP/1.1 302 Found\r\nLocation: " + to +
                                  "\r\nContent-Length: 0\r\n\r\n");
            };
            switch (r.endpoint) {
                case Endpoint::RatingPage: {
                    std::string body = answer.body;
                    body.replace(body.find(sellerIcon), sellerIcon.size(),
                                 std::string("http://") + kVictimName + "/s.gif");
                    body.replace(body.find(buyerIcon), buyerIcon.size(), "http://2130706433/b.gif");
                    return Reply::Answer(answer.status, body, answer.contentType);
                }
                case Endpoint::Avatar:
                    return redirect("http://127.1/avatar");
                case Endpoint::Honour:
                    return redirect("http://0x7f000001/honour");
                case Endpoint::Status:
                    return redirect("http://localhost/status");
                case Endpoint::ReceivedList:
                    return redirect("http://[::1]/list");
                case Endpoint::Logo:
                    return redirect("http://[::ffff:127.0.0.1]/logo");
                default:
                    return std::nullopt;
            }
        });
    const ChildRun attacked = Lookup();
    // Pages refused by our own rules are pages not got: exit 4.
    EXPECT_EQ(attacked.exitCode, 4) << attacked.err;
    EXPECT_EQ(v4.Accepted(), 0) << "a page reached 127.0.0.1";
    EXPECT_EQ(v6.Accepted(), 0) << "a page reached ::1";
    EXPECT_NE(attacked.out.find("\"status\": \"\""), std::string::npos) << attacked.out;
    for (const char* host :
         {kVictimName, "127.0.0.1", "[::ffff:127.0.0.1]", "[::1]", "localhost"}) {
        EXPECT_NE(
            attacked.err.find(std::string("kestrova-cli: refused to connect to ") + host + " ("),
            std::string::npos)
            << host << "\n"
            << attacked.err << Seen(*market_);
    }

    // The same pages with private addresses allowed do reach the victim: the
    // refusals above are the guard's.
    const ChildRun allowed = Lookup({"--allow-private-network"});
    // The victim is no marketplace: what it gave is no page either.
    EXPECT_EQ(allowed.exitCode, 4) << allowed.err;
    EXPECT_GT(v4.Accepted() + v6.Accepted(), 0);
}

}  // namespace
}  // namespace kestrova::hostile
