// The member's profile page: the request with its three stop messages, and the
// registration time, items link, shop link and last login cut from it.

#include "form/QueryEnds.h"
#include "lookup/Lookup.h"
#include "lookup/MarkerCut.h"
#include "lookup/PageAddresses.h"
#include "lookup/StepTexts.h"
#include "lookup/TextRules.h"
#include "text/Convert.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "web/Endpoints.h"
#include "web/ProfileRequest.h"
#include "web/UrlCodec.h"

namespace kestrova {

namespace {

const Text kUnknownNotice = Gbk("很抱歉！淘宝正在对该店铺盘点，请稍后再试");
const Text kBlockedNotice = Gbk("通告：該用戶已經被查封！");

const Text kRegisteredMarker = Gbk("<li>注册时间：");
const Text kItemsMarker = Gbk("<li>宝贝信息：");
const Text kItemsLinkMarker = Gbk("<li>宝贝信息： <a href=");
const Text kItemsLinkEnd = Gbk(">出售中的宝贝</a></li>");
const Text kItemsCaption = Gbk("出售中的宝贝");
const Text kNoShopMark = " ></a></li>";
const Text kShopLinkMarker = Gbk("<li>淘宝店铺： <a href=");
const Text kLastLoginMarker = Gbk("<li>上次登录：");
const Text kListItemEnd = "</li>";

void ShowShopLink(Lookup& q) {
    const Text& page = q.state.PageText;
    if (Contains(page, kNoShopMark)) {
        q.window.WriteText(Ctl::超级链接框1, kNoShopCaption);
        q.window.WriteLinkAddress(Ctl::超级链接框1, Text());
        return;
    }
    const Text afterLink = MidText(page, FindText(page, kShopLinkMarker) + 24, 999);
    const Text linkText = MidText(afterLink, FindText(afterLink, " >") + 2, 999);
    const Text shopName = LeftText(linkText, FindText(linkText, "</a></li>") - 1);
    q.window.WriteText(Ctl::超级链接框1, LeftText(shopName, 24));
    q.window.WriteLinkAddress(Ctl::超级链接框1, MarkerCut(page, kShopLinkMarker, 24, 999, " >", 2));
}

}  // namespace

Text ProfileAddress(const Text& account) {
    return Text("http://") + endpoints::kMemberHost + endpoints::kProfilePath +
           UrlEncode(TrimSpaces(account));
}

ProfileEnd ProfileEndOf(TextView profile) {
    if (profile.empty()) {
        return ProfileEnd::FetchFailed;
    }
    if (Contains(profile, kUnknownNotice)) {
        return ProfileEnd::Unknown;
    }
    if (Contains(profile, kBlockedNotice)) {
        return ProfileEnd::Blocked;
    }
    return ProfileEnd::None;
}

bool RequestProfile(Lookup& q) {
    // The raw body goes as soon as its text is made: nothing reads it again,
    // and a page at the size cap is held often enough as it is.
    q.state.PageText = ToText(RequestProfileBody(ProfileAddress(q.window.ReadText(Ctl::编辑框1))));
    q.state.ProfileText = q.state.PageText;

    switch (ProfileEndOf(q.state.PageText)) {
        case ProfileEnd::None:
            return true;
        case ProfileEnd::FetchFailed:
            q.window.StatusBarSetText(0, kFetchFailedMessage);
            break;
        case ProfileEnd::Unknown:
            q.window.StatusBarSetText(0, kUnknownAccountMessage);
            break;
        case ProfileEnd::Blocked:
            q.window.StatusBarSetText(0, kBlockedAccountMessage);
            break;
    }
    return false;
}

void ShowProfileFields(Lookup& q) {
    const Text& page = q.state.PageText;
    if (Contains(page, kRegisteredMarker)) {
        const Text registered = MarkerCut(page, kRegisteredMarker, 15, 888, kListItemEnd, 2, 9999);
        q.window.WriteText(Ctl::编辑框24, WithoutSpacesAndTabs(registered, 888, 9999));
    }
    if (Contains(page, kItemsMarker)) {
        q.window.WriteText(Ctl::超级链接框3, kItemsCaption);
        q.window.WriteLinkAddress(Ctl::超级链接框3,
                                  MarkerCut(page, kItemsLinkMarker, 24, 999, kItemsLinkEnd, 2));
    }
    ShowShopLink(q);
    if (Contains(page, kLastLoginMarker)) {
        const Text lastLogin = MarkerCut(page, kLastLoginMarker, 15, 9999, kListItemEnd, 1);
        q.window.WriteText(Ctl::编辑框10, WithoutSpacesAndTabs(lastLogin, 9999, 9999));
    }
}

}  // namespace kestrova
