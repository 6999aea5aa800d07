// The roster. Every member is written out in full, so that the values a test
// compares against are the values somebody meant, not values computed from
// the pages.

#include "marketplace/Members.h"

#include "marketplace/RatingEntries.h"
#include "text/Gbk.h"

namespace kestrova::marketplace {

namespace {

// Functions, not globals: tests build their cases from the roster while
// globals are still being constructed, in whatever order the linker chose.
const std::vector<std::string>& AllCommitments() {
    static const std::vector<std::string> commitments = {
        "消费者保障", "7天退换",  "30天维修", "假一赔三",
        "24小时发货", "正品保障", "提供发票", "先行赔付",
    };
    return commitments;
}

const std::vector<std::string>& AllHonours() {
    static const std::vector<std::string> honours = {
        "honour_1.png", "honour_2.gif", "honour_3.png",
        "honour_4.gif", "honour_5.png", "honour_6.gif",
    };
    return honours;
}

// The parts every ordinary member page shares; each member overrides what makes it.
Member Ordinary(std::string account, std::string userId, std::string covers) {
    Member m;
    m.account = std::move(account);
    m.userId = std::move(userId);
    m.covers = std::move(covers);
    m.presence = Presence::kOffline;
    return m;
}

void SetShop(Member& m, std::string name, std::string caption, std::string opened) {
    m.shopName = std::move(name);
    m.shopCaption = std::move(caption);
    m.openedText = std::move(opened);
    m.listsItems = true;
}

void SetLastLogin(Member& m, std::string page, std::string shown) {
    m.lastLoginPage = std::move(page);
    m.lastLogin = std::move(shown);
}

// ---------------------------------------------------------------- members

Member FullSeller() {
    Member m = Ordinary("青禾手作坊", "102345678",
                        "full seller: every field of every page filled, both lists over 28 "
                        "entries, summaries over many pages; very good member, professional "
                        "honest shop; shop name cut at 24 bytes");
    m.registered = "2007-04-18";
    SetShop(m, "青禾手作坊 · 手工皂与香薰", "青禾手作坊 · 手工皂与香", "2007年5月2日");
    SetLastLogin(m, " 2011-03-20 ", "2011-03-20");

    m.nick = "青禾";
    m.shownNick = "青禾";
    m.sexText = "女";
    m.district = "330106";
    m.address = "杭州市西湖区";
    m.avatar = "avatar_2.jpg";
    m.honours = AllHonours();
    m.fans = "1234";
    m.follows = "56";
    m.visits = "98765";
    m.school = "浙江工商大学";
    m.company = "青禾手作坊工作室";
    m.blogsPage = "12";
    m.blogs = "12";

    m.region = "浙江杭州";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2007-05-02";
    m.commitments = AllCommitments();
    m.scores = {"4.9", "4.8", "4.85"};
    m.licence = true;
    m.sellerInfo = true;
    m.itemCount = "128";
    m.creditCard = true;
    m.virtualTrades = "12";
    m.realTrades = "3456";
    m.goodRate = "99.86";
    m.deposit = "1000.00";
    m.sellerCredit = "3456";
    m.sellerIcon = "seller_credit_9.gif";
    m.buyerCredit = "210";
    m.buyerIcon = "buyer_credit_4.gif";
    m.counts = {"21", "0", "0", "86", "2", "0", "512", "6", "1", "2840", "15", "3"};
    m.mainBusinessPage = "手工皂&nbsp;精油";
    m.mainBusiness = "手工皂精油";
    m.vipRank = "钻石卡";
    m.shownVipRank = "钻石卡";
    m.industryPage = "美容护肤&nbsp;香薰";
    m.industry = "美容护肤 香薰";
    m.industryShare = "76.40%";

    m.presence = Presence::kOnline;
    m.favourites = true;
    m.logo = "shop_logo_2.gif";
    m.creditLevel = "4钻";
    m.popularityPage = "1 856";
    m.popularity = "1856";

    m.given = PlainEntries(1, 40, "G", "2011.03.19 20:41:07");
    m.received = PlainEntries(2, 40, "GGGGGGGGGGGGGGGGGGGN", "2011.03.20 09:12:45");
    m.goodGiven = 1234;
    m.neutralGiven = 0;
    m.badGiven = 0;
    m.goodCount = "1234";
    m.buyerVerdict = "大大的良民.";
    m.buyerPicture = VerdictPicture::kTick;
    m.sellerVerdict = "专业店铺，门庭若市. [诚信商家]";
    m.sellerPicture = VerdictPicture::kTick;
    return m;
}

Member TmallStore() {
    Member m = Ordinary("Lumen家居旗舰店", "200112233",
                        "Tmall account: the profile carries the Tmall mark, the query stops "
                        "after the account role");
    m.registered = "2009-11-02";
    m.tmall = true;
    SetShop(m, "Lumen家居旗舰店", "Lumen家居旗舰店", "2009年11月11日");
    SetLastLogin(m, " 2011-03-21 ", "2011-03-21");

    m.nick = "Lumen家居";
    m.shownNick = "Lumen家居";
    m.sexText = "";
    m.district = "440305";
    m.address = "深圳市南山区";
    m.avatar = "avatar_3.jpg";
    m.honours = {"honour_7.png", "honour_8.gif", "honour_1.png",
                 "honour_2.gif", "honour_3.png", "honour_4.gif"};
    m.fans = "20567";
    m.follows = "3";
    m.visits = "1203344";
    m.company = "Lumen家居用品有限公司";
    m.blogsPage = "3";
    m.blogs = "3";

    m.region = "广东深圳";
    m.certification = "支付宝商家认证";
    m.shopStartDate = "2009-11-11";
    m.commitments = {"消费者保障", "7天退换", "正品保障", "提供发票"};
    m.scores = {"4.7", "4.7", "4.6"};
    m.licence = true;
    m.sellerInfo = true;
    m.itemCount = "642";
    m.creditCard = true;
    m.virtualTrades = "0";
    m.realTrades = "88210";
    m.goodRate = "98.91";
    m.deposit = "50000.00";
    m.sellerCredit = "88210";
    m.sellerIcon = "seller_credit_13.gif";
    m.buyerCredit = "4";
    m.buyerIcon = "buyer_credit_1.gif";
    m.counts = {"410", "9", "3", "1820", "40", "12", "9800", "210", "66", "60000", "900", "310"};
    m.mainBusinessPage = "家居日用";
    m.mainBusiness = "家居日用";
    m.vipRank = "黄金卡";
    m.shownVipRank = "黄金卡";
    m.industryPage = "居家日用&nbsp;收纳";
    m.industry = "居家日用 收纳";
    m.industryShare = "91.02%";

    m.presence = Presence::kOnline;
    m.favourites = true;
    m.logo = "shop_logo_3.jpg";
    m.creditLevel = "1金冠";
    m.popularityPage = "35 120";
    m.popularity = "35120";

    m.given = PlainEntries(3, 4, "G", "2011.02.02 10:00:00");
    m.received = PlainEntries(4, 40, "GGGGGGGGGN", "2011.03.21 18:30:00");
    m.goodGiven = 4;
    return m;
}

Member BuyerMainly() {
    Member m = Ordinary("书虫阿林", "103456789",
                        "buyer-mainly member: no seller section, buyer credit and good count "
                        "from the buyer block, count table from cells ending in </td>; tiny "
                        "shop poorly run");
    m.registered = "2008-09-23";
    SetShop(m, "阿林的旧书摊", "阿林的旧书摊", "2010年9月1日");
    SetLastLogin(m, " \t2011-03-19\t", "2011-03-19");

    m.nick = "阿林";
    m.shownNick = "阿林";
    m.sexText = "男";
    m.district = "510107";
    m.address = "成都市武侯区";
    m.avatar = "avatar_1.jpg";
    m.honours = {"honour_5.png", "honour_6.gif", "honour_7.png",
                 "honour_8.gif", "honour_1.png", "honour_2.gif"};
    m.fans = "88";
    m.follows = "213";
    m.visits = "4410";
    m.school = "四川大学";
    m.company = "";
    m.blogsPage = "1 024";
    m.blogs = "1024";

    m.region = "四川成都";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2010-09-01";
    m.commitments = {"消费者保障"};
    m.sellerInfo = false;
    m.goodRate = "100.00";
    m.sellerCredit = "3";
    m.sellerIcon = "seller_credit_1.gif";
    m.buyerCredit = "56";
    m.buyerIcon = "buyer_credit_2.gif";
    m.buyerCreditInList = false;
    m.counts = {"2", "0", "0", "3", "1", "0", "11", "1", "0", "40", "2", "1"};

    m.favourites = true;
    m.logo = "shop_logo_1.jpg";
    m.creditLevel = "3心";
    m.popularityPage = "12";
    m.popularity = "12";

    m.given = PlainEntries(5, 40, "GGGGGGGGGGGGGGGGGGGG", "2011.03.18 22:05:31");
    m.received = PlainEntries(6, 3, "G", "2011.01.09 12:00:00");
    m.goodGiven = 999;  // never asked for: the buyer block gives the good count
    m.goodCount = "56";
    m.buyerVerdict = "良民.";
    m.buyerPicture = VerdictPicture::kTick;
    m.sellerVerdict = "经营不善，门可罗雀. [产品尚可]";
    m.sellerPicture = VerdictPicture::kCross;
    return m;
}

Member WithoutShop() {
    Member m = Ordinary("walker.zhou", "104567890",
                        "member without a shop: empty shop link, no items line, no shop start "
                        "date, no blog; buyer page whose buyer credit is a list item, so the "
                        "good count comes out empty; careful (three neutral ratings given)");
    m.registered = "2006-02-14";
    SetLastLogin(m, " 2011-03-17 ", "2011-03-17");

    m.nick = "Walker Zhou";
    m.shownNick = "Walker Zhou";
    m.sexText = "男";
    m.district = "310104";
    m.address = "上海市徐汇区";
    m.avatar = "avatar_4.jpg";
    m.honours = {"honour_3.png", "honour_4.gif", "honour_5.png",
                 "honour_6.gif", "honour_7.png", "honour_8.gif"};
    m.fans = "7";
    m.follows = "31";
    m.visits = "652";
    m.school = "同济大学";
    m.company = "上海某设计事务所";
    m.blogs = "0";

    m.region = "上海";
    m.certification = "支付宝个人认证";
    m.goodRate = "100.00";
    m.buyerCredit = "60";
    m.buyerIcon = "buyer_credit_2.gif";
    m.counts = {"1", "0", "0", "4", "1", "0", "16", "2", "0", "37", "1", "0"};

    m.given = PlainEntries(7, 40, "GGGGGGGGGGNGGGGGGGGG", "2011.03.16 08:15:00");
    m.goodGiven = 57;  // never asked for: a buyer's good count comes from the page
    m.neutralGiven = 3;
    m.badGiven = 0;
    // The buyer credit stands in a list item, so no digits follow "买家信用："
    // right before "</a>": the good count comes out empty.
    m.goodCount = "";
    m.buyerVerdict = "小心应付，问题不大.";
    m.buyerPicture = VerdictPicture::kTick;
    m.sellerVerdict = "此人无店铺.";
    return m;
}

Member NonSeller() {
    Member m = Ordinary("路过的云", "105678901",
                        "non-seller: the rating page says the member has not joined as a "
                        "seller; no sex, no district; one bad rating given");
    m.registered = "2010-06-30";
    SetLastLogin(m, " 2011-03-02 ", "2011-03-02");

    m.nick = "云";
    m.shownNick = "云";
    m.sexText = "";
    m.district = "";
    m.address = "";
    m.honours = {};
    m.fans = "0";
    m.follows = "4";
    m.visits = "39";
    m.blogs = "0";

    m.region = "北京";
    m.certification = "未认证";
    m.nonSeller = true;
    m.commitments = {};
    m.goodRate = "92.31";
    m.buyerCredit = "13";
    m.buyerIcon = "buyer_credit_1.gif";
    m.buyerCreditInList = false;
    m.counts = {"0", "0", "0", "2", "0", "1", "9", "0", "1", "25", "0", "0"};

    m.given = PlainEntries(8, 13, "GGGGGGBGGGGGG", "2011.03.01 19:19:19");
    m.goodGiven = 12;  // never asked for: a buyer's good count comes from the page
    m.neutralGiven = 0;
    m.badGiven = 1;
    m.goodCount = "13";
    m.buyerVerdict = "很挑剔！有给差评的记录！";
    m.buyerPicture = VerdictPicture::kCross;
    m.sellerVerdict = "此人无店铺.";
    return m;
}

Member Unknown() {
    Member m = Ordinary("nobody.here", "",
                        "unknown account: the member server answers with its notice (as it "
                        "does for every name not in this table)");
    m.profile = ProfileKind::kUnknown;
    return m;
}

Member Blocked() {
    Member m = Ordinary("spam king 2010", "106789012",
                        "blocked account: the member server answers with the blocking notice");
    m.profile = ProfileKind::kBlocked;
    return m;
}

Member EmptyAnswer() {
    Member m = Ordinary("blank_page", "107890123",
                        "the member server answers the profile request with an empty body");
    m.profile = ProfileKind::kEmptyAnswer;
    return m;
}

Member YoungAccount() {
    Member m = Ordinary("新手小白", "108901234",
                        "young account (registered 12 days before the lookup) with neutral and "
                        "bad ratings given; new small shop; count table without the "
                        "half-year-ago row (nine matches)");
    m.registeredDaysAgo = 12;
    SetShop(m, "小白的手机壳小店", "小白的手机壳小店", "");
    SetLastLogin(m, " 2011-03-21 ", "2011-03-21");

    m.nick = "小白";
    m.shownNick = "小白";
    m.sexText = "女";
    m.district = "320508";
    m.address = "苏州市姑苏区";
    m.avatar = "avatar_2.jpg";
    m.honours = {"honour_1.png"};
    m.fans = "2";
    m.follows = "15";
    m.visits = "87";
    m.school = "苏州大学";
    m.company = "";
    m.blogsPage = "";
    m.blogs = "0";

    m.region = "江苏苏州";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2011-03-12";
    m.commitments = {"消费者保障", "7天退换"};
    m.scores = {"4.6", "4.5", "4.4"};
    m.sellerInfo = true;
    m.itemCount = "9";
    m.virtualTrades = "0";
    m.realTrades = "5";
    m.goodRate = "40.00";
    m.sellerCredit = "5";
    m.sellerIcon = "seller_credit_1.gif";
    m.buyerCredit = "3";
    m.buyerIcon = "buyer_credit_1.gif";
    m.counts = {"1", "0", "1", "1", "1", "3", "1", "1", "3", "", "", ""};
    m.mainBusinessPage = "手机配件";
    m.mainBusiness = "手机配件";
    m.industryPage = "手机数码";
    m.industry = "手机数码";
    m.industryShare = "100.00%";

    m.favourites = true;
    m.logo = "shop_logo_1.jpg";
    m.creditLevel = "1心";
    m.popularityPage = "0";
    m.popularity = "0";

    m.given = PlainEntries(9, 7, "GNGBGNG", "2011.03.20 16:45:00");
    m.received = PlainEntries(10, 5, "GGNBB", "2011.03.20 17:00:00");
    m.goodGiven = 4;
    m.neutralGiven = 2;
    m.badGiven = 1;
    m.goodCount = "4";
    m.buyerVerdict = "帐号注册日期小于30日！  很挑剔！有给差评的记录！";
    m.buyerPicture = VerdictPicture::kCross;
    m.sellerVerdict = "小店经营，门庭冷落. [注意质量]";
    m.sellerPicture = VerdictPicture::kNone;
    return m;
}

Member FewHonours() {
    Member m = Ordinary("Mia Chen+Leo", "109012345",
                        "account name with a space and a plus; three honour pictures; a nick "
                        "too long for its window (shows empty); many neutral ratings given; "
                        "professional dishonest shop");
    m.registered = "2005-12-01";
    SetShop(m, "Mia + Leo Vintage", "Mia + Leo Vintage", "2006年3月8日");
    SetLastLogin(m, " 2011-03-21 ", "2011-03-21");

    m.nick = "Mia Chen + Leo Wang (Studio)";
    m.shownNick = "";
    m.sexText = "女";
    m.district = "110108";
    m.address = "北京市海淀区";
    m.avatar = "avatar_3.jpg";
    m.honours = {"honour_2.gif", "honour_4.gif", "honour_6.gif"};
    m.fans = "4521";
    m.follows = "120";
    m.visits = "230017";
    m.school = "Central Saint Martins";
    m.company = "Mia + Leo Vintage";
    m.blogsPage = "48";
    m.blogs = "48";

    m.region = "北京";
    m.certification = "支付宝商家认证";
    m.shopStartDate = "2006-03-08";
    m.commitments = {"消费者保障", "7天退换", "假一赔三", "24小时发货"};
    m.scores = {"4.5", "4.4", "4.62"};
    m.licence = true;
    m.sellerInfo = true;
    m.itemCount = "356";
    m.virtualTrades = "3";
    m.realTrades = "12890";
    m.goodRate = "97.12";
    m.deposit = "2000.00";
    m.sellerCredit = "12890";
    m.sellerIcon = "seller_credit_11.gif";
    m.buyerCredit = "92";
    m.buyerIcon = "buyer_credit_3.gif";
    m.counts = {"60", "4", "1", "250", "16", "4", "1300", "70", "12", "5200", "210", "40"};
    m.mainBusinessPage = "古着&nbsp;中古包袋";
    m.mainBusiness = "古着中古包袋";
    m.vipRank = "白金卡";
    m.shownVipRank = "白金卡";
    m.industryPage = "女装&nbsp;古着";
    m.industry = "女装 古着";
    m.industryShare = "64.95%";

    m.favourites = true;
    m.logo = "shop_logo_3.jpg";
    m.creditLevel = "2钻";
    m.popularityPage = "8 802";
    m.popularity = "8802";

    m.given = PlainEntries(11, 40, "GGGGGGGGGN", "2011.03.21 11:11:11");
    m.received = PlainEntries(12, 40, "GGGGGGGNGGGGB", "2011.03.21 12:00:00");
    m.goodGiven = 88;
    m.neutralGiven = 4;
    m.badGiven = 0;
    m.goodCount = "88";
    m.buyerVerdict = "非善类！给的中评大于3个！  ";
    m.buyerPicture = VerdictPicture::kCross;
    m.sellerVerdict = "专业店铺，门庭若市. [不诚信]";
    m.sellerPicture = VerdictPicture::kTick;
    return m;
}

Member SilentStatus() {
    Member m = Ordinary("echo_valley", "110123456",
                        "the messenger server answers with nothing (the field stays empty); red "
                        "alert: 45 neutral over two summary pages and 2 bad given; black shop");
    m.registered = "2008-01-05";
    SetShop(m, "回声谷数码配件", "回声谷数码配件", "2008年2月14日");
    SetLastLogin(m, " 2011-03-15 ", "2011-03-15");

    m.nick = "echo";
    m.shownNick = "echo";
    m.sexText = "男";
    m.district = "440305";
    m.address = "深圳市南山区";
    m.avatar = "avatar_4.jpg";
    m.honours = {"honour_8.gif", "honour_7.png", "honour_6.gif",
                 "honour_5.png", "honour_4.gif", "honour_3.png"};
    m.fans = "301";
    m.follows = "9";
    m.visits = "45678";
    m.school = "";
    m.company = "回声谷电子商行";
    m.blogsPage = "0";
    m.blogs = "0";

    m.region = "广东深圳";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2008-02-14";
    m.commitments = {"消费者保障", "7天退换", "30天维修"};
    m.scores = {"4.1", "4.0", "3.9"};
    m.sellerInfo = true;
    m.itemCount = "1208";
    m.creditCard = true;
    m.virtualTrades = "204";
    m.realTrades = "7310";
    m.goodRate = "95.40";
    m.deposit = "1000.00";
    m.sellerCredit = "7310";
    m.sellerIcon = "seller_credit_10.gif";
    m.buyerCredit = "310";
    m.buyerIcon = "buyer_credit_5.gif";
    m.counts = {"40", "3", "1", "150", "13", "4", "800", "60", "20", "3000", "100", "50"};
    m.mainBusinessPage = "手机配件与充电器";
    m.mainBusiness = "手机配件与充电器";
    m.vipRank = "黄金卡";
    m.shownVipRank = "黄金卡";
    m.industryPage = "手机数码";
    m.industry = "手机数码";
    m.industryShare = "88.00%";

    m.presence = Presence::kSilent;
    m.favourites = true;
    m.logo = "shop_logo_1.jpg";
    m.creditLevel = "3钻";
    m.popularityPage = "2 345";
    m.popularity = "2345";

    m.given = PlainEntries(13, 40, "GGGNGGGGNGGGBGGGNGGG", "2011.03.14 23:59:59");
    m.received = PlainEntries(14, 40, "GGGGNGGGBGGGGN", "2011.03.15 07:07:07");
    m.goodGiven = 310;
    m.neutralGiven = 45;
    m.badGiven = 2;
    m.goodCount = "310";
    m.buyerVerdict = "非善类！给的中评大于3个！  很挑剔！有给差评的记录！红色警报：叼民！";
    m.buyerPicture = VerdictPicture::kCross;
    m.sellerVerdict = "专业店铺，门庭若市. [黑店]";
    m.sellerPicture = VerdictPicture::kTick;
    return m;
}

// Entries whose rows show what the program does with odd list entries.
std::vector<RatingEntry> OddGivenEntries() {
    std::vector<RatingEntry> entries;
    entries.push_back(PlainEntry("13029911101", "柚子皮手工蜜饯", "口味:原味", "一般般，有点甜。",
                                 "2011.03.12 10:20:30", "果***铺", RatingKind::kNeutral));

    RatingEntry broken = PlainEntry("13029911102", "蜂蜜柚子茶 500g", "规格:500g",
                                    "香味很淡&hellip;但是很耐喝<br/>\\n会回购",
                                    "2011.03.11 09:00:01", "蜜***坊", RatingKind::kNeutral);
    broken.shownComment = "香味很淡...但是很耐喝...会回购";
    entries.push_back(broken);

    // No "sku" key: the variant cut falls back to byte 5 of the piece, which
    // is the id without its first digit.
    RatingEntry noSku = PlainEntry("13029911103", "柚子香薰蜡烛", "", "蜡烛断成两截了。",
                                   "2011.03.10 18:30:00", "蜡***铺", RatingKind::kBad);
    noSku.sku.reset();
    noSku.shownSku = "3029911103";
    entries.push_back(noSku);

    RatingEntry tenDots = PlainEntry(
        "13029911104", "柚子果酱 250g", "口味:蜂蜜",
        "等了好久&hellip;&hellip;&hellip;&hellip;&hellip;&hellip;&hellip;&hellip;&hellip;&hellip;"
        "终于到了",
        "2011.03.09 08:08:08", "甜***屋", RatingKind::kNeutral);
    tenDots.shownComment = "等了好久" + std::string(9 * 3, '.') + "&hellip;终于到了";
    entries.push_back(tenDots);

    entries.push_back(PlainEntry("13029911105", "沙田柚 5斤装", "规格:5斤", "个头偏小。",
                                 "2011.03.08 12:12:12", "果***园", RatingKind::kNeutral));
    return entries;
}

std::vector<RatingEntry> OddReceivedEntries() {
    std::vector<RatingEntry> entries;
    entries.push_back(PlainEntry("13029922201", "手工柚子糖", "口味:原味", "好买家，付款爽快！",
                                 "2011.03.12 11:00:00", "小***z", RatingKind::kGood));
    entries.push_back(PlainEntry("13029922202", "柚子皮手工蜜饯", "口味:原味",
                                 "拍下后一直不付款&hellip;", "2011.03.05 15:15:15", "l***7",
                                 RatingKind::kNeutral));
    entries.back().shownComment = "拍下后一直不付款...";
    entries.push_back(PlainEntry("13029922203", "柚子香薰蜡烛", "颜色分类:暖黄",
                                 "无理由差评<br/>\\n恶意买家", "2011.03.01 21:21:21", "k***k",
                                 RatingKind::kBad));
    entries.back().shownComment = "无理由差评...恶意买家";
    return entries;
}

Member FewEntries() {
    Member m = Ordinary("小柚子zz", "111234567",
                        "short rating lists (rows left empty) with odd entries: no sku, "
                        "&hellip; and <br/>\\n in comments, ten &hellip;, rate -1; four neutral "
                        "and one bad given (no red alert); medium shop minding quality");
    m.registered = "2009-07-07";
    SetShop(m, "小柚子的果园", "小柚子的果园", "2009年8月1日");
    SetLastLogin(m, " 2011-03-12 ", "2011-03-12");

    m.nick = "小柚子";
    m.shownNick = "小柚子";
    m.sexText = "女";
    m.district = "330106";
    m.address = "杭州市西湖区";
    m.avatar = "avatar_2.jpg";
    m.honours = {"honour_1.png", "honour_3.png", "honour_5.png",
                 "honour_7.png", "honour_2.gif", "honour_4.gif"};
    m.fans = "66";
    m.follows = "66";
    m.visits = "6606";
    m.school = "浙江农林大学";
    m.company = "小柚子的果园";
    m.blogsPage = "5";
    m.blogs = "5";

    m.region = "浙江杭州";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2009-08-01";
    m.commitments = {"消费者保障", "假一赔三", "先行赔付"};
    m.scores = {"4.3", "4.2", "4.1"};
    m.sellerInfo = true;
    m.itemCount = "23";
    m.virtualTrades = "0";
    m.realTrades = "311";
    m.goodRate = "96.50";
    m.deposit = "1000.00";
    m.sellerCredit = "311";
    m.sellerIcon = "seller_credit_5.gif";
    m.buyerCredit = "5";
    m.buyerIcon = "buyer_credit_1.gif";
    m.counts = {"2", "1", "1", "6", "2", "3", "30", "8", "5", "120", "20", "9"};
    m.mainBusinessPage = "水果&nbsp;蜜饯";
    m.mainBusiness = "水果蜜饯";
    m.industryPage = "食品&nbsp;水果";
    m.industry = "食品 水果";
    m.industryShare = "70.00%";

    m.favourites = true;
    m.logo = "shop_logo_2.gif";
    m.creditLevel = "5心";
    m.popularityPage = "150";
    m.popularity = "150";

    m.given = OddGivenEntries();
    m.received = OddReceivedEntries();
    m.goodGiven = 0;
    m.neutralGiven = 4;
    m.badGiven = 1;
    m.goodCount = "0";
    m.buyerVerdict = "非善类！给的中评大于3个！  很挑剔！有给差评的记录！";
    m.buyerPicture = VerdictPicture::kCross;
    m.sellerVerdict = "中等商铺，蒸蒸日上. [注意质量]";
    m.sellerPicture = VerdictPicture::kTick;
    return m;
}

Member MediumShop() {
    Member m = Ordinary("tea.house88", "112345678",
                        "medium shop (18 ratings last month) with average products; exactly "
                        "108 good ratings given over three summary pages: very good member; "
                        "no VIP rank, licence, deposit or credit card");
    m.registered = "2008-04-04";
    SetShop(m, "八八茶舍", "八八茶舍", "2008年5月5日");
    SetLastLogin(m, " 2011-03-18 ", "2011-03-18");

    m.nick = "茶舍掌柜";
    m.shownNick = "茶舍掌柜";
    m.sexText = "男";
    m.district = "330106";
    m.address = "杭州市西湖区";
    m.avatar = "avatar_1.jpg";
    m.honours = {"honour_6.gif", "honour_5.png", "honour_4.gif",
                 "honour_3.png", "honour_2.gif", "honour_1.png"};
    m.fans = "512";
    m.follows = "40";
    m.visits = "30100";
    m.school = "";
    m.company = "八八茶舍";
    m.blogsPage = "31";
    m.blogs = "31";

    m.region = "浙江杭州";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2008-05-05";
    m.commitments = {"消费者保障", "7天退换", "24小时发货"};
    m.scores = {"4.6", "4.7", "4.8"};
    m.sellerInfo = true;
    m.itemCount = "64";
    m.virtualTrades = "0";
    m.realTrades = "1520";
    m.goodRate = "98.20";
    m.sellerCredit = "1520";
    m.sellerIcon = "seller_credit_7.gif";
    m.buyerCredit = "108";
    m.buyerIcon = "buyer_credit_3.gif";
    m.counts = {"3", "1", "0", "12", "6", "0", "70", "20", "2", "400", "60", "10"};
    m.mainBusinessPage = "茶叶";
    m.mainBusiness = "茶叶";
    m.industryPage = "茶&nbsp;冲饮";
    m.industry = "茶 冲饮";
    m.industryShare = "95.50%";

    m.favourites = true;
    m.logo = "shop_logo_1.jpg";
    m.creditLevel = "2钻";
    m.popularityPage = "640";
    m.popularity = "640";

    m.given = PlainEntries(15, 40, "G", "2011.03.17 14:00:00");
    m.received = PlainEntries(16, 40, "GGGGGNGGGGGGGGGGGGGN", "2011.03.18 10:10:10");
    m.goodGiven = 108;
    m.goodCount = "108";
    m.buyerVerdict = "大大的良民.";
    m.buyerPicture = VerdictPicture::kTick;
    m.sellerVerdict = "中等商铺，蒸蒸日上. [产品一般]";
    m.sellerPicture = VerdictPicture::kTick;
    return m;
}

// The rating lists of this member are too popular for the rating server:
// both answer 503 every time, while the rest of the pages come.
Member BusyLists() {
    Member m = MediumShop();
    m.account = "人气茶馆";
    m.userId = "118765432";
    m.covers =
        "both rating lists answer 503 every time: the rows stay empty and the lookup says "
        "which pages it did not get (not in the roster the batches cycle)";
    SetShop(m, "人气茶馆", "人气茶馆", "2008年5月5日");
    m.listsUnavailable = true;
    m.given.clear();
    m.received.clear();
    return m;
}

Member SmallShop() {
    Member m = Ordinary("老街修表铺", "113456789",
                        "small shop (9 ratings last month), acceptable products; 107 good "
                        "ratings given: good member; shop name and main business longer than "
                        "24 bytes");
    m.registered = "2004-10-10";
    SetShop(m, "老街修表铺百年老字号钟表维修", "老街修表铺百年老字号钟表", "2005年1月1日");
    SetLastLogin(m, " 2011-03-10 ", "2011-03-10");

    m.nick = "老街师傅";
    m.shownNick = "老街师傅";
    m.sexText = "男";
    m.district = "110108";
    m.address = "北京市海淀区";
    m.avatar = "avatar_1.jpg";
    m.honours = {"honour_1.png", "honour_2.gif", "honour_3.png",
                 "honour_4.gif", "honour_5.png", "honour_6.gif"};
    m.fans = "77";
    m.follows = "2";
    m.visits = "9120";
    m.company = "老街修表铺";
    m.blogsPage = "2";
    m.blogs = "2";

    m.region = "北京";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2005-01-01";
    m.commitments = {"30天维修", "假一赔三"};
    m.scores = {"5.0", "5.0", "4.9"};
    m.licence = true;
    m.sellerInfo = true;
    m.itemCount = "15";
    m.virtualTrades = "0";
    m.realTrades = "420";
    m.goodRate = "99.76";
    m.deposit = "500.00";
    m.sellerCredit = "420";
    m.sellerIcon = "seller_credit_6.gif";
    m.buyerCredit = "107";
    m.buyerIcon = "buyer_credit_3.gif";
    m.counts = {"2", "0", "0", "8", "1", "0", "40", "3", "0", "210", "9", "1"};
    m.mainBusinessPage = "机械钟表维修与老式怀表配件";
    m.mainBusiness = "机械钟表维修与老式怀表配";
    m.industryPage = "钟表&nbsp;眼镜";
    m.industry = "钟表 眼镜";
    m.industryShare = "99.10%";

    m.favourites = true;
    m.logo = "shop_logo_3.jpg";
    m.creditLevel = "1钻";
    m.popularityPage = "1 002";
    m.popularity = "1002";

    m.given = PlainEntries(17, 40, "G", "2011.03.09 09:30:00");
    m.received = PlainEntries(18, 40, "G", "2011.03.10 16:00:00");
    m.goodGiven = 107;
    m.goodCount = "107";
    m.buyerVerdict = "良民.";
    m.buyerPicture = VerdictPicture::kTick;
    m.sellerVerdict = "小店经营，门庭冷落. [产品尚可]";
    m.sellerPicture = VerdictPicture::kNone;
    return m;
}

Member ProfessionalSmallCounts() {
    Member m = Ordinary("晨光文具店", "114567890",
                        "professional shop at exactly 19 ratings last month with acceptable "
                        "products; one full summary page of 40 good ratings: good member");
    m.registered = "2009-09-09";
    SetShop(m, "晨光文具店", "晨光文具店", "2009年10月1日");
    SetLastLogin(m, " 2011-03-21 ", "2011-03-21");

    m.nick = "晨光";
    m.shownNick = "晨光";
    m.sexText = "女";
    m.district = "310104";
    m.address = "上海市徐汇区";
    m.avatar = "avatar_3.jpg";
    m.honours = {"honour_2.gif", "honour_3.png", "honour_4.gif",
                 "honour_5.png", "honour_6.gif", "honour_7.png"};
    m.fans = "140";
    m.follows = "22";
    m.visits = "15000";
    m.school = "华东师范大学";
    m.company = "晨光文具店";
    m.blogsPage = "9";
    m.blogs = "9";

    m.region = "上海";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2009-10-01";
    m.commitments = {"消费者保障", "7天退换", "提供发票"};
    m.scores = {"4.8", "4.9", "4.9"};
    m.sellerInfo = true;
    m.itemCount = "410";
    m.creditCard = true;
    m.virtualTrades = "0";
    m.realTrades = "980";
    m.goodRate = "99.40";
    m.deposit = "1000.00";
    m.sellerCredit = "980";
    m.sellerIcon = "seller_credit_8.gif";
    m.buyerCredit = "40";
    m.buyerIcon = "buyer_credit_2.gif";
    m.counts = {"5", "0", "0", "19", "0", "0", "96", "2", "0", "300", "5", "1"};
    m.mainBusinessPage = "文具&nbsp;办公用品";
    m.mainBusiness = "文具办公用品";
    m.vipRank = "白金卡";
    m.shownVipRank = "白金卡";
    m.industryPage = "文具&nbsp;办公";
    m.industry = "文具 办公";
    m.industryShare = "97.00%";

    m.presence = Presence::kOnline;
    m.favourites = true;
    m.logo = "shop_logo_2.gif";
    m.creditLevel = "2钻";
    m.popularityPage = "777";
    m.popularity = "777";

    m.given = PlainEntries(19, 40, "G", "2011.03.20 20:20:20");
    m.received = PlainEntries(20, 29, "G", "2011.03.21 08:00:00");
    m.goodGiven = 40;
    m.goodCount = "40";
    m.buyerVerdict = "良民.";
    m.buyerPicture = VerdictPicture::kTick;
    m.sellerVerdict = "专业店铺，门庭若市. [产品尚可]";
    m.sellerPicture = VerdictPicture::kTick;
    return m;
}

Member AbolishedDistrict() {
    Member m = Ordinary("胡同口唱片行", "115678901",
                        "old account whose district code 110103 (崇文区, merged into 东城区 in "
                        "2010) still gives its address 北京市崇文区; one neutral rating given; "
                        "medium shop with acceptable products");
    m.registered = "2003-08-15";
    SetShop(m, "胡同口唱片行", "胡同口唱片行", "2004年3月6日");
    SetLastLogin(m, " 2011-03-19 ", "2011-03-19");

    m.nick = "唱片老周";
    m.shownNick = "唱片老周";
    m.sexText = "男";
    m.district = "110103";
    m.address = "北京市崇文区";
    m.avatar = "avatar_4.jpg";
    m.honours = {"honour_4.gif", "honour_5.png", "honour_6.gif",
                 "honour_7.png", "honour_8.gif", "honour_1.png"};
    m.fans = "358";
    m.follows = "27";
    m.visits = "21033";
    m.school = "";
    m.company = "胡同口唱片行";
    m.blogsPage = "17";
    m.blogs = "17";

    m.region = "北京";
    m.certification = "支付宝个人认证";
    m.shopStartDate = "2004-03-06";
    m.commitments = {"消费者保障", "7天退换", "假一赔三"};
    m.scores = {"4.8", "4.7", "4.8"};
    m.sellerInfo = true;
    m.itemCount = "212";
    m.virtualTrades = "0";
    m.realTrades = "2260";
    m.goodRate = "99.10";
    m.deposit = "1000.00";
    m.sellerCredit = "2260";
    m.sellerIcon = "seller_credit_8.gif";
    m.buyerCredit = "76";
    m.buyerIcon = "buyer_credit_3.gif";
    m.counts = {"4", "0", "0", "14", "1", "0", "80", "3", "0", "960", "12", "2"};
    m.mainBusinessPage = "黑胶唱片&nbsp;老磁带";
    m.mainBusiness = "黑胶唱片老磁带";
    m.industryPage = "音乐&nbsp;影视";
    m.industry = "音乐 影视";
    m.industryShare = "83.30%";

    m.favourites = true;
    m.logo = "shop_logo_3.jpg";
    m.creditLevel = "3钻";
    m.popularityPage = "2 046";
    m.popularity = "2046";

    m.given = PlainEntries(21, 40, "G", "2011.03.18 21:00:00");
    m.received = PlainEntries(22, 40, "GGGGGGGGGGGGGGN", "2011.03.19 10:30:00");
    m.goodGiven = 75;
    m.neutralGiven = 1;
    m.badGiven = 0;
    m.goodCount = "75";
    m.buyerVerdict = "小心应付，问题不大.";
    m.buyerPicture = VerdictPicture::kTick;
    m.sellerVerdict = "中等商铺，蒸蒸日上. [产品尚可]";
    m.sellerPicture = VerdictPicture::kTick;
    return m;
}

// ------------------------------------------------------- some weeks later

// The full seller has sold on, and given its first bad rating: credit,
// counts, rates and both verdicts move, and the seller credit icon goes up.
Member FullSellerLater() {
    Member m = FullSeller();
    m.covers =
        "the full seller some weeks on: more credit and ratings, a lower good rate, "
        "its first bad rating given (a cross), a shop of acceptable products";
    SetLastLogin(m, " 2011-04-18 ", "2011-04-18");
    m.fans = "1302";
    m.visits = "104210";
    m.scores = {"4.8", "4.8", "4.79"};
    m.itemCount = "131";
    m.realTrades = "3521";
    m.goodRate = "99.71";
    m.sellerCredit = "3521";
    m.sellerIcon = "seller_credit_10.gif";
    m.buyerCredit = "213";
    m.counts = {"18", "1", "1", "80", "3", "2", "530", "8", "2", "2840", "15", "3"};
    m.popularityPage = "1 902";
    m.popularity = "1902";
    m.given = PlainEntries(5, 40, "B" + std::string(39, 'G'), "2011.04.17 10:15:00");
    m.goodGiven = 1240;
    m.badGiven = 1;
    m.goodCount = "1240";
    m.buyerVerdict = "很挑剔！有给差评的记录！";
    m.buyerPicture = VerdictPicture::kCross;
    m.sellerVerdict = "专业店铺，门庭若市. [产品尚可]";
    m.sellerPicture = VerdictPicture::kTick;
    return m;
}

// The red-alert member has been blocked since.
Member SilentStatusLater() {
    Member m = SilentStatus();
    m.covers = "the red-alert member some weeks on: blocked (该账号被查封!)";
    m.profile = ProfileKind::kBlocked;
    return m;
}

std::vector<Member> BuildLaterChanges() {
    return {FullSellerLater(), SilentStatusLater()};
}

std::vector<Member> BuildRoster() {
    return {
        FullSeller(),       TmallStore(), BuyerMainly(), WithoutShop(),  NonSeller(),
        Unknown(),          Blocked(),    EmptyAnswer(), YoungAccount(), FewHonours(),
        SilentStatus(),     FewEntries(), MediumShop(),  SmallShop(),    ProfessionalSmallCounts(),
        AbolishedDistrict()};
}

}  // namespace

const std::vector<Member>& Members() {
    static const std::vector<Member> roster = BuildRoster();
    return roster;
}

const std::vector<Member>& TroubledMembers() {
    static const std::vector<Member> troubled = {BusyLists()};
    return troubled;
}

const Member& AtMoment(const Member& member, MarketMoment moment) {
    static const std::vector<Member> later = BuildLaterChanges();
    if (moment == MarketMoment::kLater) {
        for (const Member& changed : later) {
            if (changed.account == member.account) {
                return changed;
            }
        }
    }
    return member;
}

const Member* FindMemberByAccountGbk(const std::string& gbkAccount) {
    for (const auto* list : {&Members(), &TroubledMembers()}) {
        for (const Member& m : *list) {
            if (Utf8ToGbk(m.account) == gbkAccount) {
                return &m;
            }
        }
    }
    return nullptr;
}

const Member* FindMember(const std::string& utf8Account) {
    for (const auto* list : {&Members(), &TroubledMembers()}) {
        for (const Member& m : *list) {
            if (m.account == utf8Account) {
                return &m;
            }
        }
    }
    return nullptr;
}

const Member* FindMemberById(const std::string& userId) {
    if (userId.empty()) {
        return nullptr;
    }
    for (const auto* list : {&Members(), &TroubledMembers()}) {
        for (const Member& m : *list) {
            if (m.userId == userId) {
                return &m;
            }
        }
    }
    return nullptr;
}

}  // namespace kestrova::marketplace
