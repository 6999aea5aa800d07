// Pictures: avatars and honour badges on the picture host, credit icons there
// too, shop logos on the logo host. Every one of them is drawn by our own
// generator and embedded in the program.

#include "marketplace/Pictures.h"

#include "marketplace/Addresses.h"
#include "web/Endpoints.h"

namespace kestrova::marketplace {

namespace {

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string PictureNameFor(const std::string& host, const std::string& path) {
    if (host == endpoints::kLogoHost) {
        const Member* m = MemberOfLogoPath(path);
        return m != nullptr && m->favourites ? m->logo : std::string();
    }
    if (host != kPictureHost) {
        return {};
    }
    if (const Member* m = MemberOfAvatarPath(path)) {
        return m->avatar;
    }
    if (const auto honour = HonourOfPath(path)) {
        const auto& [m, index] = *honour;
        return index >= 1 && static_cast<std::size_t>(index) <= m->honours.size()
                   ? m->honours[static_cast<std::size_t>(index) - 1]
                   : std::string();
    }
    return CreditIconOfPath(path);
}

std::string PictureContentType(const std::string& name) {
    if (EndsWith(name, ".gif")) {
        return "image/gif";
    }
    if (EndsWith(name, ".png")) {
        return "image/png";
    }
    return "image/jpeg";
}

}  // namespace kestrova::marketplace
