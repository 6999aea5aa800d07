#include <array>

#include "FuzzEntries.h"

namespace kestrova::fuzz {

std::span<const FuzzTarget> FuzzTargets() {
    static constexpr std::array<FuzzTarget, 18> kTargets = {{
        {"text_search", &FuzzTextSearch},
        {"text_convert", &FuzzTextConvert},
        {"marker_cut", &FuzzMarkerCut},
        {"profile_fields", &FuzzProfileFields},
        {"personal_space", &FuzzPersonalSpace},
        {"shop_page", &FuzzShopPage},
        {"rating_list", &FuzzRatingList},
        {"rating_extras", &FuzzRatingExtras},
        {"rating_summaries", &FuzzRatingSummaries},
        {"query", &FuzzQuery},
        {"regex_system", &FuzzRegexSystem},
        {"regex_any", &FuzzRegexAny},
        {"url_codec", &FuzzUrlCodec},
        {"cookies_headers", &FuzzCookiesHeaders},
        {"wire_response", &FuzzWireResponse},
        {"region_name", &FuzzRegionName},
        {"picture", &FuzzPicture},
        {"bitmap_icon", &FuzzBitmapIcon},
    }};
    return kTargets;
}

}  // namespace kestrova::fuzz
