#include "assets/Assets.h"
#include "form/RatingRows.h"
#include "lookup/PictureBoxes.h"
#include "tests/lookup/StepFixture.h"
#include "text/Gbk.h"

namespace kestrova::test {
namespace {

constexpr const char* kListPath = "/member_rate.htm";

std::string Entry(int n, const std::string& rate = "1", const std::string& comment = "好") {
    const std::string k = std::to_string(n);
    return "{\"aucNumId\":\"" + k + "\",\"auction\":{\"link\":\"#\",\"title\":\"宝贝" + k +
           "\"},\"content\":\"" + comment + "\",\"date\":\"2011.03.0" + std::to_string(n % 9 + 1) +
           " 14:05:09\",\"nick\":\"买家" + k + "\",\"rate\":\"" + rate +
           "\",\"sku\":\"颜色:红\",\"useful\":0}";
}

std::string List(const std::vector<std::string>& entries) {
    std::string body = "shop_rate_list({\"watermark\":\"\",\"rateListDetail\":[";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        body += (i ? "," : "") + entries[i];
    }
    return body + "],\"maxPage\":1})";
}

class RatingListPage : public StepFixture {
  protected:
    void ShowGiven(const std::string& utf8Body) {
        ServeGbk(kListPath, utf8Body);
        window.WriteText(Ctl::编辑框4, "42");
        ShowRatingList(q, RatingList::Given);
    }
    const RatingRow& Row(int page, int k) { return RatingRows(page)[static_cast<size_t>(k - 1)]; }
};

TEST_F(RatingListPage, RequestsBothListsWithTheMemberId) {
    window.WriteText(Ctl::编辑框4, "42");
    ShowRatingList(q, RatingList::Given);
    ShowRatingList(q, RatingList::Received);
    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].host, "rate.taobao.com");
    EXPECT_EQ(requests[0].target,
              "/member_rate.htm?content=1&result=&from=rate&user_id=42&identity=1&rater=3"
              "&direction=1&callback=shop_rate_list");
    EXPECT_EQ(requests[1].target,
              "/member_rate.htm?content=1&result=&from=rate&user_id=42&identity=1&rater=0"
              "&direction=0&page=1&callback=shop_rate_list");
}

TEST_F(RatingListPage, OneEntryFillsRowOne) {
    ShowGiven(List({Entry(1)}));
    EXPECT_EQ(Read(Row(1, 1).comment), "好");
    EXPECT_EQ(Read(Row(1, 1).nickname), "买家1");
    EXPECT_EQ(Read(Row(1, 1).itemLine), "宝贝1 | 颜色:红 | 2011.03.02 14:05:09");
    EXPECT_EQ(window.ReadPicture(Row(1, 1).icon), BytesOf(assets::GoodRatingIcon()));
    EXPECT_EQ(Read(Row(1, 2).comment), "");
    EXPECT_TRUE(window.ReadPicture(Row(1, 2).icon).empty());
    EXPECT_EQ(Read(Row(2, 1).comment), "");  // the other page is untouched
}

TEST_F(RatingListPage, BodyWithoutEntriesShowsNothing) {
    window.WriteText(Row(1, 1).comment, "kept");
    ShowGiven("shop_rate_list({\"rateListDetail\":[]})");
    EXPECT_EQ(Read(Row(1, 1).comment), "kept");
}

TEST_F(RatingListPage, FortyEntriesFillTwentyEightRows) {
    std::vector<std::string> entries;
    for (int n = 1; n <= 40; ++n) {
        entries.push_back(Entry(n));
    }
    ShowGiven(List(entries));
    EXPECT_EQ(Read(Row(1, 28).nickname), "买家28");
    EXPECT_EQ(state.pieces.Count(), 41);
}

TEST_F(RatingListPage, TrailingKeyMakesNoEmptyEntry) {
    ShowGiven(List({Entry(1)}) + "aucNumId");
    EXPECT_EQ(state.pieces.Count(), 2);
    EXPECT_EQ(Read(Row(1, 1).nickname), "买家1");
}

struct KindCase {
    const char* rate;
    int icon;  // 0 good, 1 neutral, 2 bad
};
class RatingKind : public RatingListPage, public ::testing::WithParamInterface<KindCase> {};
TEST_P(RatingKind, PicksTheIcon) {
    ShowGiven(List({Entry(1, GetParam().rate)}));
    const ByteBuffer icons[] = {BytesOf(assets::GoodRatingIcon()),
                                BytesOf(assets::NeutralRatingIcon()),
                                BytesOf(assets::BadRatingIcon())};
    EXPECT_EQ(window.ReadPicture(Row(1, 1).icon), icons[GetParam().icon]);
}
INSTANTIATE_TEST_SUITE_P(Rates, RatingKind,
                         ::testing::Values(KindCase{"1", 0}, KindCase{"0", 1}, KindCase{"-1", 2},
                                           KindCase{"x", 2}));

TEST_F(RatingListPage, EllipsisAndEscapedLineBreakBecomeThreeDots) {
    ShowGiven(List({Entry(1, "1", "a&hellip;b<br/>\\nc")}));
    EXPECT_EQ(Read(Row(1, 1).comment), "a...b...c");
}

TEST_F(RatingListPage, AtMostNineEllipsesAreReplaced) {
    std::string comment;
    for (int i = 0; i < 10; ++i) {
        comment += "x&hellip;";
    }
    ShowGiven(List({Entry(1, "1", comment)}));
    std::string expected;
    for (int i = 0; i < 9; ++i) {
        expected += "x...";
    }
    EXPECT_EQ(Read(Row(1, 1).comment), expected + "x&hellip;");
}

TEST_F(RatingListPage, MissingSkuCutsFromByteFiveOfThePiece) {
    // Without "sku" the cut starts at byte 6 - 1 of the piece and runs to its
    // first comma, less the byte before it.
    ShowGiven(
        "shop_rate_list([{\"aucNumId\":\"77\",\"auction\":{\"title\":\"T\"},\"content\":\"c\","
        "\"date\":\"D\",\"nick\":\"N\",\"rate\":\"1\"}])");
    // The piece begins with `":"77",`: from byte 5 it reads `7",`, so the value is "7".
    EXPECT_EQ(Read(Row(1, 1).itemLine), "T | 7 | D");
}

}  // namespace
}  // namespace kestrova::test
