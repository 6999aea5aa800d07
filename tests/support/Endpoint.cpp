#include "tests/support/Endpoint.h"

#include <algorithm>
#include <cctype>

#include "marketplace/Addresses.h"
#include "web/Endpoints.h"

namespace kestrova::hostile {
namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string Decode(const std::string& s, bool plusIsSpace) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexValue(s[i + 1]) >= 0 && HexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(s[i + 1]) * 16 + HexValue(s[i + 2]));
            i += 2;
        } else if (plusIsSpace && s[i] == '+') {
            out += ' ';
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

const char* EndpointName(Endpoint endpoint) {
    switch (endpoint) {
        case Endpoint::Profile:
            return "Profile";
        case Endpoint::PersonalSpace:
            return "PersonalSpace";
        case Endpoint::Avatar:
            return "Avatar";
        case Endpoint::Honour:
            return "Honour";
        case Endpoint::RatingPage:
            return "RatingPage";
        case Endpoint::GivenList:
            return "GivenList";
        case Endpoint::ReceivedList:
            return "ReceivedList";
        case Endpoint::Status:
            return "Status";
        case Endpoint::Favourites:
            return "Favourites";
        case Endpoint::Logo:
            return "Logo";
        case Endpoint::SellerIcon:
            return "SellerIcon";
        case Endpoint::BuyerIcon:
            return "BuyerIcon";
        case Endpoint::SummaryFirstPage:
            return "SummaryFirstPage";
        case Endpoint::SummaryLastPage:
            return "SummaryLastPage";
        case Endpoint::Other:
            break;
    }
    return "Other";
}

std::string SeenRequest::Param(const std::string& key) const {
    const auto it = params.find(key);
    return it == params.end() ? std::string() : it->second;
}

void Classify(SeenRequest& r) {
    const std::size_t question = r.target.find('?');
    r.path = Decode(r.target.substr(0, question), false);
    r.params.clear();
    if (question != std::string::npos) {
        std::string query = r.target.substr(question + 1);
        std::size_t at = 0;
        while (at <= query.size()) {
            const std::size_t amp = std::min(query.find('&', at), query.size());
            const std::string pair = query.substr(at, amp - at);
            const std::size_t equals = pair.find('=');
            if (!pair.empty()) {
                r.params.emplace(Decode(pair.substr(0, equals), true),
                                 equals == std::string::npos
                                     ? std::string()
                                     : Decode(pair.substr(equals + 1), true));
            }
            at = amp + 1;
        }
    }

    const std::string host = Lower(r.host.substr(0, r.host.find(':')));
    r.endpoint = Endpoint::Other;
    if (host == endpoints::kMemberHost) {
        r.endpoint = Endpoint::Profile;
    } else if (host == marketplace::kSpaceHost) {
        r.endpoint = Endpoint::PersonalSpace;
    } else if (host == endpoints::kRatingHost) {
        if (r.path == endpoints::kRatingListPath) {
            if (r.params.count("callback") > 0) {
                r.endpoint = r.Param("rater") == "0" ? Endpoint::ReceivedList : Endpoint::GivenList;
            } else {
                r.endpoint = r.params.count("page") > 0 ? Endpoint::SummaryLastPage
                                                        : Endpoint::SummaryFirstPage;
            }
        } else {
            r.endpoint = Endpoint::RatingPage;
        }
    } else if (host == endpoints::kStatusHost) {
        r.endpoint = Endpoint::Status;
    } else if (host == endpoints::kFavouritesHost) {
        r.endpoint = Endpoint::Favourites;
    } else if (host == endpoints::kLogoHost) {
        r.endpoint = Endpoint::Logo;
    } else if (host == marketplace::kPictureHost) {
        if (marketplace::MemberOfAvatarPath(r.path) != nullptr) {
            r.endpoint = Endpoint::Avatar;
        } else if (marketplace::HonourOfPath(r.path)) {
            r.endpoint = Endpoint::Honour;
        } else {
            const std::string icon = marketplace::CreditIconOfPath(r.path);
            if (icon.rfind("seller", 0) == 0) {
                r.endpoint = Endpoint::SellerIcon;
            } else if (icon.rfind("buyer", 0) == 0) {
                r.endpoint = Endpoint::BuyerIcon;
            }
        }
    }
}

}  // namespace kestrova::hostile
