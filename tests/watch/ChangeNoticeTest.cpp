// What a notification says of a changed member, and when it is critical:
// changes made by hand for every verdict step, bad ratings in every period,
// and a page that tries to break the text. (The marketplace's two moments,
// a closed account included, go through the real bus in NotifyTest.)

#include <gtest/gtest.h>

#include <sstream>

#include "WatchTesting.h"
#include "cli/watch/ChangeNotice.h"
#include "marketplace/MarketMoment.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::unique_ptr<FieldStore> At(MarketMoment moment, const std::string& account) {
    testing::Market().Market().SetMoment(moment);
    auto fields = testing::LookUp(account);
    testing::Market().Market().SetMoment(MarketMoment::kFirst);
    return fields;
}

struct Step {
    const char* what;
    Ctl control;
    const char* before;
    const char* after;
    bool critical;
};

TEST(ChangeNotice, CriticalWhenAVerdictGotWorseOrABadRatingAppeared) {
    const auto base = At(MarketMoment::kFirst, "青禾手作坊");
    const std::vector<Step> steps = {
        {"very good to good", Ctl::标签38, "大大的良民.", "良民.", true},
        {"good to careful", Ctl::标签38, "良民.", "小心应付，问题不大.", true},
        {"careful to young", Ctl::标签38, "小心应付，问题不大.", "帐号注册日期小于30日！  ", true},
        {"one warning to two", Ctl::标签38, "很挑剔！有给差评的记录！",
         "非善类！给的中评大于3个！  很挑剔！有给差评的记录！", true},
        {"to the red alert", Ctl::标签38, "非善类！给的中评大于3个！  很挑剔！有给差评的记录！",
         "非善类！给的中评大于3个！  很挑剔！有给差评的记录！红色警报：叼民！", true},
        {"a warning gone", Ctl::标签38, "很挑剔！有给差评的记录！", "良民.", false},
        {"honest to acceptable", Ctl::标签48, "专业店铺，门庭若市. [诚信商家]",
         "专业店铺，门庭若市. [产品尚可]", true},
        {"to a black shop", Ctl::标签48, "中等商铺，蒸蒸日上. [不诚信]",
         "中等商铺，蒸蒸日上. [黑店]", true},
        {"a shop tag better", Ctl::标签48, "小店经营，门庭冷落. [注意质量]",
         "小店经营，门庭冷落. [产品一般]", false},
        {"a bad rating", Ctl::编辑框差评, "3", "4", true},
        {"a bad rating this week", Ctl::编辑框一周差, "0", "1", true},
        {"a bad rating this month", Ctl::编辑框一月差, "0", "2", true},
        {"a bad rating this half year", Ctl::编辑框半年差, "5", "6", true},
        {"a bad rating before", Ctl::编辑框年前差, "5", "6", true},
        {"a bad rating taken back", Ctl::编辑框差评, "4", "3", false},
        {"more good ratings", Ctl::编辑框好评, "100", "120", false},
        {"a lower good rate", Ctl::编辑框19, "99.86%", "99.10%", false},
    };
    for (const Step& step : steps) {
        FieldStore before = *base;
        FieldStore after = *base;
        before.WriteText(step.control, Gbk(step.before));
        after.WriteText(step.control, Gbk(step.after));
        const ChangeNotice notice = NoticeOf("m", before, after);
        EXPECT_EQ(notice.critical, step.critical) << step.what;
        EXPECT_EQ(Lines(notice.body).size(), 1u) << step.what << "\n" << notice.body;
    }
}

TEST(ChangeNotice, APagesTextCannotBreakTheNotification) {
    const auto base = At(MarketMoment::kFirst, "青禾手作坊");
    FieldStore after = *base;
    // Escape sequences, a direction override, a line break, and length.
    after.WriteText(Ctl::编辑框19, Text("\x1b[2J99%\r\n\xe2\x80\xae") + std::string(300, 'x'));
    after.WriteText(Ctl::标签48, Gbk("<b>黑店</b> & <a href='x'>"));
    const ChangeNotice notice = NoticeOf("青禾手作坊", *base, after);
    const auto lines = Lines(notice.body);
    ASSERT_EQ(lines.size(), 2u) << notice.body;
    EXPECT_EQ(lines[0], "卖家分析：专业店铺，门庭若市. [诚信商家] → <b>黑店</b> & <a href='x'>");
    EXPECT_EQ(lines[1].find('\x1b'), std::string::npos);
    EXPECT_EQ(lines[1].find('\r'), std::string::npos);
    EXPECT_NE(lines[1].find("\uFFFD[2J99%"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 3), "…");
    EXPECT_LT(lines[1].size(), 200u);
}

}  // namespace
}  // namespace kestrova
