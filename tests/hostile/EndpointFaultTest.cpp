// One endpoint at a time answers badly while the marketplace answers the rest:
// the query ends in time, every field stays in a state a page can bring it
// to, the query goes on past the endpoint, and only the fields that come from
// that endpoint change.

#include <optional>
#include <random>

#include "HostileQuery.h"
#include "form/RatingRows.h"
#include "text/Gbk.h"
#include "web/Transport.h"

namespace kestrova::hostile {
namespace {

enum class Fault {
    RandomBytes,
    StrayLeadBytes,     // a lone GBK lead byte after every ">"
    InvalidTrailBytes,  // every double-byte character broken in its trail byte
    ZeroAtStart,
    ZeroInMiddle,
    EmptyBody,
    ErrorPage,  // a 404 with an HTML body, which the query reads like any page
    RedirectLoop,
    EndlessBody,     // the real body again and again, without a length
    EndlessFraming,  // chunks of one byte, each behind a long extension, without end
    HtmlForPicture,  // an HTML page where a picture belongs
};

const char* FaultName(Fault f) {
    switch (f) {
        case Fault::RandomBytes:
            return "RandomBytes";
        case Fault::StrayLeadBytes:
            return "StrayLeadBytes";
        case Fault::InvalidTrailBytes:
            return "InvalidTrailBytes";
        case Fault::ZeroAtStart:
            return "ZeroAtStart";
        case Fault::ZeroInMiddle:
            return "ZeroInMiddle";
        case Fault::EmptyBody:
            return "EmptyBody";
        case Fault::ErrorPage:
            return "ErrorPage";
        case Fault::RedirectLoop:
            return "RedirectLoop";
        case Fault::EndlessBody:
            return "EndlessBody";
        case Fault::EndlessFraming:
            return "EndlessFraming";
        case Fault::HtmlForPicture:
            return "HtmlForPicture";
    }
    return "?";
}

bool IsPicture(Endpoint e) {
    return e == Endpoint::Avatar || e == Endpoint::Honour || e == Endpoint::Logo ||
           e == Endpoint::SellerIcon || e == Endpoint::BuyerIcon;
}

const std::string kErrorPage =
    "<html><head><title>404 Not Found</title></head><body><h1>Not Found</h1></body></html>";

std::string RandomBytes() {
    std::mt19937 random(20110320);
    std::string bytes(8192, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random() & 0xFF);
    }
    return bytes;
}

std::string WithStrayLeadBytes(const std::string& body) {
    std::string out;
    for (char c : body) {
        out += c;
        if (c == '>') {
            out += '\xFE';
        }
    }
    return out;
}

std::string WithInvalidTrailBytes(std::string body) {
    for (std::size_t i = 0; i + 1 < body.size(); ++i) {
        const auto c = static_cast<unsigned char>(body[i]);
        if (c >= 0x81 && c <= 0xFE) {
            body[i + 1] = '\x7F';
            ++i;
        }
    }
    return body;
}

Reply FaultyReply(Fault fault, const SeenRequest& request, const marketplace::MarketAnswer& real) {
    switch (fault) {
        case Fault::RandomBytes:
            return Reply::Answer(200, RandomBytes());
        case Fault::StrayLeadBytes:
            return Reply::Answer(200, WithStrayLeadBytes(real.body), real.contentType);
        case Fault::InvalidTrailBytes:
            return Reply::Answer(200, WithInvalidTrailBytes(real.body), real.contentType);
        case Fault::ZeroAtStart:
            return Reply::Answer(200, std::string(1, '\0') + real.body, real.contentType);
        case Fault::ZeroInMiddle: {
            std::string body = real.body;
            body.insert(body.size() / 2, 1, '\0');
            return Reply::Answer(200, body, real.contentType);
        }
        case Fault::EmptyBody:
            return Reply::Answer(200, "");
        case Fault::ErrorPage:
            return Reply::Answer(404, kErrorPage);
        case Fault::RedirectLoop:
            return Reply::RedirectToItself(request);
        case Fault::EndlessBody:
            return Reply::Endless(real.body.empty() ? std::string("x") : real.body);
        case Fault::EndlessFraming:
            return Reply::EndlessChunks("x", 4096);
        case Fault::HtmlForPicture:
            return Reply::Answer(200, kErrorPage, "image/jpeg");
    }
    return Reply::Answer(200, "");
}

using Controls_ = std::vector<Ctl>;

std::vector<Ctl> RowControls(int page) {
    std::vector<Ctl> controls;
    for (const RatingRow& row : RatingRows(page)) {
        controls.insert(controls.end(), {row.comment, row.icon, row.nickname, row.itemLine});
    }
    return controls;
}

// The controls whose content comes from the endpoint (nothing: any may change,
// since every later step depends on the endpoint).
std::optional<std::vector<Ctl>> Affected(Endpoint endpoint) {
    switch (endpoint) {
        case Endpoint::Profile:
        case Endpoint::RatingPage:
            return std::nullopt;
        case Endpoint::PersonalSpace:
            return Controls_{Ctl::编辑框98,  Ctl::编辑框11,  Ctl::编辑框14, Ctl::编辑框25,
                             Ctl::编辑框203, Ctl::编辑框26,  Ctl::编辑框27, Ctl::编辑框28,
                             Ctl::编辑框204, Ctl::编辑框205, Ctl::编辑框15, Ctl::图片框1,
                             Ctl::图片框9,   Ctl::图片框10,  Ctl::图片框11, Ctl::图片框12,
                             Ctl::图片框13,  Ctl::图片框14};
        case Endpoint::Avatar:
            return Controls_{Ctl::图片框1};
        case Endpoint::Honour:
            return Controls_{Ctl::图片框9,  Ctl::图片框10, Ctl::图片框11,
                             Ctl::图片框12, Ctl::图片框13, Ctl::图片框14};
        case Endpoint::GivenList:
        case Endpoint::ReceivedList: {
            std::vector<Ctl> controls = RowControls(endpoint == Endpoint::GivenList ? 1 : 2);
            controls.push_back(Ctl::编辑框82);
            return controls;
        }
        case Endpoint::Status:
            return Controls_{Ctl::编辑框197};
        case Endpoint::Favourites:
            return Controls_{Ctl::编辑框200, Ctl::编辑框199, Ctl::图片框72};
        case Endpoint::Logo:
            return Controls_{Ctl::图片框72};
        case Endpoint::SellerIcon:
            return Controls_{Ctl::图片框6};
        case Endpoint::BuyerIcon:
            return Controls_{Ctl::图片框7};
        case Endpoint::SummaryFirstPage:
        case Endpoint::SummaryLastPage:
            return Controls_{Ctl::编辑框好评, Ctl::编辑框中评, Ctl::编辑框差评, Ctl::标签38,
                             Ctl::图片框5};
        case Endpoint::Other:
            break;
    }
    return Controls_{};
}

// A body repeated without end is cut at the cap; every value is cut from the
// first copy, so only what holds the whole body (or counts all of it) differs.
std::vector<Ctl> AffectedByEndlessBody(Endpoint endpoint) {
    switch (endpoint) {
        case Endpoint::PersonalSpace:
            return {Ctl::编辑框98};
        case Endpoint::RatingPage:
            return {Ctl::编辑框2};
        case Endpoint::GivenList:
        case Endpoint::ReceivedList:
            return {Ctl::编辑框82};
        case Endpoint::Avatar:
            return {Ctl::图片框1};
        case Endpoint::Logo:
            return {Ctl::图片框72};
        case Endpoint::SellerIcon:
            return {Ctl::图片框6};
        case Endpoint::BuyerIcon:
            return {Ctl::图片框7};
        case Endpoint::SummaryLastPage:
            return *Affected(endpoint);
        default:
            return {};
    }
}

struct FaultCase {
    Endpoint endpoint;
    Fault fault;
};

std::vector<FaultCase> AllCases() {
    const Endpoint endpoints[] = {Endpoint::Profile,          Endpoint::PersonalSpace,
                                  Endpoint::Avatar,           Endpoint::Honour,
                                  Endpoint::RatingPage,       Endpoint::GivenList,
                                  Endpoint::ReceivedList,     Endpoint::Status,
                                  Endpoint::Favourites,       Endpoint::Logo,
                                  Endpoint::SellerIcon,       Endpoint::BuyerIcon,
                                  Endpoint::SummaryFirstPage, Endpoint::SummaryLastPage};
    const Fault faults[] = {Fault::RandomBytes,    Fault::StrayLeadBytes, Fault::InvalidTrailBytes,
                            Fault::ZeroAtStart,    Fault::ZeroInMiddle,   Fault::EmptyBody,
                            Fault::ErrorPage,      Fault::RedirectLoop,   Fault::EndlessBody,
                            Fault::EndlessFraming, Fault::HtmlForPicture};
    std::vector<FaultCase> cases;
    for (Endpoint e : endpoints) {
        for (Fault f : faults) {
            if (f != Fault::HtmlForPicture || IsPicture(e)) {
                cases.push_back({e, f});
            }
        }
    }
    return cases;
}

class EndpointFault : public HostileQuery, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(EndpointFault, QueryGoesOnAndOnlyTheEndpointsFieldsChange) {
    const auto [endpoint, fault] = GetParam();
    const Outcome& baseline = Baseline();
    ASSERT_TRUE(RanToTheEnd(baseline));

    misbehaviour = [endpoint, fault](
                       const SeenRequest& r,
                       const marketplace::MarketAnswer& real) -> std::optional<Reply> {
        if (r.endpoint != endpoint) {
            return std::nullopt;
        }
        return FaultyReply(fault, r, real);
    };
    const Outcome outcome = Run();
    ASSERT_GT(CountRequests(endpoint), 0) << "the faulty endpoint was never asked";
    // No request here waits for a time-out; an endless body only takes the
    // time to move the capped bytes and search them.
    ExpectAllowed(outcome, fault == Fault::EndlessBody ? 90.0 : 10.0);

    const bool profileStops = endpoint == Endpoint::Profile &&
                              (fault == Fault::ZeroAtStart || fault == Fault::EmptyBody ||
                               fault == Fault::RedirectLoop || fault == Fault::EndlessFraming);
    if (profileStops) {
        EXPECT_EQ(Utf8(outcome.window.StatusText()), "获取店铺信息失败!");
        EXPECT_EQ(server.Requests().size(), static_cast<std::size_t>(CountRequests(endpoint)))
            << "nothing after a failed profile";
    } else {
        EXPECT_EQ(outcome.window.StatusText(), "");
        EXPECT_TRUE(RanToTheEnd(outcome)) << "the query stopped after the faulty endpoint";
    }

    const std::set<Ctl> differing = Differing(outcome, baseline);
    std::optional<std::vector<Ctl>> allowed = Affected(endpoint);
    if (fault == Fault::EndlessBody) {
        allowed = AffectedByEndlessBody(endpoint);
    }
    if (allowed) {
        for (Ctl c : differing) {
            EXPECT_NE(std::find(allowed->begin(), allowed->end(), c), allowed->end())
                << Controls()[static_cast<std::size_t>(c)].name
                << " changed, but does not come from the faulty endpoint";
        }
    }

    if (fault == Fault::EndlessBody) {
        EXPECT_LT(PeakResidentMiB(), 1536) << "memory grew with the endless body";
        if (endpoint == Endpoint::PersonalSpace) {
            EXPECT_EQ(outcome.window.ReadText(Ctl::编辑框98).size(), kMaxBodyBytes)
                << "the body is cut at the cap";
        }
    }
    if (fault == Fault::HtmlForPicture) {
        const ByteBuffer html(kErrorPage.begin(), kErrorPage.end());
        switch (endpoint) {
            case Endpoint::Avatar:
                EXPECT_EQ(outcome.window.ReadPicture(Ctl::图片框1), html) << "kept as it came";
                break;
            case Endpoint::Logo:
                EXPECT_EQ(outcome.window.ReadPicture(Ctl::图片框72), html) << "kept as it came";
                break;
            case Endpoint::Honour:
                for (Ctl c : {Ctl::图片框9, Ctl::图片框10, Ctl::图片框11, Ctl::图片框12,
                              Ctl::图片框13, Ctl::图片框14}) {
                    EXPECT_TRUE(outcome.window.ReadPicture(c).empty())
                        << "an honour picture that does not decode shows nothing";
                }
                break;
            default:
                break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EndpointFault, ::testing::ValuesIn(AllCases()),
                         [](const ::testing::TestParamInfo<FaultCase>& info) {
                             return std::string(EndpointName(info.param.endpoint)) + "_" +
                                    FaultName(info.param.fault);
                         });

}  // namespace
}  // namespace kestrova::hostile
