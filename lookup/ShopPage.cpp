// The rating overview page: member id, region, certification, shop start
// date, and the shop's service commitments. The page stays in PageText for
// the steps after the rating lists.

#include <array>
#include <utility>

#include "lookup/Lookup.h"
#include "lookup/PageAddresses.h"
#include "text/Convert.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "web/HttpSessionRequest.h"

namespace kestrova {

namespace {

const Text kRegionPattern = Gbk("所在地区：[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?</li>");
const Text kShopDateWord = Gbk("创店时间");
const Text kMemberIdPattern = "userID: '(\\d+)'";
const Text kCertificationPattern =
    Gbk("<!--认证标志-->[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?<!--商城及地域的标志-->");
const Text kShopStartPattern = "id=\"J_showShopStartDate\" value=\"(.*)\" />";
const Text kNotSellerNotice = Gbk("卖家尚未加入淘宝网");
const Text kNotSeller = Gbk("此人不是卖家");
const Text kNone = Gbk("无");

// Marker on the page, text appended to the service label. Each marker ends in
// "<" so that only a name standing right before a tag counts.
const std::array<std::pair<Text, Text>, 8> kCommitments = {{
    {Gbk("消费者保障<"), Gbk("消费者保障  ")},
    {Gbk("7天退换<"), Gbk("7天退换  ")},
    {Gbk("30天维修<"), Gbk("30天维修  ")},
    {Gbk("假一赔三<"), Gbk("假一赔三  ")},
    {Gbk("24小时发货<"), Gbk("24小时发货  ")},
    {Gbk("正品保障<"), Gbk("正品保障  ")},
    {Gbk("提供发票<"), Gbk("提供发票  ")},
    {Gbk("先行赔付<"), Gbk("先行赔付")},
}};

Text FirstGroup(Lookup& q, const Text& pattern) {
    q.state.regex.RegexPrepare(pattern, q.state.PageText);
    return q.state.regex.RegexSubMatch(1, 1);
}

}  // namespace

Text MemberIdIn(RegexHelper& regex, TextView ratingPage) {
    regex.RegexPrepare(kMemberIdPattern, ratingPage);
    return regex.RegexSubMatch(1, 1);
}

void ShowShopPage(Lookup& q, const Text& address) {
    Window& w = q.window;
    RequestPage(q, q.state.PageText, address);
    const Text& page = q.state.PageText;

    w.WriteText(Ctl::编辑框8, FirstGroup(q, kRegionPattern));
    if (FindText(w.ReadText(Ctl::编辑框8), kShopDateWord) != -1) {
        w.WriteText(Ctl::编辑框8, Text());
    }
    w.WriteText(Ctl::编辑框4, MemberIdIn(q.state.regex, page));
    w.WriteText(Ctl::编辑框5, FirstGroup(q, kCertificationPattern));
    w.WriteText(Ctl::编辑框9, FirstGroup(q, kShopStartPattern));

    if (FindText(page, kNotSellerNotice) != -1) {
        w.WriteText(Ctl::编辑框9, kNotSeller);
        w.WriteText(Ctl::标签47, kNone);
        return;
    }
    w.WriteText(Ctl::标签47, Text());
    for (const auto& [marker, shown] : kCommitments) {
        if (FindText(page, marker) != -1) {
            w.WriteText(Ctl::标签47, w.ReadText(Ctl::标签47) + shown);
        }
    }
}

}  // namespace kestrova
