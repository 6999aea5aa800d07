// The sample marketplace as a server: starting and stopping, routing by Host
// header and path, account names as percent-encoded GBK, the request log,
// latency, pagination, status answers and pictures, all over loopback.

#include <gtest/gtest.h>
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <regex>
#include <thread>

#include "MarketClient.h"
#include "assets/Assets.h"
#include "marketplace/Addresses.h"
#include "marketplace/Members.h"
#include "marketplace/Pages.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"
#include "web/UrlCodec.h"

namespace kestrova::test {
namespace {

using marketplace::Member;
using marketplace::Members;

const std::string kMemberHost = endpoints::kMemberHost;
const std::string kRatingHost = endpoints::kRatingHost;
const std::string kStatusHost = endpoints::kStatusHost;

std::string ProfileTarget(const std::string& utf8Account) {
    return std::string(endpoints::kProfilePath) + UrlEncode(Utf8ToGbk(utf8Account));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const Member& Named(const std::string& account) {
    const Member* m = marketplace::FindMember(account);
    if (m == nullptr) {
        throw std::logic_error("no member " + account);
    }
    return *m;
}

const std::string kUnknownNotice = Gbk("很抱歉！淘宝正在对该店铺盘点，请稍后再试");
const std::string kBlockedNotice = Gbk("通告：該用戶已經被查封！");

// ---------------------------------------------------------------- lifecycle

TEST(MarketplaceLifecycle, ServesOnTheReturnedLoopbackPortUntilStopped) {
    SampleMarketplace market;
    EXPECT_EQ(market.Port(), -1);
    const int port = market.Start();
    ASSERT_GT(port, 0);
    EXPECT_EQ(market.Port(), port);
    EXPECT_EQ(Fetch(market, kMemberHost, ProfileTarget("青禾手作坊")).status, 200);

    market.Stop();
    EXPECT_EQ(market.Port(), -1);
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(1);
    EXPECT_FALSE(client.Get("/"));
    market.Stop();  // a second stop is harmless
}

TEST(MarketplaceLifecycle, RefusesASecondStartWhileRunningAndRestartsAfterStop) {
    SampleMarketplace market;
    const int first = market.Start();
    ASSERT_GT(first, 0);
    EXPECT_EQ(market.Start(), -1);
    EXPECT_EQ(market.Port(), first);
    market.Stop();
    const int second = market.Start();
    ASSERT_GT(second, 0);
    EXPECT_EQ(Fetch(market, kMemberHost, ProfileTarget("青禾手作坊")).status, 200);
}

TEST(MarketplaceLifecycle, StartOnAPortInUseFails) {
    SampleMarketplace first;
    const int port = first.Start();
    ASSERT_GT(port, 0);
    SampleMarketplace second;
    EXPECT_EQ(second.Start(port), -1);
    EXPECT_EQ(second.Port(), -1);
}

TEST(MarketplaceLifecycle, StopsRightAfterStart) {
    for (int i = 0; i < 20; ++i) {
        SampleMarketplace market;
        ASSERT_GT(market.Start(), 0);
        market.Stop();
    }
}

// ---------------------------------------------------------------- routing

struct RouteCase {
    const char* name;
    std::string host;
    std::string target;
    int status;
    std::string mark;  // a GBK text the body carries, or empty for an empty body
};

class Routing : public ::testing::TestWithParam<RouteCase> {};

TEST_P(Routing, AnswersByHostAndPath) {
    const RouteCase& c = GetParam();
    const Fetched page = Fetch(c.host, c.target);
    EXPECT_EQ(page.status, c.status);
    if (c.mark.empty()) {
        EXPECT_TRUE(page.body.empty());
    } else {
        EXPECT_TRUE(Contains(page.body, c.mark)) << c.host << c.target;
    }
}

const Member& kFull = Named("青禾手作坊");

std::string PathOf(const std::string& address) {
    return address.substr(address.find('/', std::string("http://").size()));
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, Routing,
    ::testing::Values(
        RouteCase{"profile", kMemberHost, ProfileTarget("青禾手作坊"), 200, Gbk("<li>注册时间：")},
        RouteCase{"profile_host_with_port", kMemberHost + ":80", ProfileTarget("青禾手作坊"), 200,
                  Gbk("<li>注册时间：")},
        RouteCase{"profile_host_in_capitals", "MEMBER1.TAOBAO.COM", ProfileTarget("青禾手作坊"),
                  200, Gbk("<li>注册时间：")},
        RouteCase{"profile_path_on_rating_host", kRatingHost, ProfileTarget("青禾手作坊"), 404, ""},
        RouteCase{"profile_path_on_unknown_host", "www.example.org", ProfileTarget("青禾手作坊"),
                  404, ""},
        RouteCase{"other_path_on_member_host", kMemberHost, "/member/other.jhtml", 404, ""},
        RouteCase{"personal_space", marketplace::kSpaceHost,
                  PathOf(marketplace::PersonalSpaceAddress(kFull)), 200, "<div class=\"nick\">"},
        RouteCase{"personal_space_of_nobody", marketplace::kSpaceHost, "/u/999/front.htm", 404, ""},
        RouteCase{"rating_page", kRatingHost, PathOf(marketplace::RatingPageAddress(kFull)), 200,
                  "userID: '102345678'"},
        RouteCase{"rating_page_on_member_host", kMemberHost,
                  PathOf(marketplace::RatingPageAddress(kFull)), 404, ""},
        RouteCase{"rating_list", kRatingHost,
                  "/member_rate.htm?content=1&result=&from=rate&user_id=102345678&identity=1&"
                  "rater=3&direction=1&callback=shop_rate_list",
                  200, "shop_rate_list({"},
        RouteCase{"summary", kRatingHost,
                  "/member_rate.htm?content=&result=1&user_id=102345678&rater=3&direction=1", 200,
                  "\"maxPage\":31"},
        RouteCase{"status", kStatusHost,
                  "/muliuserstatus.aw?beginnum=0&site=cntaobao&charset=utf-8&uids=" +
                      UrlEncode(Gbk("青禾手作坊")),
                  200, "online[0]=1"},
        RouteCase{"favourites", endpoints::kFavouritesHost,
                  PathOf(marketplace::FavouritesAddress(kFull)), 200, Gbk("收藏人气：<STRONG>")},
        RouteCase{"favourites_of_nobody", endpoints::kFavouritesHost,
                  "/collect_item_relation?itemtype=0&isshop=1&id=1", 404, ""},
        RouteCase{"logo", endpoints::kLogoHost, PathOf(marketplace::LogoAddress(kFull)), 200,
                  "GIF89a"},
        RouteCase{"unknown_picture", marketplace::kPictureHost, "/newrank/no_such.gif", 404, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- accounts

class AccountNames : public ::testing::TestWithParam<std::string> {};

TEST_P(AccountNames, EveryServedMemberIsFoundByItsPercentEncodedGbkName) {
    const Member& m = Named(GetParam());
    const Fetched page = Fetch(kMemberHost, ProfileTarget(m.account));
    ASSERT_EQ(page.status, 200);
    switch (m.profile) {
        case marketplace::ProfileKind::kMember:
            EXPECT_TRUE(Contains(page.body, Gbk("<li>会员名称：") + Gbk(m.account) + "</li>"));
            break;
        case marketplace::ProfileKind::kUnknown:
            EXPECT_TRUE(Contains(page.body, kUnknownNotice));
            break;
        case marketplace::ProfileKind::kBlocked:
            EXPECT_TRUE(Contains(page.body, kBlockedNotice));
            EXPECT_FALSE(Contains(page.body, kUnknownNotice));
            break;
        case marketplace::ProfileKind::kEmptyAnswer:
            EXPECT_TRUE(page.body.empty());
            break;
    }
}

std::vector<std::string> AllAccounts() {
    std::vector<std::string> names;
    for (const Member& m : Members()) {
        names.push_back(m.account);
    }
    return names;
}

INSTANTIATE_TEST_SUITE_P(Roster, AccountNames, ::testing::ValuesIn(AllAccounts()),
                         [](const auto& info) { return "member" + std::to_string(info.index); });

TEST(Accounts, NamesAreDecodedAsGbkBytesNotUtf8) {
    // 青 is C7 E0 in GBK and E9 9D 92 in UTF-8.
    const Fetched gbk =
        Fetch(kMemberHost, "/member/user_profile.jhtml?user_id=%C7%E0%BA%CC%CA%D6%D7%F7%B7%BB");
    EXPECT_TRUE(Contains(gbk.body, Gbk("<li>会员名称：青禾手作坊</li>")));

    const Fetched utf8 =
        Fetch(kMemberHost,
              "/member/user_profile.jhtml?user_id=%E9%9D%92%E7%A6%BE%E6%89%8B%E4%BD%9C%E5%9D%8A");
    EXPECT_TRUE(Contains(utf8.body, kUnknownNotice));
}

TEST(Accounts, SpaceAndPlusArriveEscaped) {
    const Fetched page = Fetch(kMemberHost, "/member/user_profile.jhtml?user_id=Mia%20Chen%2BLeo");
    EXPECT_TRUE(Contains(page.body, "<h2 class=\"account\">Mia Chen+Leo</h2>"));
    // A raw plus in a query means a space: that is another account.
    const Fetched plus = Fetch(kMemberHost, "/member/user_profile.jhtml?user_id=Mia%20Chen+Leo");
    EXPECT_TRUE(Contains(plus.body, kUnknownNotice));
}

TEST(Accounts, AnyNameNotInTheTableGetsTheUnknownNotice) {
    for (const std::string& name : {std::string("someone_else"), std::string("没有这个人"),
                                    std::string(""), std::string("青禾手作坊 ")}) {
        const Fetched page = Fetch(kMemberHost, ProfileTarget(name));
        EXPECT_EQ(page.status, 200) << name;
        EXPECT_TRUE(Contains(page.body, kUnknownNotice)) << name;
    }
    const Fetched missingKey = Fetch(kMemberHost, "/member/user_profile.jhtml");
    EXPECT_TRUE(Contains(missingKey.body, kUnknownNotice));
}

TEST(Accounts, StoppedMembersHaveNoFurtherPages) {
    const Member& blocked = Named("spam king 2010");
    EXPECT_EQ(FetchAddress(marketplace::PersonalSpaceAddress(blocked)).status, 404);
    EXPECT_EQ(FetchAddress(marketplace::RatingPageAddress(blocked)).status, 404);
}

// ---------------------------------------------------------------- pages are GBK

TEST(Encoding, EveryPageOfEveryMemberIsCleanGbk) {
    for (const Member& m : Members()) {
        if (m.profile != marketplace::ProfileKind::kMember) {
            continue;
        }
        std::vector<Fetched> pages = {Fetch(kMemberHost, ProfileTarget(m.account)),
                                      FetchAddress(marketplace::PersonalSpaceAddress(m)),
                                      FetchAddress(marketplace::RatingPageAddress(m))};
        if (m.favourites) {
            pages.push_back(FetchAddress(marketplace::FavouritesAddress(m)));
        }
        for (const Fetched& page : pages) {
            ASSERT_EQ(page.status, 200) << m.account;
            const std::string utf8 = GbkToUtf8(page.body);
            EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos) << m.account;
            EXPECT_EQ(Utf8ToGbk(utf8), page.body) << m.account;
            EXPECT_TRUE(Contains(page.contentType, "GBK")) << page.contentType;
        }
    }
}

// ---------------------------------------------------------------- request log

TEST(RequestLog, RecordsHostTargetAndHeadersUntilCleared) {
    SampleMarketplace market;
    ASSERT_GT(market.Start(), 0);
    EXPECT_TRUE(market.Requests().empty());

    httplib::Client client("127.0.0.1", market.Port());
    client.set_url_encode(false);
    const std::string target = ProfileTarget("小柚子zz");
    ASSERT_TRUE(client.Get(target.c_str(), httplib::Headers{{"Host", kMemberHost},
                                                            {"Referer", "http://example.org/"},
                                                            {"Accept-Language", "ko"}}));
    ASSERT_TRUE(client.Get("/nowhere", httplib::Headers{{"Host", "elsewhere.example"}}));

    const auto log = market.Requests();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].host, kMemberHost);
    EXPECT_EQ(log[0].target, "/member/user_profile.jhtml?user_id=%D0%A1%E8%D6%D7%D3zz");
    auto header = [&](const std::string& name) {
        for (const auto& [n, v] : log[0].headers) {
            if (n == name) {
                return v;
            }
        }
        return std::string("(absent)");
    };
    EXPECT_EQ(header("Referer"), "http://example.org/");
    EXPECT_EQ(header("Accept-Language"), "ko");
    EXPECT_EQ(header("REMOTE_ADDR"), "(absent)");
    EXPECT_EQ(log[1].host, "elsewhere.example");
    EXPECT_EQ(log[1].target, "/nowhere");

    market.ClearRequests();
    EXPECT_TRUE(market.Requests().empty());
}

TEST(RequestLog, KeepsEveryRequestOfConcurrentClients) {
    SampleMarketplace market;
    ASSERT_GT(market.Start(), 0);
    constexpr int kThreads = 6;
    constexpr int kEach = 15;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&market] {
            for (int i = 0; i < kEach; ++i) {
                Fetch(market, kStatusHost, "/muliuserstatus.aw?uids=x");
                (void)market.Requests();
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    EXPECT_EQ(market.Requests().size(), static_cast<std::size_t>(kThreads * kEach));
}

// ---------------------------------------------------------------- latency

TEST(Latency, DelaysEveryAnswer) {
    using Clock = std::chrono::steady_clock;
    SampleMarketplace slow(150);
    ASSERT_GT(slow.Start(), 0);
    for (const auto& [host, target] : {std::pair{kMemberHost, ProfileTarget("青禾手作坊")},
                                       std::pair{std::string("nowhere"), std::string("/")}}) {
        const auto begin = Clock::now();
        Fetch(slow, host, target);
        EXPECT_GE(Clock::now() - begin, std::chrono::milliseconds(150)) << host;
    }

    SampleMarketplace quick;
    ASSERT_GT(quick.Start(), 0);
    const auto begin = Clock::now();
    Fetch(quick, kMemberHost, ProfileTarget("青禾手作坊"));
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(150));
}

// ---------------------------------------------------------------- summaries

int CountAucNumIdIgnoringCase(const std::string& text) {
    const std::regex key("aucnumid", std::regex::icase);
    return static_cast<int>(
        std::distance(std::sregex_iterator(text.begin(), text.end(), key), std::sregex_iterator()));
}

std::string MaxPage(const std::string& text) {
    std::smatch match;
    return std::regex_search(text, match, std::regex("\"maxPage\":(\\d+)")) ? match[1].str()
                                                                            : "(none)";
}

std::string SummaryTarget(const Member& m, const std::string& result, int page) {
    std::string target = "/member_rate.htm?content=&result=" + result + "&user_id=" + m.userId +
                         "&rater=3&direction=1";
    if (page > 0) {
        target += "&page=" + std::to_string(page);
    }
    return target;
}

struct PageCase {
    const char* account;
    const char* result;
    int page;  // 0: the first page without a page key
    const char* maxPage;
    int entries;
};

class SummaryPagination : public ::testing::TestWithParam<PageCase> {};

TEST_P(SummaryPagination, FortyEntriesAPageButTheLast) {
    const PageCase& c = GetParam();
    const Fetched page = Fetch(kRatingHost, SummaryTarget(Named(c.account), c.result, c.page));
    ASSERT_EQ(page.status, 200);
    EXPECT_EQ(MaxPage(page.body), c.maxPage);
    EXPECT_EQ(CountAucNumIdIgnoringCase(page.body), c.entries);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, SummaryPagination,
    ::testing::Values(
        PageCase{"青禾手作坊", "1", 0, "31", 40},  // 1234 good
        PageCase{"青禾手作坊", "1", 1, "31", 40}, PageCase{"青禾手作坊", "1", 17, "31", 40},
        PageCase{"青禾手作坊", "1", 31, "31", 34}, PageCase{"青禾手作坊", "1", 32, "31", 0},
        PageCase{"青禾手作坊", "0", 0, "0", 0},    // none at all
        PageCase{"echo_valley", "0", 0, "2", 40},  // 45 neutral
        PageCase{"echo_valley", "0", 2, "2", 5}, PageCase{"echo_valley", "-1", 0, "1", 2},  // 2 bad
        PageCase{"tea.house88", "1", 3, "3", 28},  // 108 good
        PageCase{"晨光文具店", "1", 0, "1", 40},   // exactly one full page
        PageCase{"晨光文具店", "1", 2, "1", 0}, PageCase{"小柚子zz", "1", 0, "0", 0},
        PageCase{"小柚子zz", "0", 0, "1", 4}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(Summaries, AnIdNobodyHasHasNoPages) {
    const Fetched page =
        Fetch(kRatingHost, "/member_rate.htm?content=&result=1&user_id=42&rater=3&direction=1");
    EXPECT_EQ(MaxPage(page.body), "0");
    EXPECT_EQ(CountAucNumIdIgnoringCase(page.body), 0);
}

TEST(Summaries, TheCountFromFirstAndLastPageIsTheMembersTotal) {
    for (const Member& m : Members()) {
        if (m.profile != marketplace::ProfileKind::kMember) {
            continue;
        }
        for (const std::string result : {"1", "0", "-1"}) {
            const Fetched first = Fetch(kRatingHost, SummaryTarget(m, result, 0));
            const int pages = std::stoi(MaxPage(first.body));
            int total = 0;
            if (pages > 0) {
                const Fetched last =
                    pages > 1 ? Fetch(kRatingHost, SummaryTarget(m, result, pages)) : first;
                total = (pages - 1) * 40 + CountAucNumIdIgnoringCase(last.body);
            }
            EXPECT_EQ(total, marketplace::SummaryTotal(m, result)) << m.account << " " << result;
        }
    }
}

// ---------------------------------------------------------------- lists and status

TEST(RatingLists, CarryTheMembersEntriesUnderTheCallback) {
    const Member& m = Named("小柚子zz");
    const std::string base = "/member_rate.htm?content=1&result=&from=rate&user_id=" + m.userId;
    const Fetched given =
        Fetch(kRatingHost, base + "&identity=1&rater=3&direction=1&callback=shop_rate_list");
    const Fetched received =
        Fetch(kRatingHost, base + "&identity=1&rater=0&direction=0&page=1&callback=shop_rate_list");
    EXPECT_EQ(given.body.rfind("shop_rate_list(", 0), 0u);
    EXPECT_EQ(given.body.back(), ')');
    EXPECT_EQ(CountAucNumIdIgnoringCase(given.body), static_cast<int>(m.given.size()));
    EXPECT_EQ(CountAucNumIdIgnoringCase(received.body), static_cast<int>(m.received.size()));
    EXPECT_TRUE(Contains(given.body, "\"rate\":\"-1\""));
    EXPECT_TRUE(Contains(given.body, "<br/>\\n"));

    const Fetched nobody = Fetch(kRatingHost, "/member_rate.htm?user_id=&callback=shop_rate_list");
    EXPECT_EQ(CountAucNumIdIgnoringCase(nobody.body), 0);
}

struct StatusCase {
    const char* account;
    const char* answer;
};

class StatusAnswers : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusAnswers, SayOnlineOfflineOrNothing) {
    const Fetched status =
        Fetch(kStatusHost, "/muliuserstatus.aw?beginnum=0&site=cntaobao&charset=utf-8&uids=" +
                               UrlEncode(Utf8ToGbk(GetParam().account)));
    EXPECT_EQ(status.status, 200);
    EXPECT_EQ(status.body, GetParam().answer);
}

INSTANTIATE_TEST_SUITE_P(
    Members, StatusAnswers,
    ::testing::Values(StatusCase{"青禾手作坊", "var online=new Array();online[0]=1;"},
                      StatusCase{"tea.house88", "var online=new Array();online[0]=0;"},
                      StatusCase{"echo_valley", ""},
                      StatusCase{"nobody.here", "var online=new Array();online[0]=0;"},
                      StatusCase{"never heard of", "var online=new Array();online[0]=0;"}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// ---------------------------------------------------------------- pictures

void ExpectPicture(const std::string& address, const std::string& name) {
    const Fetched picture = FetchAddress(address);
    ASSERT_EQ(picture.status, 200) << address;
    const auto bytes = assets::SamplePicture(name);
    ASSERT_FALSE(bytes.empty()) << name;
    EXPECT_EQ(picture.body, std::string(bytes.begin(), bytes.end())) << address;
    EXPECT_EQ(picture.contentType.rfind("image/", 0), 0u) << picture.contentType;
}

TEST(Pictures, EveryPictureAPageLinksIsServedByteForByte) {
    for (const Member& m : Members()) {
        if (m.profile != marketplace::ProfileKind::kMember) {
            continue;
        }
        if (!m.avatar.empty()) {
            ExpectPicture(marketplace::AvatarAddress(m), m.avatar);
        }
        for (std::size_t i = 0; i < m.honours.size(); ++i) {
            ExpectPicture(marketplace::HonourAddress(m, static_cast<int>(i) + 1), m.honours[i]);
        }
        // One past the last honour is no picture.
        EXPECT_EQ(
            FetchAddress(marketplace::HonourAddress(m, static_cast<int>(m.honours.size()) + 1))
                .status,
            404);
        if (m.favourites) {
            ExpectPicture(marketplace::LogoAddress(m), m.logo);
        }
        if (!m.sellerIcon.empty()) {
            ExpectPicture(marketplace::CreditIconAddress(m.sellerIcon), m.sellerIcon);
        }
        if (!m.buyerIcon.empty()) {
            ExpectPicture(marketplace::CreditIconAddress(m.buyerIcon), m.buyerIcon);
        }
    }
}

TEST(Pictures, EveryPictureNameTheTableUsesExists) {
    const auto names = assets::SamplePictureNames();
    auto exists = [&](const std::string& name) {
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    for (const Member& m : Members()) {
        for (const std::string& name : {m.avatar, m.logo, m.sellerIcon, m.buyerIcon}) {
            EXPECT_TRUE(name.empty() || exists(name)) << m.account << " " << name;
        }
        for (const std::string& name : m.honours) {
            EXPECT_TRUE(exists(name)) << m.account << " " << name;
        }
        EXPECT_LE(m.honours.size(), 6u) << m.account;
    }
}

}  // namespace
}  // namespace kestrova::test
