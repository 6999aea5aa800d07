// The personal space page (i.taobao.com).
//
// What the query reads here, and how the page serves it:
// - the nick inside `<div class="nick">`, read from a 33-byte window;
// - the sex as the first "男" or "女" anywhere, so nothing else on the page
//   carries either character;
// - the district code inside `<span class="J_district">`;
// - the avatar address, which starts exactly 58 bytes before "160x160.jpg" and
//   ends with it, followed by `" alt=`;
// - each honour picture address as the 62 bytes after
//   "position:relative;background-image: url(";
// - fans, follows and visits as the digits behind the only ">" of the nine
//   bytes before their markers (`<b class="num">` keeps others out);
// - school and company spans behind `<s class="sep ks-inline-block"></s>`,
//   present even when empty;
// - the blog count after ">查看全部<b>", in a nine-byte window.

#include "marketplace/Addresses.h"
#include "marketplace/Pages.h"

namespace kestrova::marketplace {

namespace {

const char* const kHonourTitles[] = {"手工达人", "诚信之星", "热心会员",
                                     "社区先锋", "好评如潮", "十年老友"};

std::string Avatar(const Member& m) {
    if (m.avatar.empty()) {
        return "<div class=\"avatar\"><img src=\"http://img.taobaocdn.com/sns/"
               "default_avatar.png\" alt=\"\" width=\"160\" height=\"160\" /></div>\n";
    }
    return "<div class=\"avatar\"><img src=\"" + AvatarAddress(m) + "\" alt=\"" + m.nick +
           "\" width=\"160\" height=\"160\" /></div>\n";
}

std::string BaseInfo(const Member& m) {
    std::string s = "<ul class=\"base\">\n";
    if (!m.sexText.empty()) {
        s += "<li class=\"sex\">性别：" + m.sexText + "</li>\n";
    }
    s += "<li class=\"district\">所在地：<span class=\"J_district\">" + m.district +
         "</span></li>\n";
    s += "<li><span class=\"school\"><s class=\"sep ks-inline-block\"></s>" + m.school +
         "</span></li>\n";
    s += "<li><span class=\"company\"><s class=\"sep ks-inline-block\"></s>" + m.company +
         "</span></li>\n";
    s += "</ul>\n";
    return s;
}

std::string Counts(const Member& m) {
    const std::string base = "http://i.taobao.com/u/" + m.userId;
    return "<ul class=\"sns-count\">\n"
           "<li><a href=\"" +
           base + "/fans.htm\"><b class=\"num\">" + m.fans +
           "</b></a><span>粉丝</span></li>\n"
           "<li><a href=\"" +
           base + "/follow.htm\"><b class=\"num\">" + m.follows +
           "</b></a><span>关注</span></li>\n"
           "<li><span><b class=\"num\">" +
           m.visits +
           "</b></span><span>访问</span></li>\n"
           "</ul>\n";
}

std::string Honours(const Member& m) {
    std::string s = "<div class=\"honour\">\n<h4>获得荣誉</h4>\n<ul class=\"honour-list\">\n";
    for (std::size_t i = 0; i < m.honours.size(); ++i) {
        s += "<li style=\"position:relative;background-image: url(" +
             HonourAddress(m, static_cast<int>(i) + 1) + ");width:22px;height:20px;\" title=\"" +
             kHonourTitles[i % 6] + "\"></li>\n";
    }
    if (m.honours.empty()) {
        s += "<li class=\"empty\">暂无荣誉</li>\n";
    }
    s += "</ul>\n</div>\n";
    return s;
}

std::string Blog(const Member& m) {
    if (m.blogsPage.empty()) {
        return "<div class=\"blog\"><p>还没有写过日志。</p></div>\n";
    }
    return "<div class=\"blog\">\n<h4>我的日志</h4>\n<p class=\"more\"><a "
           "href=\"http://i.taobao.com/u/" +
           m.userId + "/blog.htm\">查看全部<b>" + m.blogsPage + "</b>篇日志</a></p>\n</div>\n";
}

}  // namespace

std::string PersonalSpacePage(const Member& m) {
    return PageHead(m.account + "的个人空间 - 我的淘宝",
                    "http://assets.taobaocdn.com/app/sns/space.css") +
           SiteBar() +
           "<div id=\"sns-page\">\n"
           "<div class=\"profile-card\">\n"
           "<!-- 头像 -->\n" +
           Avatar(m) + "<div class=\"nick\">" + m.nick + "</div>\n" + BaseInfo(m) + Counts(m) +
           "</div>\n"
           "<div class=\"main\">\n" +
           Honours(m) + Blog(m) +
           "<div class=\"feeds\">\n"
           "<h4>最近动态</h4>\n"
           "<ul>\n"
           "<li>更新了个人资料</li>\n"
           "<li>分享了一个宝贝</li>\n"
           "</ul>\n"
           "</div>\n"
           "</div>\n"
           "</div>\n"
           "<script type=\"text/javascript\">\n"
           "KISSY.use(\"sns/space\", function(S, Space) { Space.init({ uid: '" +
           m.userId +
           "' }); });\n"
           "</script>\n" +
           SiteFooter();
}

}  // namespace kestrova::marketplace
