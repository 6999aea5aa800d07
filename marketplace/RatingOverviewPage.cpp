// The rating overview page (rate.taobao.com/user-rate-ID.htm).
//
// What the query reads here, and how the page serves it:
// - "所在地区：" followed by the region as the first run of Chinese characters;
// - userID in the page script; the first Chinese run between the two
//   certification comments; the shop start date input on a line of its own;
// - the three scores: the first "</em>分" is the first score (three bytes),
//   the second and third follow the second and third ` class="count">`;
// - seller credit after "<li>卖家信用：" and one space, ended two bytes before
//   "<a href=", its icon the first "><img src=" behind it, ended by two spaces
//   and "border="; buyer credit likewise, its icon ended by " title=";
//   a member who buys mainly has the buyer block without "<li>";
// - the count table: nothing before it has digits right before "</a>", so
//   the first twelve such cells are the table, row by row;
// - the favourites link ended by `"></li>`, the main business link by `" >`,
//   the VIP rank title six bytes long, the industry lines in their divs;
// - the good-rate percentage on a line of its own with no further "%".

#include "marketplace/Addresses.h"
#include "marketplace/Pages.h"
#include "web/Endpoints.h"

namespace kestrova::marketplace {

namespace {

const char* const kPeriods[] = {"最近一周", "最近一月", "最近半年", "半年以前"};
const char* const kPeriodKeys[] = {"week", "month", "halfyear", "before"};
const char* const kResults[] = {"1", "0", "-1"};

std::string Script(const Member& m) {
    return "<script type=\"text/javascript\">\n"
           "var g_config = {\n"
           "    userID: '" +
           m.userId +
           "',\n"
           "    assetsServer: 'http://assets.taobaocdn.com',\n"
           "    rateServer: 'http://rate.taobao.com'\n"
           "};\n"
           "</script>\n";
}

std::string MemberInfo(const Member& m) {
    std::string s = "<div class=\"personal-info\">\n<h3>会员信息</h3>\n<ul>\n";
    s += "<li class=\"nick\">会员：" + m.account + "</li>\n";
    s += "<li>所在地区：\n    " + m.region + "\n</li>\n";
    s += "<li class=\"cert\"><!--认证标志--><a href=\"http://www.alipay.com/\" target=\"_blank\" "
         "title=\"" +
         m.certification +
         "\"><img src=\"http://img.taobaocdn.com/tps/alipay_cert.png\" alt=\"\" /></a>"
         "<!--商城及地域的标志--></li>\n";
    if (m.licence) {
        s += "<li>执照信息：<a href=\"http://img.taobaocdn.com/licence/" + m.userId +
             ".jpg\" target=\"_blank\">已上传营业执照</a></li>\n";
    }
    s += "</ul>\n";
    if (!m.shopStartDate.empty()) {
        s += "<input type=\"hidden\" id=\"J_showShopStartDate\" value=\"" + m.shopStartDate +
             "\" />\n";
    }
    s += "</div>\n";
    return s;
}

std::string SellerCreditLine(const Member& m) {
    if (m.sellerCredit.empty()) {
        return {};
    }
    return "<li>卖家信用： " + m.sellerCredit +
           " <a href=\"http://www.taobao.com/help/credit.htm\" target=\"_blank\"><img src=\"" +
           CreditIconAddress(m.sellerIcon) + "\"  border=\"0\" class=\"credit-icon\" /></a></li>\n";
}

std::string BuyerIcon(const Member& m) {
    return "<a href=\"http://www.taobao.com/help/credit.htm\" target=\"_blank\"><img src=\"" +
           CreditIconAddress(m.buyerIcon) + "\" title=\"买家信用等级\" border=\"0\" /></a>";
}

std::string BuyerCreditLine(const Member& m) {
    if (m.buyerCredit.empty() || !m.buyerCreditInList) {
        return {};
    }
    return "<li>买家信用： " + m.buyerCredit + " " + BuyerIcon(m) + "</li>\n";
}

// A buyer's page shows the buyer credit as a link of its own.
std::string BuyerCreditBlock(const Member& m) {
    if (m.buyerCredit.empty() || m.buyerCreditInList) {
        return {};
    }
    return "<div class=\"buyer-credit\">买家信用：<a href=\"" + RatingPageAddress(m) +
           "?from=buyer\" target=\"_blank\">" + m.buyerCredit + "</a> " + BuyerIcon(m) + "</div>\n";
}

std::string Scores(const Member& m) {
    if (m.scores[0].empty()) {
        return {};
    }
    return "<div class=\"shop-rate\">\n<h4>店铺动态评分</h4>\n<ul class=\"dsr\">\n"
           "<li>宝贝与描述相符：<em class=\"count\">" +
           m.scores[0] +
           "</em>分</li>\n"
           "<li>卖家的服务态度：<em class=\"count\">" +
           m.scores[1] +
           "</em>分</li>\n"
           "<li>卖家发货的速度：<em class=\"count\">" +
           m.scores[2] + "</em>分</li>\n</ul>\n</div>\n";
}

std::string Services(const Member& m) {
    if (m.nonSeller) {
        return "<div class=\"shop-service\">\n<p "
               "class=\"msg\">该会员还没有店铺，卖家尚未加入淘宝网。"
               "</p>\n</div>\n";
    }
    if (m.commitments.empty()) {
        return {};
    }
    std::string s = "<div class=\"shop-service\">\n<h4>店铺服务</h4>\n<ul>\n";
    for (const std::string& name : m.commitments) {
        s += "<li><a href=\"http://www.taobao.com/go/act/xb.php\" target=\"_blank\">" + name +
             "</a></li>\n";
    }
    s += "</ul>\n</div>\n";
    return s;
}

std::string SellerSection(const Member& m) {
    std::string s;
    if (m.sellerInfo) {
        s += "<div class=\"seller-info\">\n<h4>卖家信息</h4>\n<ul>\n";
    } else {
        s += "<div class=\"buyer-info\">\n<h4>买家信息</h4>\n<ul>\n";
    }
    s += SellerCreditLine(m);
    s += BuyerCreditLine(m);
    if (!m.mainBusinessPage.empty()) {
        s += "<li>当前主营：<a href=\"http://search.taobao.com/search?user_id=" + m.userId +
             "\" >" + m.mainBusinessPage + "</a></li>\n";
    }
    if (!m.itemCount.empty()) {
        s += "<li><span>宝贝数量：</span>" + m.itemCount + "</li>\n";
    }
    if (!m.goodRate.empty()) {
        s += "<li>好评率：" + m.goodRate + "%</li>\n";
    }
    if (!m.vipRank.empty()) {
        s += "<li>会员等级：<a href=\"http://" + std::string(endpoints::kVipHost) +
             "/\" target=\"_blank\"><img src=\"http://img.taobaocdn.com/vip/card.gif\" "
             "align=\"absmiddle\" class=\"rank\" title=\"" +
             m.vipRank + "\" /></a></li>\n";
    }
    s += "</ul>\n";
    s += BuyerCreditBlock(m);
    if (m.creditCard) {
        s += "<p class=\"credit-card\">本店支持信用卡直接付款</p>\n";
    }
    if (!m.deposit.empty()) {
        s +=
            "<div class=\"deposit\">卖家当前保证金余额 <span>￥" + m.deposit + "</span> 元</div>\n";
    }
    if (!m.realTrades.empty()) {
        s += "<div class=\"trade-count\">\n<p>虚拟宝贝交易: <em>" + m.virtualTrades +
             "</em></p>\n<p>实物宝贝交易: <em>" + m.realTrades + "</em></p>\n</div>\n";
    }
    if (!m.industryPage.empty()) {
        s += "<div class=\"list\">主营行业：" + m.industryPage + "</div>\n";
        s += "<div class=\"list\">主营占比：" + m.industryShare + "</div>\n";
    }
    if (m.favourites) {
        s += "<ul class=\"shop-op\">\n<li class=\"J_CollectShop\" data-url=\"" +
             FavouritesAddress(m) + "\"></li>\n</ul>\n";
    }
    s += "</div>\n";
    return s;
}

std::string CountTableHtml(const Member& m) {
    std::string s = "<div class=\"rate-box\">\n<table class=\"tb-rate-table\">\n";
    s += std::string("<caption>") + (m.sellerInfo ? "收到的评价" : "给出的评价") + "</caption>\n";
    s += "<tr><th>&nbsp;</th><th>好评</th><th>中评</th><th>差评</th></tr>\n";
    for (int row = 0; row < 4; ++row) {
        s += std::string("<tr><td class=\"period\">") + kPeriods[row] + "</td>";
        for (int col = 0; col < 3; ++col) {
            const std::string& count = m.counts[static_cast<std::size_t>(row * 3 + col)];
            s += "<td class=\"result\">";
            if (count.empty()) {
                s += "-";
            } else {
                s += "<a href=\"" + RatingPageAddress(m) + "?period=" + kPeriodKeys[row] +
                     "&amp;result=" + kResults[col] + "\">" + count + "</a>";
            }
            s += "</td>";
        }
        s += "</tr>\n";
    }
    s += "</table>\n</div>\n";
    return s;
}

}  // namespace

std::string RatingOverviewPage(const Member& m) {
    return PageHead(m.account + "的信用评价 - 淘宝网",
                    "http://assets.taobaocdn.com/app/rate/rate.css") +
           SiteBar() + Script(m) +
           "<div id=\"rate-page\">\n"
           "<div class=\"col-sub\">\n" +
           MemberInfo(m) + Services(m) +
           "</div>\n"
           "<div class=\"col-main\">\n"
           "<!-- 评价统计 -->\n" +
           CountTableHtml(m) + Scores(m) + SellerSection(m) +
           "<div id=\"J_RateList\" class=\"rate-list\">\n"
           "<p class=\"loading\">评价加载中</p>\n"
           "</div>\n"
           "</div>\n"
           "</div>\n" +
           SiteFooter();
}

}  // namespace kestrova::marketplace
