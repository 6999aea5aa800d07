// What the window is meant to show for a member, by control name: the
// member's values put where the query writes them.

#include <algorithm>
#include <ctime>

#include "marketplace/Addresses.h"
#include "marketplace/Members.h"

namespace kestrova::marketplace {

namespace {

constexpr std::array<const char*, 12> kCountFields = {
    "编辑框一周好", "编辑框一周中", "编辑框一周差", "编辑框一月好", "编辑框一月中", "编辑框一月差",
    "编辑框半年好", "编辑框半年中", "编辑框半年差", "编辑框年前好", "编辑框年前中", "编辑框年前差",
};

constexpr std::array<const char*, 6> kHonourBoxes = {"图片框9",  "图片框10", "图片框11",
                                                     "图片框12", "图片框13", "图片框14"};

// Each commitment's display text: the name and two spaces, the last without.
std::string CommitmentsShown(const Member& m) {
    if (m.nonSeller) {
        return "无";
    }
    std::string shown;
    for (const std::string& name : m.commitments) {
        shown += name;
        if (name != "先行赔付") {
            shown += "  ";
        }
    }
    return shown;
}

std::string PictureName(VerdictPicture picture) {
    switch (picture) {
        case VerdictPicture::kTick:
            return "program:tick";
        case VerdictPicture::kCross:
            return "program:cross";
        case VerdictPicture::kNone:
            break;
    }
    return "";
}

bool StopsEarly(const Member& m) {
    return m.profile != ProfileKind::kMember;
}

}  // namespace

std::string RegistrationDate(const Member& m, std::chrono::system_clock::time_point now) {
    if (m.registeredDaysAgo < 0) {
        return m.registered;
    }
    const std::time_t then =
        std::chrono::system_clock::to_time_t(now - std::chrono::hours{24 * m.registeredDaysAgo});
    std::tm local{};
    localtime_r(&then, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%Y-%m-%d", &local);
    return buffer;
}

std::string IntendedStatus(const Member& m) {
    switch (m.profile) {
        case ProfileKind::kUnknown:
            return "该账号不存在!";
        case ProfileKind::kBlocked:
            return "该账号被查封!";
        case ProfileKind::kEmptyAnswer:
            return "获取店铺信息失败!";
        case ProfileKind::kMember:
            break;
    }
    return "";
}

std::map<std::string, std::string> IntendedFields(const Member& m,
                                                  std::chrono::system_clock::time_point now) {
    std::map<std::string, std::string> f;
    if (StopsEarly(m)) {
        return f;
    }
    // Profile page.
    f["编辑框24"] = RegistrationDate(m, now);
    f["超级链接框3"] = m.listsItems ? "出售中的宝贝" : "";
    f["超级链接框3.link"] = m.listsItems ? ItemsAddress(m) : "";
    f["超级链接框1"] = m.shopName.empty() ? "此人无店铺" : m.shopCaption;
    f["超级链接框1.link"] = m.shopName.empty() ? "" : ShopAddress(m);
    f["编辑框10"] = m.lastLogin;

    // Personal space page.
    f["编辑框11"] = m.shownNick;
    f["编辑框14"] = m.sexText;
    f["编辑框25"] = m.district;
    f["编辑框203"] = m.address;
    f["编辑框26"] = m.fans;
    f["编辑框27"] = m.follows;
    f["编辑框28"] = m.visits;
    f["编辑框204"] = m.school;
    f["编辑框205"] = m.company;
    f["编辑框15"] = m.blogs;

    // Rating overview page.
    f["编辑框8"] = m.region;
    f["编辑框4"] = m.userId;
    f["编辑框5"] = m.certification;
    f["编辑框9"] = m.nonSeller ? "此人不是卖家" : m.shopStartDate;
    f["标签47"] = CommitmentsShown(m);
    f["编辑框中评7"] = m.scores[0];
    f["编辑框中评6"] = m.scores[1];
    f["编辑框中评5"] = m.scores[2];
    f["编辑框29"] = m.licence ? "有" : "无";
    f["编辑框3"] = m.tmall ? "天猫ID" : m.sellerInfo ? "卖家为主" : "买家为主";

    // Everything after the account role stays empty for a Tmall account.
    const bool tmall = m.tmall;
    auto later = [&](const char* control, std::string value) {
        f[control] = tmall ? std::string() : std::move(value);
    };
    later("编辑框198", m.itemCount);
    later("编辑框196", m.creditCard ? "支持信用卡直接付款" : "");
    // A silent status server leaves the field as the reset left it.
    later("编辑框197", m.presence == Presence::kOffline  ? "不在线"
                       : m.presence == Presence::kOnline ? "在线"
                                                         : "");
    later("编辑框201", m.virtualTrades);
    later("编辑框202", m.realTrades);
    later("编辑框200", m.creditLevel);
    later("编辑框199", m.popularity);
    later("编辑框19", m.goodRate + "%");
    later("编辑框23", m.deposit.empty() ? "无" : m.deposit);
    later("编辑框6", m.sellerCredit);
    later("编辑框7", m.buyerCredit);
    if (!tmall) {
        f["标签评价"] = m.sellerInfo ? "收到的详细评价" : "给出的详细评价";
    }
    std::vector<std::string> linked;
    for (const std::string& count : m.counts) {
        if (!count.empty()) {
            linked.push_back(count);
        }
    }
    for (std::size_t k = 0; k < kCountFields.size(); ++k) {
        later(kCountFields[k], k < linked.size() ? linked[k] : "");
    }
    later("编辑框12", m.mainBusiness);
    later("编辑框13", m.shownVipRank);
    later("编辑框17", m.industry);
    later("编辑框18", m.industryShare);

    // Summaries and verdicts.
    later("编辑框好评", m.goodCount);
    later("编辑框中评", std::to_string(m.neutralGiven));
    later("编辑框差评", std::to_string(m.badGiven));
    later("标签38", m.buyerVerdict);
    later("标签48", m.sellerVerdict);
    return f;
}

std::map<std::string, std::string> IntendedPictures(const Member& m) {
    std::map<std::string, std::string> p;
    if (StopsEarly(m)) {
        return p;
    }
    p["图片框1"] = m.avatar;
    for (std::size_t i = 0; i < kHonourBoxes.size(); ++i) {
        p[kHonourBoxes[i]] = i < m.honours.size() ? m.honours[i] : "";
    }
    p["图片框15"] = m.licence ? "program:licence" : "";
    const bool tmall = m.tmall;
    p["图片框72"] = tmall ? "" : m.logo;
    p["图片框6"] = tmall ? "" : m.sellerIcon;
    p["图片框7"] = tmall ? "" : m.buyerIcon;
    p["图片框5"] = tmall ? "" : PictureName(m.buyerPicture);
    p["图片框8"] = tmall ? "" : PictureName(m.sellerPicture);
    return p;
}

std::vector<RatingEntry> IntendedRows(const Member& m, RatingList list) {
    if (StopsEarly(m)) {
        return {};
    }
    const std::vector<RatingEntry>& entries = list == RatingList::kGiven ? m.given : m.received;
    const std::size_t shown = std::min<std::size_t>(entries.size(), 28);
    return {entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(shown)};
}

}  // namespace kestrova::marketplace
