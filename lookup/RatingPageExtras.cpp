// Further facts from the rating overview page (and the Tmall mark from the
// profile): shop scores, licence, role, counts, deposit, credit, the count
// table, main business, rank and industry. Ends with the summaries.

#include <array>

#include "assets/Assets.h"
#include "form/QueryEnds.h"
#include "lookup/Lookup.h"
#include "lookup/MarkerCut.h"
#include "lookup/PageAddresses.h"
#include "lookup/PictureBoxes.h"
#include "lookup/StepTexts.h"
#include "lookup/TextRules.h"
#include "text/Gbk.h"
#include "text/Search.h"
#include "web/Endpoints.h"

namespace kestrova {

namespace {

const Text kScoreEnd = Gbk("</em>分");
const Text kCountMarker = " class=\"count\">";
const Text kLicenceMark = Gbk("执照信息：");
const Text kLicenceYes = Gbk("有");
const Text kNone = Gbk("无");
const Text kTmallMark = Gbk("天猫") + endpoints::kTmallDomain;
const Text kSellerMark = Gbk("卖家信息");
const Text kItemCountMark = Gbk("宝贝数量：");
const Text kItemCountMarker = Gbk("宝贝数量：</span>");
const Text kCreditCardMark = Gbk("本店支持信用卡直接付款");
const Text kCreditCardShown = Gbk("支持信用卡直接付款");
const Text kVirtualTradesMarker = Gbk("虚拟宝贝交易: <em>");
const Text kPhysicalTradesMarker = Gbk("实物宝贝交易: <em>");
const Text kTradesEnd = "</em></p>";
const Text kRatePattern = Gbk("好评率：(\\d.*)%");
const Text kDepositMark = Gbk("卖家当前保证金余额");
const Text kDepositMarker = Gbk("卖家当前保证金余额 <span>￥");
const Text kDepositEnd = Gbk("</span> 元</div>");
const Text kSellerCreditMark = Gbk("卖家信用：");
const Text kSellerCreditMarker = Gbk("<li>卖家信用：");
const Text kBuyerCreditMark = Gbk("买家信用：");
const Text kBuyerCreditMarker = Gbk("<li>买家信用：");
const Text kReceivedCaption = Gbk("收到的详细评价");
const Text kGivenCaption = Gbk("给出的详细评价");
const Text kBuyerCountPattern = ">(\\d+)</a></td>";
const Text kCountPattern = ">(\\d+)</a>";
const Text kIconStart = "><img src=";
const Text kMainBusinessMarker = Gbk("<li>当前主营：<a href=");
const Text kRankMarker = " align=\"absmiddle\" class=\"rank\" title=\"";
const Text kIndustryMarker = Gbk("<div class=\"list\">主营行业：");
const Text kIndustryShareMarker = Gbk("<div class=\"list\">主营占比：");
const Text kNbsp = "&nbsp;";

constexpr std::array<Ctl, 12> kCountTable = {
    Ctl::编辑框一周好, Ctl::编辑框一周中, Ctl::编辑框一周差, Ctl::编辑框一月好,
    Ctl::编辑框一月中, Ctl::编辑框一月差, Ctl::编辑框半年好, Ctl::编辑框半年中,
    Ctl::编辑框半年差, Ctl::编辑框年前好, Ctl::编辑框年前中, Ctl::编辑框年前差,
};

// The text after the next count marker.
Text AfterCountMarker(const Text& text) {
    return MidText(text, FindText(text, kCountMarker) + 15, 9999);
}

void ShowShopScores(Lookup& q) {
    const Text& page = q.state.PageText;
    Text& rest = q.state.ScratchText;
    q.window.WriteText(Ctl::编辑框中评7, MidText(page, FindText(page, kScoreEnd) - 3, 3));
    rest = AfterCountMarker(AfterCountMarker(page));
    q.window.WriteText(Ctl::编辑框中评6, LeftText(rest, FindText(rest, kScoreEnd) - 1));
    rest = AfterCountMarker(rest);
    q.window.WriteText(Ctl::编辑框中评5, LeftText(rest, FindText(rest, kScoreEnd) - 1));
}

void ShowLicence(Lookup& q) {
    if (Contains(q.state.PageText, kLicenceMark)) {
        q.window.WriteText(Ctl::编辑框29, kLicenceYes);
        q.window.WritePicture(Ctl::图片框15, BytesOf(assets::LicenceIcon()));
    } else {
        q.window.WriteText(Ctl::编辑框29, kNone);
    }
}

// False for a Tmall account, which ends the query.
bool ShowRole(Lookup& q) {
    if (IsTmallAccount(q.state.ProfileText)) {
        q.window.WriteText(Ctl::编辑框3, kTmallRole);
        return false;
    }
    q.window.WriteText(Ctl::编辑框3, RoleOn(q.state.PageText));
    return true;
}

void ShowItemCountAndCreditCard(Lookup& q) {
    const Text& page = q.state.PageText;
    if (Contains(page, kItemCountMark)) {
        q.window.WriteText(Ctl::编辑框198, MarkerCut(page, kItemCountMarker, 17, 99, "</li>", 1));
    }
    if (Contains(page, kCreditCardMark)) {
        q.window.WriteText(Ctl::编辑框196, kCreditCardShown);
    }
}

void ShowTradeCounts(Lookup& q) {
    const Text& page = q.state.PageText;
    q.window.WriteText(Ctl::编辑框201,
                       MarkerCut(page, kVirtualTradesMarker, 18, 19, kTradesEnd, 1));
    q.window.WriteText(Ctl::编辑框202,
                       MarkerCut(page, kPhysicalTradesMarker, 18, 19, kTradesEnd, 1));
}

void ShowRateAndKeepSource(Lookup& q) {
    q.state.regex.RegexPrepare(kRatePattern, q.state.PageText);
    q.window.WriteText(Ctl::编辑框19, q.state.regex.RegexSubMatch(1, 1) + "%");
    q.window.WriteText(Ctl::编辑框2, q.state.PageText);
}

void ShowDeposit(Window& w) {
    if (Contains(w.ReadText(Ctl::编辑框2), kDepositMark)) {
        w.WriteText(Ctl::编辑框23,
                    MarkerCut(w.ReadText(Ctl::编辑框2), kDepositMarker, 27, 99, kDepositEnd, 1));
    } else {
        w.WriteText(Ctl::编辑框23, kNone);
    }
}

void ShowCredits(Lookup& q) {
    Window& w = q.window;
    if (Contains(w.ReadText(Ctl::编辑框2), kSellerCreditMark)) {
        const Text credit =
            MarkerCut(w.ReadText(Ctl::编辑框2), kSellerCreditMarker, 15, 9999, "<a href=", 2);
        w.WriteText(Ctl::编辑框6, WithoutSpacesAndTabs(credit));
    }
    if (Contains(w.ReadText(Ctl::编辑框2), kBuyerCreditMark)) {
        Text credit;
        if (Contains(w.ReadText(Ctl::编辑框2), kBuyerCreditMarker)) {
            credit = WithoutSpacesAndTabs(
                MarkerCut(w.ReadText(Ctl::编辑框2), kBuyerCreditMarker, 15, 9999, "<", 2));
        } else {
            q.state.regex.RegexPrepare(kBuyerCreditPattern, q.state.PageText);
            credit = q.state.regex.RegexSubMatch(1, 1);
        }
        w.WriteText(Ctl::编辑框7, credit);
    }
}

void ShowCountTable(Lookup& q) {
    Window& w = q.window;
    const Text role = w.ReadText(Ctl::编辑框3);
    w.WriteText(Ctl::标签评价, role == kSellerRole ? kReceivedCaption : kGivenCaption);
    q.state.regex.RegexPrepare(role == kBuyerRole ? kBuyerCountPattern : kCountPattern,
                               q.state.PageText);
    for (std::size_t k = 0; k < kCountTable.size(); ++k) {
        w.WriteText(kCountTable[k], q.state.regex.RegexSubMatch(static_cast<int>(k) + 1, 1));
    }
}

// The icon address inside the 77 bytes behind "><img src=", up to two bytes
// before endMarker; the search starts 15 bytes after the credit marker.
Text CreditIconAddress(TextView source, const Text& creditMarker, const Text& endMarker) {
    const Text after = MidText(source, FindText(source, creditMarker) + 15, 9999);
    const Text icon = MidText(after, FindText(after, kIconStart) + 11, 77);
    return LeftText(icon, FindText(icon, endMarker) - 2);
}

void ShowCreditIcons(Lookup& q) {
    Window& w = q.window;
    FetchPicture(SellerIconAddress(w.ReadText(Ctl::编辑框2)), w, Ctl::图片框6);
    FetchPicture(BuyerIconAddress(w.ReadText(Ctl::编辑框2)), w, Ctl::图片框7);
}

void ShowMainBusiness(Lookup& q) {
    const Text& page = q.state.PageText;
    const Text afterLink = MidText(page, FindText(page, kMainBusinessMarker) + 23, 999);
    const Text linkText = MidText(afterLink, FindText(afterLink, " >") + 2, 999);
    const Text business = LeftText(LeftText(linkText, FindText(linkText, "</a></li>") - 1), 24);
    q.window.WriteText(Ctl::编辑框12, ReplaceSubText(business, kNbsp, "", 1, 9, true));
}

void ShowRankAndIndustry(Lookup& q) {
    const Text& page = q.state.PageText;
    if (Contains(page, endpoints::kVipHost)) {
        q.window.WriteText(Ctl::编辑框13, MidText(page, FindText(page, kRankMarker) + 39, 6));
    }
    const Text industry = MarkerCut(page, kIndustryMarker, 28, 99, "</div>", 1);
    q.window.WriteText(Ctl::编辑框17, ReplaceSubText(industry, kNbsp, " ", 1, 9, true));
    q.window.WriteText(Ctl::编辑框18, MarkerCut(page, kIndustryShareMarker, 28, 99, "</div>", 1));
}

}  // namespace

bool IsTmallAccount(TextView profile) {
    return Contains(profile, kTmallMark);
}

const Text& RoleOn(TextView ratingPage) {
    return Contains(ratingPage, kSellerMark) ? kSellerRole : kBuyerRole;
}

Text SellerIconAddress(TextView ratingPage) {
    return CreditIconAddress(ratingPage, kSellerCreditMarker, "  border=");
}

Text BuyerIconAddress(TextView ratingPage) {
    return CreditIconAddress(ratingPage, kBuyerCreditMark, " title=");
}

void ShowRatingPageExtras(Lookup& q) {
    ShowShopScores(q);
    ShowLicence(q);
    if (!ShowRole(q)) {
        return;
    }
    ShowItemCountAndCreditCard(q);
    ShowOnlineStatus(q);
    ShowTradeCounts(q);
    ShowFavouritesExtras(q);
    ShowRateAndKeepSource(q);
    ShowDeposit(q.window);
    ShowCredits(q);
    ShowCountTable(q);
    ShowCreditIcons(q);
    ShowMainBusiness(q);
    ShowRankAndIndustry(q);
    ShowRatingSummaries(q);
}

}  // namespace kestrova
