// Two passes over the profile: a provisional shop start date, and the address
// of the member's rating overview page.

#include "lookup/Lookup.h"
#include "lookup/PageAddresses.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "web/Endpoints.h"

namespace kestrova {

namespace {

const Text kDatePattern = Gbk("\\d+年\\d+月\\d+日");

Text RatingPagePattern() {
    return "http:\\/\\/" + ReplaceSubText(endpoints::kRatingHost, ".", "\\.", 1, kUnlimited, true) +
           "\\/user-rate-.*htm";
}

}  // namespace

Text RatingPageAddressIn(RegexHelper& regex, TextView profile) {
    static const Text pattern = RatingPagePattern();
    regex.RegexPrepare(pattern, profile);
    return regex.RegexMatchValue(1);
}

Text FindRatingPageAddress(Lookup& q) {
    RegexHelper& regex = q.state.regex;
    regex.RegexPrepare(kDatePattern, q.state.PageText);
    q.window.WriteText(Ctl::编辑框9, regex.RegexMatchValue(1));
    return RatingPageAddressIn(regex, q.state.PageText);
}

}  // namespace kestrova
