// The favourites page linked from the rating overview page: shop logo, credit
// level text and favourites popularity.

#include "lookup/Lookup.h"
#include "lookup/MarkerCut.h"
#include "lookup/PageAddresses.h"
#include "lookup/PictureBoxes.h"
#include "text/Convert.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "web/Endpoints.h"
#include "web/HttpSessionRequest.h"

namespace kestrova {

namespace {

const Text kFavouritesPrefix =
    Text("http://") + endpoints::kFavouritesHost + endpoints::kFavouritesPath;
const Text kLogoPrefix = Text("http://") + endpoints::kLogoHost + endpoints::kLogoPath;
const Text kLevelMarker = "\t<span class=\"price\">";
const Text kPopularityMarker = Gbk("收藏人气：<STRONG>");

}  // namespace

Text FavouritesAddress(TextView ratingPage) {
    return MarkerCut(ratingPage, kFavouritesPrefix, 0, 99, "></li>", 2);
}

Text LogoAddress(TextView favouritesPage) {
    return MarkerCut(favouritesPage, kLogoPrefix, 0, 99, " alt=", 2);
}

void ShowFavouritesExtras(Lookup& q) {
    Window& w = q.window;
    RequestPage(q, q.state.ScratchText, FavouritesAddress(q.state.PageText));
    const Text& page = q.state.ScratchText;

    FetchPicture(LogoAddress(page), w, Ctl::图片框72);
    w.WriteText(Ctl::编辑框200, MarkerCut(page, kLevelMarker, 21, 99, "</span>", 1));
    const Text popularity = MarkerCut(page, kPopularityMarker, 18, 99, "</STRONG>", 1);
    w.WriteText(Ctl::编辑框199, ReplaceSubText(popularity, " ", "", 1, 99, true));
}

}  // namespace kestrova
