// The member server's profile page and its two notices.
//
// What the query reads here, and how the page serves it:
// - the registration date between "<li>注册时间：" plus one space and a space
//   before "</li>";
// - the items link as the only attribute of its anchor, followed directly by
//   ">出售中的宝贝</a></li>";
// - the shop link ending in `" >`, or the empty link " ></a></li>" for a
//   member without a shop (which no other page text contains);
// - the last login after "<li>上次登录：" and one space;
// - the first "N年N月N日" of the page is the shop's opening day;
// - the personal space link as `<li><a href="..." /> 个人空间`, with no other
//   "<li><a href=" in the 111 bytes before its end;
// - the rating page link on a line of its own, with no later "htm" on it.

#include "marketplace/Addresses.h"
#include "marketplace/Pages.h"

namespace kestrova::marketplace {

namespace {

std::string ShopLine(const Member& m) {
    if (m.shopName.empty()) {
        return "<li>淘宝店铺： <a href=\"\" ></a></li>\n";
    }
    return "<li>淘宝店铺： <a href=\"" + ShopAddress(m) + "\" >" + m.shopName + "</a></li>\n";
}

std::string BaseInfo(const Member& m, std::chrono::system_clock::time_point now) {
    std::string s = "<ul class=\"base-info\">\n";
    s += "<li>会员名称：" + m.account + "</li>\n";
    s += "<li>注册时间： " + RegistrationDate(m, now) + " </li>\n";
    if (m.listsItems) {
        s += "<li>宝贝信息： <a href=\"" + ItemsAddress(m) + "\">出售中的宝贝</a></li>\n";
    }
    s += ShopLine(m);
    s += "<li>上次登录：" + m.lastLoginPage + "</li>\n";
    if (!m.openedText.empty()) {
        s += "<li>开店时间：" + m.openedText + "</li>\n";
    }
    if (m.tmall) {
        s += "<li>店铺类型：<a href=\"http://www.tmall.com/\" target=\"_blank\">天猫tmall.com</a>"
             "</li>\n";
    }
    s += "</ul>\n";
    return s;
}

std::string SpaceLinks(const Member& m) {
    return "<ul class=\"space-links\">\n"
           "<li><a href=\"" +
           PersonalSpaceAddress(m) +
           "\" /> 个人空间</a></li>\n"
           "<li class=\"rate\"><a href=\"" +
           RatingPageAddress(m) +
           "\" target=\"_blank\">信用评价</a></li>\n"
           "<li class=\"mail\"><a href=\"http://service.taobao.com/support/minerva/"
           "robot.do?uid=" +
           m.userId +
           "\" target=\"_blank\">站内信</a></li>\n"
           "</ul>\n";
}

std::string Notice(const std::string& text) {
    return PageHead("淘宝网 - 提示信息", "http://assets.taobaocdn.com/p/member/notice.css") +
           SiteBar() +
           "<div id=\"content\">\n"
           "<div class=\"msg-box\">\n"
           "<!-- 提示信息 -->\n"
           "<p class=\"error\">" +
           text +
           "</p>\n"
           "<p class=\"back\"><a href=\"http://www.taobao.com/\">返回淘宝网首页</a></p>\n"
           "</div>\n"
           "</div>\n" +
           SiteFooter();
}

}  // namespace

std::string ProfilePage(const Member& m, std::chrono::system_clock::time_point now) {
    return PageHead(m.account + "的个人资料 - 淘宝网",
                    "http://assets.taobaocdn.com/p/member/profile.css") +
           SiteBar() +
           "<div id=\"content\">\n"
           "<div class=\"col-main\">\n"
           "<div class=\"profile\">\n"
           "<h2 class=\"account\">" +
           m.account +
           "</h2>\n"
           "<!-- 基本资料 -->\n" +
           BaseInfo(m, now) + SpaceLinks(m) +
           "</div>\n"
           "</div>\n"
           "<div class=\"col-sub\">\n"
           "<h3>安全提示</h3>\n"
           "<p>交易时请使用支付宝担保交易，不要直接汇款给对方。</p>\n"
           "</div>\n"
           "</div>\n"
           "<script type=\"text/javascript\">\n"
           "KISSY.ready(function(S) { S.one(\"#content\").addClass(\"loaded\"); });\n"
           "</script>\n" +
           SiteFooter();
}

std::string UnknownMemberNotice() {
    return Notice("很抱歉！淘宝正在对该店铺盘点，请稍后再试");
}

std::string BlockedMemberNotice() {
    return Notice("通告：該用戶已經被查封！");
}

}  // namespace kestrova::marketplace
