// The favourites page (favorite.taobao.com/collect_item_relation), reached
// from the rating page. The query reads the shop logo address ended two bytes
// before " alt=", the credit level in the span behind a tab, and the
// popularity between "收藏人气：<STRONG>" and "</STRONG>".

#include "marketplace/Addresses.h"
#include "marketplace/Pages.h"

namespace kestrova::marketplace {

std::string FavouritesPage(const Member& m) {
    return PageHead("收藏店铺 - 淘宝网", "http://assets.taobaocdn.com/app/favorite/collect.css") +
           SiteBar() +
           "<div id=\"collect-page\">\n"
           "<h3>收藏店铺</h3>\n"
           "<div class=\"collect-shop\">\n"
           "<div class=\"shop-logo\"><a href=\"" +
           ShopAddress(m) + "\" target=\"_blank\"><img src=\"" + LogoAddress(m) + "\" alt=\"" +
           m.shopName +
           "\" width=\"100\" height=\"100\" /></a></div>\n"
           "<dl class=\"shop-info\">\n"
           "<dt>店铺信用：</dt>\n"
           "<dd>\n"
           "\t<span class=\"price\">" +
           m.creditLevel +
           "</span>\n"
           "</dd>\n"
           "<dd class=\"popularity\">收藏人气：<STRONG>" +
           m.popularityPage +
           "</STRONG></dd>\n"
           "</dl>\n"
           "<p class=\"op\"><a "
           "href=\"http://favorite.taobao.com/collect_list.htm\">查看我的收藏</a></p>\n"
           "</div>\n"
           "</div>\n" +
           SiteFooter();
}

}  // namespace kestrova::marketplace
