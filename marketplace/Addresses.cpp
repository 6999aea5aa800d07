#include "marketplace/Addresses.h"

#include <stdexcept>

#include "web/Endpoints.h"

namespace kestrova::marketplace {

namespace {

constexpr const char* kAvatarPrefix = "/sns_logo/i1/";
constexpr const char* kAvatarSuffix = "_160x160.jpg";
constexpr const char* kHonourPrefix = "/sns/honour/medal";
constexpr const char* kCreditPrefix = "/newrank/";
constexpr const char* kLogoPrefix = "/shop-logo/";

std::string Http(const std::string& host, const std::string& path) {
    return "http://" + host + path;
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The text between prefix and suffix, or nullopt when the path has another shape.
std::optional<std::string> Between(const std::string& path, const std::string& prefix,
                                   const std::string& suffix) {
    if (path.size() < prefix.size() + suffix.size() || !StartsWith(path, prefix) ||
        !EndsWith(path, suffix)) {
        return std::nullopt;
    }
    return path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
}

std::string Padded(const std::string& id, std::size_t width, char fill) {
    if (id.size() >= width) {
        return id;
    }
    return std::string(width - id.size(), fill) + id;
}

// The avatar token is 20 bytes, "T1" and the id padded with 'Q', so that the
// address has the same length for every member.
std::string AvatarToken(const std::string& userId) {
    return "T1" + Padded(userId, 18, 'Q');
}

std::string IdOfAvatarToken(const std::string& token) {
    if (token.size() != 20 || !StartsWith(token, "T1")) {
        return {};
    }
    const std::size_t first = token.find_first_not_of('Q', 2);
    return first == std::string::npos ? std::string() : token.substr(first);
}

std::string LogoExtension(const Member& m) {
    const std::size_t dot = m.logo.rfind('.');
    return dot == std::string::npos ? ".jpg" : m.logo.substr(dot);
}

}  // namespace

std::string ProfileAddress(const Member& m) {
    return Http(endpoints::kMemberHost, endpoints::kProfilePath + m.account);
}

std::string PersonalSpaceAddress(const Member& m) {
    return Http(kSpaceHost, "/u/" + m.userId + "/front.htm");
}

std::string RatingPageAddress(const Member& m) {
    return Http(endpoints::kRatingHost, endpoints::kRatingPagePrefix + m.userId + ".htm");
}

std::string ShopAddress(const Member& m) {
    return "http://shop" + m.userId + ".taobao.com/";
}

std::string ItemsAddress(const Member& m) {
    return "http://shop" + m.userId + ".taobao.com/search.htm";
}

std::string FavouritesAddress(const Member& m) {
    return Http(endpoints::kFavouritesHost,
                std::string(endpoints::kFavouritesPath) + "?itemtype=0&isshop=1&id=" + m.userId);
}

std::string LogoAddress(const Member& m) {
    return Http(endpoints::kLogoHost, kLogoPrefix + m.userId + LogoExtension(m));
}

std::string AvatarAddress(const Member& m) {
    return Http(kPictureHost, kAvatarPrefix + AvatarToken(m.userId) + kAvatarSuffix);
}

std::string HonourAddress(const Member& m, int index) {
    const std::string number = (index < 10 ? "0" : "") + std::to_string(index);
    const std::string address =
        Http(kPictureHost, kHonourPrefix + number + "-" + Padded(m.userId, 14, '0') + ".png");
    if (address.size() != 62) {
        throw std::logic_error("an honour address must be 62 bytes: " + address);
    }
    return address;
}

std::string CreditIconAddress(const std::string& pictureName) {
    return Http(kPictureHost, kCreditPrefix + pictureName);
}

const Member* MemberOfSpacePath(const std::string& path) {
    const auto id = Between(path, "/u/", "/front.htm");
    return id ? FindMemberById(*id) : nullptr;
}

const Member* MemberOfRatingPagePath(const std::string& path) {
    const auto id = Between(path, endpoints::kRatingPagePrefix, ".htm");
    return id ? FindMemberById(*id) : nullptr;
}

const Member* MemberOfAvatarPath(const std::string& path) {
    const auto token = Between(path, kAvatarPrefix, kAvatarSuffix);
    return token ? FindMemberById(IdOfAvatarToken(*token)) : nullptr;
}

std::optional<std::pair<const Member*, int>> HonourOfPath(const std::string& path) {
    const auto rest = Between(path, kHonourPrefix, ".png");
    if (!rest || rest->size() != 17 || (*rest)[2] != '-') {
        return std::nullopt;
    }
    const std::string number = rest->substr(0, 2);
    if (number.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const std::size_t first = rest->find_first_not_of('0', 3);
    const Member* m = first == std::string::npos ? nullptr : FindMemberById(rest->substr(first));
    if (m == nullptr) {
        return std::nullopt;
    }
    return std::make_pair(m, std::stoi(number));
}

const Member* MemberOfLogoPath(const std::string& path) {
    if (!StartsWith(path, kLogoPrefix)) {
        return nullptr;
    }
    const std::string file = path.substr(std::string(kLogoPrefix).size());
    const std::size_t dot = file.rfind('.');
    return FindMemberById(file.substr(0, dot));
}

std::string CreditIconOfPath(const std::string& path) {
    const auto name = Between(path, kCreditPrefix, "");
    if (!name || name->empty() || name->find('/') != std::string::npos) {
        return {};
    }
    return *name;
}

}  // namespace kestrova::marketplace
