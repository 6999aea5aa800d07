// Addresses cut from pages as an attacker shapes them. Every place where the
// query cuts an address gets one with CR LF inside: with a space left after
// the line break it is no address and goes nowhere; without one the break is
// dropped and the address goes out as one request line. Either way no request
// carries a header line the page wrote. And a picture address on https that
// redirects to plain http is refused, like an unreachable host.

#include <algorithm>

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

const char* PlaceName(Place p) {
    constexpr const char* kNames[] = {"SpaceLink", "Avatar",     "Honours",    "SellerIcon",
                                      "BuyerIcon", "RatingPage", "Favourites", "Logo"};
    return kNames[static_cast<int>(p)];
}

// The page that carries the place's addresses, the addresses themselves, and
// the endpoint they lead to.
struct Carried {
    Endpoint page;
    std::vector<std::string> addresses;
    Endpoint target;
};

Carried CarriedAt(Place place) {
    const marketplace::Member& m = SampleMember();
    switch (place) {
        case Place::SpaceLink:
            return {
                Endpoint::Profile, {marketplace::PersonalSpaceAddress(m)}, Endpoint::PersonalSpace};
        case Place::RatingPage:
            return {Endpoint::Profile, {marketplace::RatingPageAddress(m)}, Endpoint::RatingPage};
        case Place::Avatar:
            return {Endpoint::PersonalSpace, {marketplace::AvatarAddress(m)}, Endpoint::Avatar};
        case Place::Honours: {
            Carried carried{Endpoint::PersonalSpace, {}, Endpoint::Honour};
            for (int i = 1; i <= 6; ++i) {
                carried.addresses.push_back(marketplace::HonourAddress(m, i));
            }
            return carried;
        }
        case Place::SellerIcon:
            return {Endpoint::RatingPage,
                    {marketplace::CreditIconAddress(m.sellerIcon)},
                    Endpoint::SellerIcon};
        case Place::BuyerIcon:
            return {Endpoint::RatingPage,
                    {marketplace::CreditIconAddress(m.buyerIcon)},
                    Endpoint::BuyerIcon};
        case Place::Favourites:
            return {
                Endpoint::RatingPage, {marketplace::FavouritesAddress(m)}, Endpoint::Favourites};
        case Place::Logo:
            return {Endpoint::Favourites, {marketplace::LogoAddress(m)}, Endpoint::Logo};
    }
    return {};
}

std::string Replaced(std::string body, const std::string& from, const std::string& to) {
    for (std::size_t at = body.find(from); at != std::string::npos;
         at = body.find(from, at + to.size())) {
        body.replace(at, from.size(), to);
    }
    return body;
}

// The page's answer with each of the place's addresses rewritten.
Misbehaviour Rewriting(Place place, std::function<std::string(const std::string&)> rewrite) {
    const Carried carried = CarriedAt(place);
    return [carried, rewrite](const SeenRequest& r,
                              const marketplace::MarketAnswer& answer) -> std::optional<Reply> {
        if (r.endpoint != carried.page) {
            return std::nullopt;
        }
        std::string body = answer.body;
        for (const std::string& address : carried.addresses) {
            EXPECT_NE(body.find(address), std::string::npos)
                << "the page no longer links " << address;
            body = Replaced(body, address, rewrite(address));
        }
        return Reply::Answer(answer.status, body, answer.contentType);
    };
}

enum class Break { WithSpaceAfter, WithoutSpace };

struct BreakCase {
    Place place;
    Break kind;
};

// The line break goes in over the bytes that were there, so that a cut of a
// fixed length still takes the whole address: right after the host, or after
// the part of the address that the cut looks for as its marker.
std::string WithBreak(Place place, const std::string& address, Break kind) {
    const std::string injected = kind == Break::WithSpaceAfter ? "\r\nMetadata-Flavor: Google\r\n"
                                                               : "\r\nX-Injected:yes\r\n";
    std::size_t at = address.find('/', 7) + 1;
    if (place == Place::Favourites) {
        at = address.find('?');
    } else if (place == Place::Logo) {
        at = address.rfind('/');
    }
    return address.substr(0, at) + injected +
           address.substr(std::min(address.size(), at + injected.size()));
}

class LineBreakAddresses : public HostileQuery, public ::testing::WithParamInterface<BreakCase> {};

TEST_P(LineBreakAddresses, NeverAddAHeaderLine) {
    const auto [place, kind] = GetParam();
    misbehaviour =
        Rewriting(place, [place, kind](const std::string& a) { return WithBreak(place, a, kind); });
    const Outcome outcome = Run();

    int cleanedOut = 0;
    for (const SeenRequest& r : server.Requests()) {
        EXPECT_EQ(r.head.find("\r\nMetadata-Flavor"), std::string::npos) << r.head;
        EXPECT_EQ(r.head.find("\r\nX-Injected"), std::string::npos) << r.head;
        cleanedOut += r.target.find("X-Injected:yes") != std::string::npos ||
                              r.target.find("Metadata-Flavor:Google") != std::string::npos
                          ? 1
                          : 0;
    }
    const Carried carried = CarriedAt(place);
    int expected = static_cast<int>(carried.addresses.size());
    if (place == Place::RatingPage) {
        expected = 0;  // its pattern admits no line break: the page is not found at all
    } else if (kind == Break::WithSpaceAfter && place != Place::SpaceLink) {
        // (the personal space link's own cut rule drops blanks and breaks)
        EXPECT_EQ(CountRequests(carried.target), 0) << "an address with a space went out";
        expected = 0;
    }
    EXPECT_EQ(cleanedOut, expected);
    ExpectAllowed(outcome, 10.0);
    EXPECT_TRUE(place == Place::RatingPage || RanToTheEnd(outcome));
}

std::vector<BreakCase> AllBreakCases() {
    std::vector<BreakCase> cases;
    for (int p = 0; p <= static_cast<int>(Place::Logo); ++p) {
        for (Break kind : {Break::WithSpaceAfter, Break::WithoutSpace}) {
            cases.push_back({static_cast<Place>(p), kind});
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Cases, LineBreakAddresses, ::testing::ValuesIn(AllBreakCases()),
                         [](const ::testing::TestParamInfo<BreakCase>& info) {
                             return std::string(PlaceName(info.param.place)) +
                                    (info.param.kind == Break::WithSpaceAfter ? "_WithSpaceAfter"
                                                                              : "_WithoutSpace");
                         });

// The credit icons, whose cut takes an address of any length: named on https,
// answered with a redirect, to plain http or to https.
struct DowngradeCase {
    Place place;
    bool toPlainHttp;
};

class HttpsRedirects : public HostileQuery, public ::testing::WithParamInterface<DowngradeCase> {};

TEST_P(HttpsRedirects, ToPlainHttpAreRefused) {
    const auto [place, toPlainHttp] = GetParam();
    const Carried carried = CarriedAt(place);
    const Outcome& baseline = Baseline();
    const Misbehaviour secure =
        Rewriting(place, [](const std::string& a) { return "https://" + a.substr(7); });
    const std::string scheme = toPlainHttp ? "http://" : "https://";
    misbehaviour = [secure, carried, scheme](
                       const SeenRequest& r,
                       const marketplace::MarketAnswer& answer) -> std::optional<Reply> {
        if (r.endpoint == carried.target && r.target.find("hop=2") == std::string::npos) {
            return Reply::Raw("HTTP/1.1 302 Found\r\nLocation: " + scheme + r.host + r.target +
                              "?hop=2\r\nContent-Length: 0\r\n\r\n");
        }
        return secure(r, answer);
    };
    const Outcome outcome = Run();

    int hops = 0;
    for (const SeenRequest& r : server.Requests()) {
        hops += r.target.find("hop=2") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(CountRequests(carried.target), toPlainHttp ? 1 : 2);
    EXPECT_EQ(hops, toPlainHttp ? 0 : 1);
    const Ctl box = place == Place::SellerIcon ? Ctl::图片框6 : Ctl::图片框7;
    if (toPlainHttp) {
        EXPECT_TRUE(outcome.window.ReadPicture(box).empty());
    } else {
        EXPECT_EQ(outcome.window.ReadPicture(box), baseline.window.ReadPicture(box));
    }
    for (Ctl c : Differing(outcome, baseline)) {
        // (the rating page, kept whole in 编辑框2, now names https)
        EXPECT_TRUE(c == box || c == Ctl::编辑框2) << Controls()[static_cast<std::size_t>(c)].name;
    }
    ExpectAllowed(outcome, 10.0);
    EXPECT_TRUE(RanToTheEnd(outcome));
}

INSTANTIATE_TEST_SUITE_P(Cases, HttpsRedirects,
                         ::testing::Values(DowngradeCase{Place::SellerIcon, true},
                                           DowngradeCase{Place::SellerIcon, false},
                                           DowngradeCase{Place::BuyerIcon, true},
                                           DowngradeCase{Place::BuyerIcon, false}),
                         [](const ::testing::TestParamInfo<DowngradeCase>& info) {
                             return std::string(PlaceName(info.param.place)) +
                                    (info.param.toPlainHttp ? "_ToHttp" : "_ToHttps");
                         });

}  // namespace
}  // namespace kestrova::hostile
