#pragma once
// The invented members of the sample marketplace. Each member carries every
// value its pages show, and, where the program turns a page value into
// something else (a cut at 24 bytes, spaces removed, a missing key), the
// value the program is meant to show. All texts are UTF-8; the pages turn
// them into GBK when they are served.

#include <array>
#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "marketplace/MarketMoment.h"

namespace kestrova::marketplace {

// How the member server answers the profile request.
enum class ProfileKind {
    kMember,       // the profile page
    kUnknown,      // the notice for an account the marketplace does not know
    kBlocked,      // the notice for a blocked account
    kEmptyAnswer,  // a 200 answer with no body at all
};

// What the messenger-status server says about the member.
enum class Presence { kOnline, kOffline, kSilent };

enum class RatingKind { kGood, kNeutral, kBad };

// The picture beside a verdict.
enum class VerdictPicture { kNone, kTick, kCross };

// One entry of a JSONP rating list, as served, with what its row shows.
struct RatingEntry {
    std::string aucNumId;
    std::string title;
    std::optional<std::string> sku;  // nullopt: the entry carries no "sku" key
    std::string content;             // the JSON string body, escapes included
    std::string date;                // "2011.03.07 14:05:09"
    std::string nick;
    std::string rate;  // "1", "0" or "-1"

    std::string shownComment;  // after the "&hellip;" and "<br/>\n" replacements
    std::string shownSku;      // the variant part of the item line
    RatingKind kind = RatingKind::kGood;

    // "title | variant | date", as the row's item line shows it.
    std::string ItemLine() const { return title + " | " + shownSku + " | " + date; }
};

// The twelve counts of the rating-count table, row by row: week, month, half
// year, before; each good, neutral, bad. An empty text is a cell without a
// link (a plain "-"), which the count patterns skip.
using CountTable = std::array<std::string, 12>;

struct Member {
    std::string account;  // as typed into the window
    std::string covers;   // what this member is in the roster for
    ProfileKind profile = ProfileKind::kMember;
    std::string userId;  // the numeric member id

    // ---- profile page ----
    std::string registered;      // as shown: spaces and tabs removed
    int registeredDaysAgo = -1;  // >= 0: registered that many days before the request
    bool tmall = false;          // the profile carries the Tmall mark
    bool listsItems = false;     // a "宝贝信息" line with the items link
    std::string shopName;        // empty: no shop (the empty shop link)
    std::string shopCaption;     // the first 24 GBK bytes of shopName
    std::string lastLoginPage;   // as the page writes it, padding included
    std::string lastLogin;       // as shown
    std::string openedText;      // the first "N年N月N日" of the profile

    // ---- personal space page ----
    std::string nick;                  // as the page writes it
    std::string shownNick;             // empty when "</div>" lies beyond the 33-byte window
    std::string sexText;               // the page's sex line ("男", "女" or nothing)
    std::string district;              // six-digit district code, or empty
    std::string address;               // the region table's name for the district code
    std::string avatar;                // picture name, empty: none
    std::vector<std::string> honours;  // picture names, at most six
    std::string fans, follows, visits;
    std::string school, company;
    std::string blogsPage;  // as the page writes it; empty: no "篇日志" at all
    std::string blogs;      // as shown

    // ---- rating overview page ----
    std::string region;
    std::string certification;
    std::string shopStartDate;             // empty: no J_showShopStartDate input
    bool nonSeller = false;                // "卖家尚未加入淘宝网"
    std::vector<std::string> commitments;  // service commitment names, table order
    std::array<std::string, 3> scores;     // empty: no score block
    bool licence = false;
    bool sellerInfo = false;  // a "卖家信息" section: the member sells mainly
    std::string itemCount;    // empty: no "宝贝数量：" line
    bool creditCard = false;
    std::string virtualTrades, realTrades;  // empty: no trade block
    std::string goodRate;                   // without "%"; empty: no line
    std::string deposit;                    // empty: no deposit line
    std::string sellerCredit;               // empty: no seller credit line
    std::string sellerIcon;                 // picture name
    std::string buyerCredit;
    std::string buyerIcon;
    bool buyerCreditInList = true;  // "<li>买家信用：" (false: the block a buyer's page has)
    CountTable counts;
    std::string mainBusinessPage;  // link text as on the page; empty: no line
    std::string mainBusiness;      // as shown
    std::string vipRank;           // the rank title; empty: no VIP link
    std::string shownVipRank;      // its first six GBK bytes
    std::string industryPage, industry, industryShare;

    // ---- status, favourites ----
    Presence presence = Presence::kOffline;
    bool favourites = false;  // the rating page links the favourites page
    std::string logo;         // picture name
    std::string creditLevel;
    std::string popularityPage;  // as the page writes it
    std::string popularity;      // as shown: spaces removed

    // ---- rating lists and summaries ----
    bool listsUnavailable = false;      // both lists answer 503, every time
    std::vector<RatingEntry> given;     // first page of the ratings the member gave
    std::vector<RatingEntry> received;  // first page of the ratings the member received
    int goodGiven = 0, neutralGiven = 0, badGiven = 0;  // totals behind the summaries

    // ---- what the program concludes ----
    std::string goodCount;  // as the good-count field shows it
    std::string buyerVerdict;
    VerdictPicture buyerPicture = VerdictPicture::kNone;
    std::string sellerVerdict;
    VerdictPicture sellerPicture = VerdictPicture::kNone;
};

// Every member, in roster order.
const std::vector<Member>& Members();

// Members the marketplace has trouble serving: every lookup of them misses
// pages. They are served and found like the others, but they are not in the
// roster that the tests, the demo batches and the benchmarks cycle through.
const std::vector<Member>& TroubledMembers();

// The member as its pages stand at the moment: a member that changes between
// the two moments has a later self; any other is the same at both.
const Member& AtMoment(const Member& member, MarketMoment moment);

// By the account name as the member server receives it (GBK bytes), or by the
// numeric id. nullptr when there is none.
const Member* FindMemberByAccountGbk(const std::string& gbkAccount);
const Member* FindMemberById(const std::string& userId);
const Member* FindMember(const std::string& utf8Account);

// The registration date the profile page carries on the given day.
std::string RegistrationDate(const Member& member, std::chrono::system_clock::time_point now);

// The status bar message a lookup of the member ends with; empty for a member
// whose lookup runs to its end.
std::string IntendedStatus(const Member& member);

// Every text field the query writes, by control name, as the member is meant
// to show it (rating rows apart: see IntendedRows). Link addresses are keyed
// "<control>.link". A member whose lookup stops early has all fields empty.
std::map<std::string, std::string> IntendedFields(const Member& member,
                                                  std::chrono::system_clock::time_point now);

// Picture boxes by control name: the picture name served for them, "" for an
// empty box. The honour boxes hold a re-encoded JPEG of the named picture.
std::map<std::string, std::string> IntendedPictures(const Member& member);

// The rows of a rating list as the window shows them (at most 28).
enum class RatingList { kGiven, kReceived };
std::vector<RatingEntry> IntendedRows(const Member& member, RatingList list);

}  // namespace kestrova::marketplace
