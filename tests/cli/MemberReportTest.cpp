#include <gtest/gtest.h>

#include "cli/batch/MemberReport.h"
#include "cli/report/FieldReport.h"
#include "lookup/PictureBoxes.h"
#include "text/Gbk.h"
#include "text/RuntimeFault.h"

namespace kestrova {
namespace {

using nlohmann::ordered_json;

MemberLookup Member(const std::string& account) {
    MemberLookup member;
    member.account = account;
    member.window = FieldStore(EmbeddedDesignPictures());
    member.window.WriteText(Ctl::编辑框1, Utf8ToGbk(account));
    member.window.WriteText(Ctl::编辑框3, Gbk("卖家为主"));
    member.window.StatusBarSetText(0, Gbk("该账号不存在!"));
    return member;
}

struct AccountCase {
    const char* name;
    std::string account;
    std::string inJson;
};

class MemberJsonAccount : public ::testing::TestWithParam<AccountCase> {};

TEST_P(MemberJsonAccount, IsWrittenFirstAndAsGivenOnOneLine) {
    const std::string line = MemberJsonLine(Member(GetParam().account));
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    const ordered_json object = ordered_json::parse(line);
    EXPECT_EQ(object.begin().key(), "account");
    EXPECT_EQ(object["account"], GetParam().inJson);
}

INSTANTIATE_TEST_SUITE_P(
    MemberReport, MemberJsonAccount,
    ::testing::Values(AccountCase{"Chinese", "书虫阿林", "书虫阿林"},
                      AccountCase{"SpacesKept", "  a b ", "  a b "}, AccountCase{"Empty", "", ""},
                      AccountCase{"QuotesAndControls", "a\"\\\t\r", "a\"\\\t\r"},
                      // Not UTF-8: the run goes on, the byte shows as U+FFFD.
                      AccountCase{"InvalidUtf8",
                                  "a\xFF"
                                  "b",
                                  "a\uFFFDb"}),
    [](const auto& info) { return info.param.name; });

TEST(MemberReport, ARunTimeErrorTakesThePlaceOfTheFields) {
    MemberLookup member = Member("broken");
    member.fault = RuntimeFault(1, Gbk("数组成员引用下标超出定义范围")).BoxText();
    const std::string text = FaultText(*member.fault);
    EXPECT_EQ(text.find('\r'), std::string::npos);
    EXPECT_NE(text.find("运行时出错!\n\n错误代码：1\n\n"), std::string::npos) << text;
    EXPECT_EQ(MemberBlock(member), "== broken ==\n" + text);
    const ordered_json object = ordered_json::parse(MemberJsonLine(member));
    EXPECT_EQ(object.size(), 2u);
    EXPECT_EQ(object["account"], "broken");
    EXPECT_EQ(object["runtime_error"], text);
}

}  // namespace
}  // namespace kestrova
