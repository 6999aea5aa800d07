#pragma once
// Where the marketplace lives. The paths and query keys are fixed by the pages
// the query reads; the host names are ours to supply and live here only.

#include <optional>
#include <string>

#include "text/Text.h"

namespace kestrova::endpoints {

inline constexpr const char* kMemberHost = "member1.taobao.com";
inline constexpr const char* kRatingHost = "rate.taobao.com";
inline constexpr const char* kStatusHost = "amos.im.alisoft.com";
inline constexpr const char* kFavouritesHost = "favorite.taobao.com";
inline constexpr const char* kLogoHost = "logo.taobao.com";
inline constexpr const char* kVipHost = "vip.taobao.com";
inline constexpr const char* kTmallDomain = "tmall.com";  // follows 天猫 in the Tmall mark

inline constexpr const char* kProfilePath = "/member/user_profile.jhtml?user_id=";
inline constexpr const char* kRatingListPath = "/member_rate.htm";
inline constexpr const char* kStatusPath = "/muliuserstatus.aw";
inline constexpr const char* kStatusQuery = "beginnum=0&site=cntaobao&charset=utf-8&uids=";
inline constexpr const char* kFavouritesPath = "/collect_item_relation";
inline constexpr const char* kLogoPath = "/shop-logo";
inline constexpr const char* kRatingPagePrefix = "/user-rate-";

// The fixed outside page the profile request names as its Referer.
inline constexpr const char* kProfileReferer = "http://www.hao123.com/";

// The maker's web site: shown by the exit link and opened when the window closes.
inline constexpr const char* kMakerAddress = "http://www.orvanel.com/";

}  // namespace kestrova::endpoints

namespace kestrova {

// Connect-to: every request, whatever host its URL names, goes to HOST:PORT
// over plain HTTP, keeping the URL's Host header and path. Set by the front
// ends from --connect-to, or read from KESTROVA_CONNECT_TO when never set.
struct ConnectTarget {
    std::string host;
    int port = 0;
};
// Parses "HOST:PORT"; nullopt when malformed (empty host, port outside 1-65535).
std::optional<ConnectTarget> ParseConnectTarget(const std::string& hostPort);
// An empty optional turns the override off.
void SetConnectTo(std::optional<ConnectTarget> target);
// The override in force: the one set, else the environment variable's.
std::optional<ConnectTarget> ConnectTo();

}  // namespace kestrova
