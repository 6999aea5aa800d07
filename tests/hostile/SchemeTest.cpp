// Every place where the query cuts an address out of a page gets one that is
// not a web address: a file: address or a bare local path of a file we made
// (an executable script holding a secret line), an ftp: address of a listener
// of ours, a javascript: address. Nothing opens the file (watched with
// inotify), nothing runs it, its secret shows nowhere, the listener sees no
// connection, and the query goes on with that one field empty.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "HostileQuery.h"
#include "marketplace/Addresses.h"

namespace kestrova::hostile {
namespace {

enum class Place {
    SpaceLink,
    Avatar,
    Honours,
    SellerIcon,
    BuyerIcon,
    RatingPage,
    Favourites,
    Logo
};
enum class Scheme { File, FileUpperCase, LocalPath, Ftp, JavaScript };

const char* PlaceName(Place p) {
    constexpr const char* kNames[] = {"SpaceLink", "Avatar",     "Honours",    "SellerIcon",
                                      "BuyerIcon", "RatingPage", "Favourites", "Logo"};
    return kNames[static_cast<int>(p)];
}

const char* SchemeName(Scheme s) {
    constexpr const char* kNames[] = {"File", "FileUpperCase", "LocalPath", "Ftp", "JavaScript"};
    return kNames[static_cast<int>(s)];
}

// A loopback listener that only counts the connections it is offered.
class CountingListener {
  public:
    CountingListener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(fd_, 8);
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
    }
    ~CountingListener() { ::close(fd_); }
    int Port() const { return port_; }
    int Accepted() {
        int count = 0;
        for (int fd; (fd = ::accept(fd_, nullptr, nullptr)) >= 0; ++count) {
            ::close(fd);
        }
        return count;
    }

  private:
    int fd_ = -1;
    int port_ = 0;
};

struct SchemeCase {
    Place place;
    Scheme scheme;
};

class LocalAddresses : public HostileQuery, public ::testing::WithParamInterface<SchemeCase> {
  protected:
    LocalAddresses() {
        char pattern[] = "/tmp/khXXXXXX";
        const char* made = ::mkdtemp(pattern);
        EXPECT_NE(made, nullptr);
        dir_ = made != nullptr ? made : "/tmp";
        secret_ = "kestrova-secret-" + std::to_string(::getpid()) + "-" + dir_.substr(7);
        token_ = "kestrova-address-" + dir_.substr(7);
        watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    }
    ~LocalAddresses() override {
        for (const std::string& file : files_) {
            ::unlink(file.c_str());
        }
        ::unlink((dir_ + "/ran").c_str());
        ::rmdir(dir_.c_str());
        ::close(watch_);
    }

    // An executable script at a path of exactly `length` bytes (0: any) ending
    // with suffix; it would leave a mark if it ever ran.
    std::string MakeScript(std::size_t length, const std::string& suffix) {
        std::string path = dir_ + "/s" + suffix;
        if (length > path.size()) {
            path = dir_ + "/s" + std::string(length - path.size(), 'a') + suffix;
        }
        std::ofstream(path) << "#!/bin/sh\n# " << secret_ << "\ntouch " << dir_ << "/ran\n";
        ::chmod(path.c_str(), 0755);
        files_.push_back(path);
        return path;
    }

    // The address that takes the place of a real one, `length` bytes long when
    // the place cuts a fixed number of bytes, ending with suffix.
    std::string Address(Scheme scheme, std::size_t length, const std::string& suffix) {
        const auto padded = [&](const std::string& head) {
            std::string address = head + suffix;
            if (length > address.size()) {
                address = head + std::string(length - address.size(), 'x') + suffix;
            }
            return address;
        };
        switch (scheme) {
            case Scheme::File:
                return "file://" + MakeScript(length == 0 ? 0 : length - 7, suffix);
            case Scheme::FileUpperCase:
                return "FILE://" + MakeScript(length == 0 ? 0 : length - 7, suffix);
            case Scheme::LocalPath:
                return MakeScript(length, suffix);
            case Scheme::Ftp:
                return padded("ftp://127.0.0.1:" + std::to_string(ftp_.Port()) + "/" + token_);
            case Scheme::JavaScript:
                return padded("javascript:alert('" + token_ + "')//");
        }
        return {};
    }

    void Watch() {
        ASSERT_GE(::inotify_add_watch(watch_, dir_.c_str(), IN_OPEN | IN_ACCESS | IN_CREATE), 0);
    }
    int WatchedEvents() {
        alignas(inotify_event) char buffer[4096];
        int events = 0;
        for (ssize_t n; (n = ::read(watch_, buffer, sizeof buffer)) > 0;) {
            for (ssize_t at = 0; at < n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                ++events;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return events;
    }

    bool ShownAnywhere(const Outcome& outcome, const std::string& needle) const {
        for (const ControlDef& control : Controls()) {
            const Ctl c = control.id;
            std::string content;
            if (control.kind == ControlKind::PicBox) {
                const ByteBuffer& bytes = outcome.window.ReadPicture(c);
                content.assign(bytes.begin(), bytes.end());
            } else if (control.kind == ControlKind::EditBox || control.kind == ControlKind::Label) {
                content = outcome.window.ReadText(c);
            } else if (control.kind == ControlKind::HyperLinker) {
                content = outcome.window.ReadText(c) + outcome.window.ReadLinkAddress(c);
            }
            if (content.find(needle) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    std::string dir_;
    std::string secret_;  // a line of the script only
    std::string token_;   // in the ftp: and javascript: addresses
    std::vector<std::string> files_;
    int watch_ = -1;
    CountingListener ftp_;
};

std::string Replaced(std::string body, const std::string& from, const std::string& to) {
    for (std::size_t at = body.find(from); at != std::string::npos;
         at = body.find(from, at + to.size())) {
        body.replace(at, from.size(), to);
    }
    return body;
}

TEST_P(LocalAddresses, AreNeverOpenedRunOrShown) {
    const auto [place, scheme] = GetParam();
    const marketplace::Member& m = SampleMember();

    // Which page carries the address, the real address, and the length the cut
    // takes (0: up to its end marker, whatever the length).
    Endpoint page = Endpoint::Profile;
    std::vector<std::string> real;
    std::size_t length = 0;
    std::string suffix;
    switch (place) {
        case Place::SpaceLink:
            real = {marketplace::PersonalSpaceAddress(m)};
            break;
        case Place::RatingPage:
            real = {marketplace::RatingPageAddress(m)};
            break;
        case Place::Avatar:
            page = Endpoint::PersonalSpace;
            real = {marketplace::AvatarAddress(m)};
            length = 58 + 11;
            suffix = "160x160.jpg";
            break;
        case Place::Honours:
            page = Endpoint::PersonalSpace;
            for (int i = 1; i <= 6; ++i) {
                real.push_back(marketplace::HonourAddress(m, i));
            }
            length = 62;
            break;
        case Place::SellerIcon:
            page = Endpoint::RatingPage;
            real = {marketplace::CreditIconAddress(m.sellerIcon)};
            break;
        case Place::BuyerIcon:
            page = Endpoint::RatingPage;
            real = {marketplace::CreditIconAddress(m.buyerIcon)};
            break;
        case Place::Favourites:
            page = Endpoint::RatingPage;
            real = {marketplace::FavouritesAddress(m)};
            break;
        case Place::Logo:
            page = Endpoint::Favourites;
            real = {marketplace::LogoAddress(m)};
            break;
    }
    const std::string hostile = Address(scheme, length, suffix);
    ASSERT_TRUE(length == 0 || hostile.size() == length) << hostile;
    misbehaviour = [page, real, hostile](
                       const SeenRequest& r,
                       const marketplace::MarketAnswer& answer) -> std::optional<Reply> {
        if (r.endpoint != page) {
            return std::nullopt;
        }
        std::string body = answer.body;
        for (const std::string& address : real) {
            EXPECT_NE(body.find(address), std::string::npos)
                << "the page no longer links " << address;
            body = Replaced(body, address, hostile);
        }
        return Reply::Answer(answer.status, body, answer.contentType);
    };
    ASSERT_NO_FATAL_FAILURE(Watch());

    const Outcome outcome = Run();

    EXPECT_EQ(WatchedEvents(), 0) << "something opened, read or created a file in " << dir_;
    struct stat info {};
    EXPECT_NE(::stat((dir_ + "/ran").c_str(), &info), 0) << "the script was run";
    EXPECT_EQ(ftp_.Accepted(), 0) << "an ftp: address was followed";
    EXPECT_FALSE(ShownAnywhere(outcome, secret_)) << "the script's content came into a field";
    EXPECT_EQ(server.ConnectionsWithoutRequest(), 0);
    for (const SeenRequest& r : server.Requests()) {
        EXPECT_EQ(r.target.find(token_), std::string::npos) << r.host << r.target;
        EXPECT_EQ(r.target.find(dir_.substr(5)), std::string::npos) << r.host << r.target;
    }

    ExpectAllowed(outcome, 10.0);
    EXPECT_TRUE(RanToTheEnd(outcome));
    switch (place) {
        case Place::SpaceLink:
            EXPECT_EQ(CountRequests(Endpoint::PersonalSpace), 0);
            EXPECT_EQ(outcome.window.ReadText(Ctl::编辑框98), "");
            break;
        case Place::Avatar:
            EXPECT_EQ(CountRequests(Endpoint::Avatar), 0);
            EXPECT_TRUE(outcome.window.ReadPicture(Ctl::图片框1).empty());
            break;
        case Place::Honours:
            EXPECT_EQ(CountRequests(Endpoint::Honour), 0);
            for (Ctl c : {Ctl::图片框9, Ctl::图片框10, Ctl::图片框11, Ctl::图片框12, Ctl::图片框13,
                          Ctl::图片框14}) {
                EXPECT_TRUE(outcome.window.ReadPicture(c).empty());
            }
            break;
        case Place::SellerIcon:
            EXPECT_EQ(CountRequests(Endpoint::SellerIcon), 0);
            EXPECT_TRUE(outcome.window.ReadPicture(Ctl::图片框6).empty());
            break;
        case Place::BuyerIcon:
            EXPECT_EQ(CountRequests(Endpoint::BuyerIcon), 0);
            EXPECT_TRUE(outcome.window.ReadPicture(Ctl::图片框7).empty());
            break;
        case Place::RatingPage:
            EXPECT_EQ(CountRequests(Endpoint::RatingPage), 0);
            EXPECT_EQ(outcome.window.ReadText(Ctl::编辑框4), "");
            break;
        case Place::Favourites:
            EXPECT_EQ(CountRequests(Endpoint::Favourites), 0);
            EXPECT_EQ(outcome.window.ReadText(Ctl::编辑框200), "");
            break;
        case Place::Logo:
            EXPECT_EQ(CountRequests(Endpoint::Logo), 0);
            EXPECT_TRUE(outcome.window.ReadPicture(Ctl::图片框72).empty());
            break;
    }
}

std::vector<SchemeCase> AllSchemeCases() {
    std::vector<SchemeCase> cases;
    for (int p = 0; p <= static_cast<int>(Place::Logo); ++p) {
        for (int s = 0; s <= static_cast<int>(Scheme::JavaScript); ++s) {
            cases.push_back({static_cast<Place>(p), static_cast<Scheme>(s)});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, LocalAddresses, ::testing::ValuesIn(AllSchemeCases()),
                         [](const ::testing::TestParamInfo<SchemeCase>& info) {
                             return std::string(PlaceName(info.param.place)) + "_" +
                                    SchemeName(info.param.scheme);
                         });

}  // namespace
}  // namespace kestrova::hostile
