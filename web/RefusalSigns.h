#pragma once
// How the marketplace says no. When it has had enough of a visitor it does
// not send the page asked for: it answers 429 or 503, or redirects to a
// challenge or login page, or serves such a page in the place of the one
// asked for. Every sign we know is one row of this table; when the
// marketplace changes its ways, the table changes, nothing else.

#include <array>
#include <string_view>

namespace kestrova {

struct RefusalSign {
    enum class Kind {
        kStatus,          // the final answer's status code
        kRedirectTarget,  // a redirect led to this host and path
        kBodyMarker,      // an HTML answer carries this markup
    };
    Kind kind;
    int status = 0;               // kStatus
    std::string_view host;        // kRedirectTarget: any letter case; empty: any host
    std::string_view pathPrefix;  // kRedirectTarget: the path begins with this
    std::string_view marker;      // kBodyMarker
    std::string_view what;        // what the refusal is, for the user
};

// Body markers are markup, never words: an honest page escapes whatever a
// member wrote, so only the marketplace's own page can carry them. They are
// looked for in HTML answers only, within this many bytes of the start.
inline constexpr std::size_t kRefusalMarkerWindow = 64 * 1024;

inline constexpr std::array<RefusalSign, 8> kRefusalSigns = {{
    {RefusalSign::Kind::kStatus, 429, {}, {}, {}, "HTTP 429"},
    {RefusalSign::Kind::kStatus, 503, {}, {}, {}, "HTTP 503"},
    {RefusalSign::Kind::kRedirectTarget,
     0,
     "sec.taobao.com",
     "/query.htm",
     {},
     "verification page"},
    {RefusalSign::Kind::kRedirectTarget, 0, {}, "/_____tmd_____/punish", {}, "verification page"},
    {RefusalSign::Kind::kRedirectTarget,
     0,
     "login.taobao.com",
     "/member/login.jhtml",
     {},
     "login page"},
    {RefusalSign::Kind::kBodyMarker, 0, {}, {}, "id=\"nc_1_n1z\"", "verification page"},
    {RefusalSign::Kind::kBodyMarker,
     0,
     {},
     {},
     "action=\"/_____tmd_____/verify",
     "verification page"},
    {RefusalSign::Kind::kBodyMarker,
     0,
     {},
     {},
     "action=\"https://login.taobao.com/member/login.jhtml",
     "login page"},
}};

}  // namespace kestrova
