#include "tests/lookup/StepFixture.h"
#include "text/Gbk.h"

namespace kestrova::test {
namespace {

constexpr const char* kSpacePath = "/u/space.htm";
// The link is found from 111 bytes before its end: a page has that much in front.
const std::string kProfileHead = "<html><head><title>profile</title></head><body>" +
                                 std::string(120, ' ') + "<div class=\"nav\">";

class PersonalSpacePage : public StepFixture {
  protected:
    // A profile whose personal-space link leads to kSpacePath on i.taobao.com.
    void LinkProfileToSpace() {
        state.PageText = Gbk(kProfileHead +
                             "<ul class=\"links\"><li><a href=\"http://i.taobao.com/u/space.htm\" "
                             "/> 个人空间</a></li></ul>");
    }
    void ServeSpace(const std::string& utf8) { ServeGbk(kSpacePath, utf8); }
};

TEST_F(PersonalSpacePage, FollowsTheProfileLinkAndKeepsThePageInTheScratchField) {
    LinkProfileToSpace();
    ServeSpace("<div class=\"nick\">阿明</div>");
    ShowPersonalSpace(q);
    EXPECT_EQ(server.CountRequests(kSpacePath), 1);
    EXPECT_EQ(server.Requests().front().host, "i.taobao.com");
    EXPECT_EQ(Read(Ctl::编辑框98), "<div class=\"nick\">阿明</div>");
    EXPECT_EQ(Read(Ctl::编辑框11), "阿明");
}

TEST_F(PersonalSpacePage, AddressLosesSpacesTabsAndLineBreaks) {
    state.PageText = Gbk(kProfileHead +
                         "<li><a href=\"http://i.taobao.com/u/ space\t.htm\" /> 个人空间</a></li>");
    ServeSpace("ok");
    ShowPersonalSpace(q);
    EXPECT_EQ(server.CountRequests(kSpacePath), 1);
}

struct SexCase {
    const char* page;
    const char* sex;
};
class SexRule : public PersonalSpacePage, public ::testing::WithParamInterface<SexCase> {};
TEST_P(SexRule, MaleWinsThenFemaleThenNothing) {
    LinkProfileToSpace();
    ServeSpace(GetParam().page);
    ShowPersonalSpace(q);
    EXPECT_EQ(Read(Ctl::编辑框14), GetParam().sex);
}
INSTANTIATE_TEST_SUITE_P(Pages, SexRule,
                         ::testing::Values(SexCase{"性别：女 … 男装", "男"},
                                           SexCase{"性别：女", "女"}, SexCase{"性别：保密", ""}));

TEST_F(PersonalSpacePage, NickEndBeyondItsWindowGivesNothing) {
    LinkProfileToSpace();
    ServeSpace("<div class=\"nick\">" + std::string(40, 'n') + "</div>");
    ShowPersonalSpace(q);
    EXPECT_EQ(Read(Ctl::编辑框11), "");
}

TEST_F(PersonalSpacePage, DistrictCodeBecomesAnAddress) {
    LinkProfileToSpace();
    ServeSpace("<span class=\"J_district\">110101</span>");
    ShowPersonalSpace(q);
    EXPECT_EQ(Read(Ctl::编辑框25), "110101");
    EXPECT_EQ(Read(Ctl::编辑框203), "北京市东城区");
}

TEST_F(PersonalSpacePage, EmptyDistrictLeavesTheAddressAlone) {
    LinkProfileToSpace();
    ServeSpace("<p>no district</p>");
    window.WriteText(Ctl::编辑框203, "untouched");
    ShowPersonalSpace(q);
    EXPECT_EQ(Read(Ctl::编辑框25), "");
    EXPECT_EQ(Read(Ctl::编辑框203), "untouched");
}

TEST_F(PersonalSpacePage, CountsSchoolCompanyAndBlog) {
    LinkProfileToSpace();
    ServeSpace(
        "<a href=\"#\"><b class=\"num\">12</b></a><span>粉丝</span>"
        "<a href=\"#\"><b class=\"num\">3</b></a><span>关注</span>"
        "<span><b class=\"num\">4567</b></span><span>访问</span>"
        "<li class=\"school\"><s class=\"sep ks-inline-block\"></s>北方大学</span></li>"
        "<li class=\"company\"><s class=\"sep ks-inline-block\"></s>青禾公司</span></li>"
        "<a>查看全部<b>1 2</b>篇日志</a>");
    ShowPersonalSpace(q);
    EXPECT_EQ(Read(Ctl::编辑框26), "12");
    EXPECT_EQ(Read(Ctl::编辑框27), "3");
    EXPECT_EQ(Read(Ctl::编辑框28), "4567");
    EXPECT_EQ(Read(Ctl::编辑框204), "北方大学");
    EXPECT_EQ(Read(Ctl::编辑框205), "青禾公司");
    EXPECT_EQ(Read(Ctl::编辑框15), "12");
}

TEST_F(PersonalSpacePage, NoBlogShowsZero) {
    LinkProfileToSpace();
    ServeSpace("<p>nothing</p>");
    ShowPersonalSpace(q);
    EXPECT_EQ(Read(Ctl::编辑框15), "0");
}

// Addresses of exactly 62 bytes, as the honour cut takes them.
std::string HonourAddress(int i) {
    std::string address = "http://img.taobaocdn.com/honour/badge_" + std::to_string(i) + ".gif";
    address.insert(address.find("badge"), 62 - address.size(), 'x');
    return address;
}

TEST_F(PersonalSpacePage, FewerThanSixHonourPicturesStillMakeSixLoads) {
    LinkProfileToSpace();
    std::string page = "<div>";
    for (int i = 1; i <= 2; ++i) {
        page +=
            "<i style=\"position:relative;background-image: url(" + HonourAddress(i) + ")\"></i>";
    }
    ServeSpace(page + "</div>");
    ShowPersonalSpace(q);
    EXPECT_EQ(server.CountRequests("/honour/"), 2);
    // Four more loads went out with whatever the cut gave; none found a picture.
    EXPECT_TRUE(window.ReadPicture(Ctl::图片框11).empty());
    EXPECT_TRUE(window.ReadPicture(Ctl::图片框14).empty());
}

TEST_F(PersonalSpacePage, PhotoAddressStartsFiftyEightBytesBeforeItsMark) {
    LinkProfileToSpace();
    std::string address = "http://img.taobaocdn.com/avatar/";
    address += std::string(58 - address.size(), 'p') + "160x160.jpg";
    ServeSpace("<img src=\"" + address + "\" alt=\"photo\">");
    ShowPersonalSpace(q);
    EXPECT_EQ(server.CountRequests("/avatar/"), 1);
}

}  // namespace
}  // namespace kestrova::test
