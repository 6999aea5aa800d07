#include "tests/lookup/StepFixture.h"
#include "text/Gbk.h"

namespace kestrova::test {
namespace {

constexpr const char* kProfilePath = "/member/user_profile.jhtml";

class ProfilePage : public StepFixture {
  protected:
    void UsePage(const std::string& utf8) { state.PageText = Gbk(utf8); }
};

struct StopCase {
    const char* name;
    const char* page;  // UTF-8; nullptr: the server answers nothing
    const char* status;
};

class ProfileStops : public StepFixture, public ::testing::WithParamInterface<StopCase> {};

TEST_P(ProfileStops, EndTheRunWithTheirStatusMessage) {
    const StopCase& c = GetParam();
    if (c.page != nullptr) {
        ServeGbk(kProfilePath, c.page);
    }
    window.WriteText(Ctl::编辑框1, "someone");
    EXPECT_EQ(RequestProfile(q), *c.status == '\0');
    EXPECT_EQ(GbkToUtf8(window.StatusText()), c.status);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ProfileStops,
    ::testing::Values(StopCase{"NoAnswer", nullptr, "获取店铺信息失败!"},
                      StopCase{"EmptyBody", "", "获取店铺信息失败!"},
                      StopCase{"Unknown", "<p>很抱歉！淘宝正在对该店铺盘点，请稍后再试</p>",
                               "该账号不存在!"},
                      StopCase{"Blocked", "<p>通告：該用戶已經被查封！</p>", "该账号被查封!"},
                      StopCase{"UnknownWinsOverBlocked",
                               "很抱歉！淘宝正在对该店铺盘点，请稍后再试 通告：該用戶已經被查封！",
                               "该账号不存在!"},
                      StopCase{"Member", "<html>profile</html>", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfilePage, KeepsTheBodyAsPageAndProfileText) {
    ServeGbk(kProfilePath, "<html>资料</html>");
    window.WriteText(Ctl::编辑框1, "someone");
    ASSERT_TRUE(RequestProfile(q));
    EXPECT_EQ(state.PageText, Gbk("<html>资料</html>"));
    EXPECT_EQ(state.ProfileText, state.PageText);
}

struct AccountCase {
    const char* typed;  // UTF-8
    const char* query;  // what the server must see after user_id=
};

class AccountEncoding : public StepFixture, public ::testing::WithParamInterface<AccountCase> {};

TEST_P(AccountEncoding, ReachesTheAddressTrimmedAndPercentEncoded) {
    ServeGbk(kProfilePath, "x");
    window.WriteText(Ctl::编辑框1, Gbk(GetParam().typed));
    RequestProfile(q);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].host, "member1.taobao.com");
    EXPECT_EQ(requests[0].target, std::string(kProfilePath) + "?user_id=" + GetParam().query);
}

INSTANTIATE_TEST_SUITE_P(Names, AccountEncoding,
                         ::testing::Values(AccountCase{"plain_name-1.x", "plain_name-1.x"},
                                           AccountCase{"a b+c", "a%20b%2Bc"},
                                           AccountCase{"  padded  ", "padded"},
                                           AccountCase{"   ", ""}, AccountCase{"中", "%D6%D0"},
                                           AccountCase{"　全角　", "%C8%AB%BD%C7"}));

TEST_F(ProfilePage, RegistrationTimeLosesItsSpacesAndTabs) {
    UsePage("<ul><li>注册时间： \t2009-03-07 \t </li><li>x</li></ul>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::编辑框24), "2009-03-07");
}

TEST_F(ProfilePage, RegistrationTimeDropsTheByteBeforeItsEnd) {
    // trim 2: the last byte before "</li>" goes (a padding byte on real pages).
    UsePage("<li>注册时间： 2009-03-07X</li>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::编辑框24), "2009-03-07");
}

TEST_F(ProfilePage, RegistrationTimeEndSearchedBeyondItsValueWindow) {
    // The value window is 888 bytes, the end marker is searched in 9999.
    UsePage("<li>注册时间： " + std::string(900, 'a') + "x</li>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::编辑框24), std::string(888, 'a'));
}

TEST_F(ProfilePage, MissingMarkersLeaveTheirFieldsEmpty) {
    window.WriteText(Ctl::编辑框24, "kept");
    window.WriteText(Ctl::编辑框10, "kept");
    UsePage("<html>nothing here</html>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::编辑框24), "kept");
    EXPECT_EQ(Read(Ctl::编辑框10), "kept");
    EXPECT_EQ(Read(Ctl::超级链接框3), "");
}

TEST_F(ProfilePage, LastLoginKeepsItsLastByteAndLosesSpacesAndTabs) {
    UsePage("<li>上次登录： 2011-05-02\t12:00</li>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::编辑框10), "2011-05-0212:00");
}

TEST_F(ProfilePage, ItemsLink) {
    UsePage("<li>宝贝信息： <a href=\"http://shop.example/items.htm\">出售中的宝贝</a></li>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::超级链接框3), "出售中的宝贝");
    EXPECT_EQ(GbkToUtf8(window.ReadLinkAddress(Ctl::超级链接框3)), "http://shop.example/items.htm");
}

TEST_F(ProfilePage, ShopLinkCaptionAndAddress) {
    UsePage("<li>淘宝店铺： <a href=\"http://shop1.example/\" >青山小铺</a></li>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::超级链接框1), "青山小铺");
    EXPECT_EQ(GbkToUtf8(window.ReadLinkAddress(Ctl::超级链接框1)), "http://shop1.example/");
}

TEST_F(ProfilePage, ShopNameIsCutAtTwentyFourBytes) {
    UsePage("<li>淘宝店铺： <a href=\"http://s.example/\" >一二三四五六七八九十甲乙丙丁</a></li>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::超级链接框1), "一二三四五六七八九十甲乙");
}

TEST_F(ProfilePage, ShopNameCutMaySplitACharacter) {
    UsePage("<li>淘宝店铺： <a href=\"http://s.example/\" >a一二三四五六七八九十甲乙丙</a></li>");
    ShowProfileFields(q);
    const Text caption = window.ReadText(Ctl::超级链接框1);
    EXPECT_EQ(caption.size(), 24u);
    EXPECT_EQ(caption, Gbk("a一二三四五六七八九十甲") + Gbk("乙").substr(0, 1));
}

TEST_F(ProfilePage, NoShopMarkWinsOverAShopLink) {
    UsePage(
        "<li>淘宝店铺： <a href=\"http://s.example/\" >有店</a></li>"
        "<li>x<a href=\"#\" ></a></li>");
    ShowProfileFields(q);
    EXPECT_EQ(Read(Ctl::超级链接框1), "此人无店铺");
    EXPECT_EQ(window.ReadLinkAddress(Ctl::超级链接框1), "");
}

}  // namespace
}  // namespace kestrova::test
