// Routing by host and path. Every page goes out as GBK. Anything the
// marketplace does not serve gets a 404 with an empty body, so that a page
// address the query cut badly shows as an empty field or picture, never as
// stray bytes.

#include "marketplace/Router.h"

#include <algorithm>
#include <cctype>

#include "assets/Assets.h"
#include "marketplace/Addresses.h"
#include "marketplace/Pages.h"
#include "marketplace/Pictures.h"
#include "marketplace/Refusals.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova::marketplace {

namespace {

constexpr const char* kHtml = "text/html; charset=GBK";
constexpr const char* kScript = "text/javascript; charset=GBK";
constexpr const char* kJson = "application/json; charset=GBK";

std::string HostName(const std::string& header) {
    std::string host = header.substr(0, header.find(':'));
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

std::string Param(const MarketRequest& r, const std::string& key) {
    const auto it = r.params.find(key);
    return it == r.params.end() ? std::string() : it->second;
}

bool HasParam(const MarketRequest& r, const std::string& key) {
    return r.params.count(key) > 0;
}

MarketAnswer Text(const char* type, const std::string& utf8) {
    return {200, type, Utf8ToGbk(utf8)};
}

MarketAnswer NotFound() {
    return {404, "text/plain", ""};
}

const Member* Now(const Member* m, MarketMoment moment) {
    return m != nullptr ? &AtMoment(*m, moment) : nullptr;
}

const Member* KnownMember(const std::string& gbkAccount, MarketMoment moment) {
    const Member* m = Now(FindMemberByAccountGbk(gbkAccount), moment);
    return m != nullptr && m->profile != ProfileKind::kUnknown ? m : nullptr;
}

// Members whose profile stops the query have no further pages.
const Member* Served(const Member* m, MarketMoment moment) {
    m = Now(m, moment);
    return m != nullptr && m->profile == ProfileKind::kMember ? m : nullptr;
}

MarketAnswer MemberServer(const MarketRequest& r, std::chrono::system_clock::time_point now,
                          MarketMoment moment) {
    if (r.path != "/member/user_profile.jhtml") {
        return NotFound();
    }
    const Member* m = KnownMember(Param(r, "user_id"), moment);
    if (m == nullptr) {
        return Text(kHtml, UnknownMemberNotice());
    }
    switch (m->profile) {
        case ProfileKind::kBlocked:
            return Text(kHtml, BlockedMemberNotice());
        case ProfileKind::kEmptyAnswer:
            return {200, kHtml, ""};
        default:
            return Text(kHtml, ProfilePage(*m, now));
    }
}

MarketAnswer SpaceServer(const MarketRequest& r, MarketMoment moment) {
    const Member* m = Served(MemberOfSpacePath(r.path), moment);
    return m != nullptr ? Text(kHtml, PersonalSpacePage(*m)) : NotFound();
}

int PageNumber(const MarketRequest& r) {
    const std::string page = Param(r, "page");
    if (page.empty() || page.size() > 6 ||
        page.find_first_not_of("0123456789") != std::string::npos) {
        return 1;
    }
    return std::stoi(page);
}

MarketAnswer RatingServer(const MarketRequest& r, MarketMoment moment) {
    if (r.path == endpoints::kRatingListPath) {
        const Member* m = Served(FindMemberById(Param(r, "user_id")), moment);
        if (HasParam(r, "callback")) {
            if (m != nullptr && m->listsUnavailable) {
                return {503, kHtml, Utf8ToGbk(BusyNotice())};
            }
            const ListDirection direction =
                Param(r, "rater") == "0" ? ListDirection::kReceived : ListDirection::kGiven;
            return Text(kScript, RatingListJsonp(m, direction, Param(r, "callback")));
        }
        return Text(kJson, SummaryPage(m, Param(r, "result"), PageNumber(r)));
    }
    const Member* m = Served(MemberOfRatingPagePath(r.path), moment);
    return m != nullptr ? Text(kHtml, RatingOverviewPage(*m)) : NotFound();
}

MarketAnswer StatusServer(const MarketRequest& r, MarketMoment moment) {
    if (r.path != endpoints::kStatusPath) {
        return NotFound();
    }
    return Text(kScript, StatusAnswer(KnownMember(Param(r, "uids"), moment)));
}

MarketAnswer FavouritesServer(const MarketRequest& r, MarketMoment moment) {
    if (r.path != endpoints::kFavouritesPath) {
        return NotFound();
    }
    const Member* m = Served(FindMemberById(Param(r, "id")), moment);
    return m != nullptr && m->favourites ? Text(kHtml, FavouritesPage(*m)) : NotFound();
}

MarketAnswer PictureServer(const std::string& host, const MarketRequest& r) {
    const std::string name = PictureNameFor(host, r.path);
    const auto bytes = assets::SamplePicture(name);
    if (name.empty() || bytes.empty()) {
        return NotFound();
    }
    return {200, PictureContentType(name), std::string(bytes.begin(), bytes.end())};
}

}  // namespace

MarketAnswer Answer(const MarketRequest& r, std::chrono::system_clock::time_point now,
                    MarketMoment moment) {
    const std::string host = HostName(r.host);
    if (host == endpoints::kMemberHost) {
        return MemberServer(r, now, moment);
    }
    if (host == kSpaceHost) {
        return SpaceServer(r, moment);
    }
    if (host == endpoints::kRatingHost) {
        return RatingServer(r, moment);
    }
    if (host == endpoints::kStatusHost) {
        return StatusServer(r, moment);
    }
    if (host == endpoints::kFavouritesHost) {
        return FavouritesServer(r, moment);
    }
    if (host == endpoints::kLogoHost || host == kPictureHost) {
        return PictureServer(host, r);
    }
    if (host == kVerificationHost && r.path == kVerificationPath) {
        return Text(kHtml, VerificationPage());
    }
    return NotFound();
}

}  // namespace kestrova::marketplace
