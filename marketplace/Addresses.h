#pragma once
// The addresses the pages link to, and how a request for one of them finds its
// member again. Pages and the router both go through here, so that every link
// a page carries is one the marketplace answers.

#include <optional>
#include <string>

#include "marketplace/Members.h"

namespace kestrova::marketplace {

// Hosts that only the sample pages name (the query takes these from the pages).
inline constexpr const char* kSpaceHost = "i.taobao.com";
inline constexpr const char* kPictureHost = "img.taobaocdn.com";

std::string ProfileAddress(const Member& m);  // for reference only; built by the query
std::string PersonalSpaceAddress(const Member& m);
std::string RatingPageAddress(const Member& m);
std::string ShopAddress(const Member& m);
std::string ItemsAddress(const Member& m);
std::string FavouritesAddress(const Member& m);
std::string LogoAddress(const Member& m);

// Exactly 58 bytes before "160x160.jpg", which ends the address.
std::string AvatarAddress(const Member& m);
// Exactly 62 bytes; index is 1-based.
std::string HonourAddress(const Member& m, int index);
// A credit icon by its picture name.
std::string CreditIconAddress(const std::string& pictureName);

// Paths of the personal space, rating page and picture addresses, read back.
const Member* MemberOfSpacePath(const std::string& path);
const Member* MemberOfRatingPagePath(const std::string& path);
const Member* MemberOfAvatarPath(const std::string& path);
// The member and 1-based index of an honour picture path.
std::optional<std::pair<const Member*, int>> HonourOfPath(const std::string& path);
const Member* MemberOfLogoPath(const std::string& path);
// The picture name of a credit icon path, or empty.
std::string CreditIconOfPath(const std::string& path);

}  // namespace kestrova::marketplace
