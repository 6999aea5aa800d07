// The whole query for every member of the sample marketplace, compared field
// by field with what the marketplace meant each member to show.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "assets/Assets.h"
#include "form/FieldStore.h"
#include "form/RatingRows.h"
#include "imaging/Picture.h"
#include "lookup/Lookup.h"
#include "lookup/LookupSession.h"
#include "lookup/PictureBoxes.h"
#include "marketplace/Members.h"
#include "marketplace/SampleMarketplace.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"
#include "web/RegexHelper.h"

namespace kestrova {
namespace {

namespace mp = marketplace;

bool IsScratch(Ctl id) {
    return id == Ctl::编辑框82 || id == Ctl::编辑框2 || id == Ctl::编辑框98;
}

bool IsRowControl(Ctl id) {
    for (int page = 1; page <= 2; ++page) {
        for (const RatingRow& row : RatingRows(page)) {
            if (id == row.itemLine || id == row.comment || id == row.icon || id == row.nickname) {
                return true;
            }
        }
    }
    return false;
}

std::string Lookup(const std::map<std::string, std::string>& map, const std::string& key) {
    const auto found = map.find(key);
    return found == map.end() ? std::string() : found->second;
}

ByteBuffer IntendedPicture(const std::string& name, Ctl box) {
    if (name.empty()) {
        return {};
    }
    if (name == "program:tick") {
        return BytesOf(assets::TickPicture());
    }
    if (name == "program:cross") {
        return BytesOf(assets::CrossPicture());
    }
    if (name == "program:licence") {
        return BytesOf(assets::LicenceIcon());
    }
    const ByteBuffer served = BytesOf(assets::SamplePicture(name));
    const bool honour = box >= Ctl::图片框9 && box <= Ctl::图片框14;
    return honour ? ReencodeAsJpeg(served) : served;
}

ByteBuffer RowIcon(mp::RatingKind kind) {
    switch (kind) {
        case mp::RatingKind::kGood:
            return BytesOf(assets::GoodRatingIcon());
        case mp::RatingKind::kNeutral:
            return BytesOf(assets::NeutralRatingIcon());
        case mp::RatingKind::kBad:
            break;
    }
    return BytesOf(assets::BadRatingIcon());
}

class QueryAgainstMarketplace : public ::testing::TestWithParam<std::size_t> {
  protected:
    static void SetUpTestSuite() {
        market_ = std::make_unique<SampleMarketplace>();
        SetConnectTo(ConnectTarget{"127.0.0.1", market_->Start()});
    }
    static void TearDownTestSuite() {
        SetConnectTo(std::nullopt);
        market_.reset();
    }

    const mp::Member& Member() const { return mp::Members()[GetParam()]; }

    void Run(MarketMoment moment = MarketMoment::kFirst) {
        market_->SetMoment(moment);
        market_->ClearRequests();
        window_.WriteText(Ctl::编辑框1, Utf8ToGbk(Member().account));
        now_ = std::chrono::system_clock::now();
        Query();
    }

    // In the mode the environment asks for: the suite runs in both.
    void Query() {
        LookupSession session(ChooseLookupMode(false), window_.ReadText(Ctl::编辑框1));
        RunQuery(window_, state_, session);
        EXPECT_EQ(session.Unclaimed(), 0);
    }

    std::string Text(Ctl id) { return GbkToUtf8(window_.ReadText(id)); }

    void ExpectFieldsOf(const mp::Member& m);
    void ExpectRowsOf(const mp::Member& m);

    static std::unique_ptr<SampleMarketplace> market_;
    FieldStore window_{EmbeddedDesignPictures()};
    QueryState state_;
    std::chrono::system_clock::time_point now_;
};

std::unique_ptr<SampleMarketplace> QueryAgainstMarketplace::market_;

void QueryAgainstMarketplace::ExpectFieldsOf(const mp::Member& m) {
    SCOPED_TRACE(m.account + ": " + m.covers);
    EXPECT_EQ(GbkToUtf8(window_.StatusText()), mp::IntendedStatus(m));
    EXPECT_FALSE(window_.LastMessageBox().has_value());

    const auto fields = mp::IntendedFields(m, now_);
    const auto pictures = mp::IntendedPictures(m);
    for (const ControlDef& c : Controls()) {
        if (!c.result || IsScratch(c.id) || IsRowControl(c.id)) {
            continue;
        }
        if (c.kind == ControlKind::PicBox) {
            EXPECT_EQ(window_.ReadPicture(c.id), IntendedPicture(Lookup(pictures, c.name), c.id))
                << c.name;
            continue;
        }
        EXPECT_EQ(Text(c.id), Lookup(fields, c.name)) << c.name;
        if (c.kind == ControlKind::HyperLinker) {
            EXPECT_EQ(GbkToUtf8(window_.ReadLinkAddress(c.id)),
                      Lookup(fields, std::string(c.name) + ".link"))
                << c.name << " link";
        }
    }
}

void QueryAgainstMarketplace::ExpectRowsOf(const mp::Member& m) {
    SCOPED_TRACE(m.account);
    const std::pair<int, mp::RatingList> lists[] = {{1, mp::RatingList::kGiven},
                                                    {2, mp::RatingList::kReceived}};
    for (const auto& [page, list] : lists) {
        const auto rows = mp::IntendedRows(m, list);
        ASSERT_LE(rows.size(), static_cast<std::size_t>(kRatingRowCount));
        for (std::size_t k = 0; k < static_cast<std::size_t>(kRatingRowCount); ++k) {
            const RatingRow& row = RatingRows(page)[k];
            SCOPED_TRACE("page " + std::to_string(page) + " row " + std::to_string(k + 1));
            if (k < rows.size()) {
                EXPECT_EQ(Text(row.comment), rows[k].shownComment);
                EXPECT_EQ(Text(row.nickname), rows[k].nick);
                EXPECT_EQ(Text(row.itemLine), rows[k].ItemLine());
                EXPECT_EQ(window_.ReadPicture(row.icon), RowIcon(rows[k].kind));
            } else {
                EXPECT_EQ(Text(row.comment), "");
                EXPECT_EQ(Text(row.itemLine), "");
                EXPECT_TRUE(window_.ReadPicture(row.icon).empty());
            }
        }
    }
}

TEST_P(QueryAgainstMarketplace, ShowsWhatTheMemberMeans) {
    Run();
    ExpectFieldsOf(Member());
}

TEST_P(QueryAgainstMarketplace, FillsTheRatingRowsOfBothPages) {
    Run();
    ExpectRowsOf(Member());
}

// Some weeks later a few members have changed and the rest are as they were.
TEST_P(QueryAgainstMarketplace, ShowsTheMemberAsItStandsSomeWeeksLater) {
    Run(MarketMoment::kLater);
    const mp::Member& later = mp::AtMoment(Member(), MarketMoment::kLater);
    ExpectFieldsOf(later);
    ExpectRowsOf(later);
}

TEST_P(QueryAgainstMarketplace, AsksAtMostTwoSummaryPagesPerResult) {
    Run();
    int summaryRequests = 0;
    for (const auto& request : market_->Requests()) {
        summaryRequests += request.target.rfind("/member_rate.htm?content=&", 0) == 0 ? 1 : 0;
    }
    EXPECT_LE(summaryRequests, 6);
}

TEST_P(QueryAgainstMarketplace, ASecondQueryLeavesNothingOfTheFirst) {
    // The full seller first, then this member: the reset must clear it all.
    window_.WriteText(Ctl::编辑框1, Utf8ToGbk(mp::Members().front().account));
    Query();
    Run();
    const auto fields = mp::IntendedFields(Member(), now_);
    for (const ControlDef& c : Controls()) {
        if (c.result && !IsScratch(c.id) && !IsRowControl(c.id) && c.kind != ControlKind::PicBox) {
            EXPECT_EQ(Text(c.id), Lookup(fields, c.name)) << c.name;
        }
    }
}

// The patterns run over the profile, the rating page and the summaries, each
// several times and from the request plan too: each page is converted for
// them once.
TEST_P(QueryAgainstMarketplace, ConvertsEachPageItsPatternsRunOverOnce) {
    const std::uint64_t before = RegexHelper::SubjectsConverted();
    Run();
    const std::uint64_t converted = RegexHelper::SubjectsConverted() - before;
    std::uint64_t pages = 0;
    for (const auto& request : market_->Requests()) {
        const std::string& t = request.target;
        pages += t.rfind("/member/user_profile.jhtml", 0) == 0 ||
                         t.find("/user-rate-") != std::string::npos ||
                         t.rfind("/member_rate.htm?content=&", 0) == 0
                     ? 1
                     : 0;
    }
    EXPECT_LE(converted, pages);
}

// Old accounts carry district codes that have been abolished since; the roster
// keeps one, and its address comes out of the whole query as the code's last
// name under its city.
TEST(QueryAgainstMarketplaceRegions, AnAbolishedDistrictCodeGivesItsLastAddress) {
    const mp::Member* member = mp::FindMember("胡同口唱片行");
    ASSERT_NE(member, nullptr);
    SampleMarketplace market;
    SetConnectTo(ConnectTarget{"127.0.0.1", market.Start()});
    FieldStore window{EmbeddedDesignPictures()};
    QueryState state;
    window.WriteText(Ctl::编辑框1, Utf8ToGbk(member->account));
    QueryRoutine(window, state);
    SetConnectTo(std::nullopt);
    EXPECT_EQ(GbkToUtf8(window.ReadText(Ctl::编辑框25)), "110103");
    EXPECT_EQ(GbkToUtf8(window.ReadText(Ctl::编辑框203)), "北京市崇文区");
}

std::string TestName(const ::testing::TestParamInfo<std::size_t>& info) {
    std::string name;
    for (const char ch : mp::Members()[info.param].account) {
        const auto u = static_cast<unsigned char>(ch);
        name += (u < 0x80 && std::isalnum(u)) ? ch : '_';
    }
    return "m" + std::to_string(info.param) + "_" + name.substr(0, 20);
}

INSTANTIATE_TEST_SUITE_P(Members, QueryAgainstMarketplace,
                         ::testing::Range<std::size_t>(0, mp::Members().size()), TestName);

}  // namespace
}  // namespace kestrova
