// Writes the seed corpus of every fuzz target from the sample marketplace:
// each member's lookup is run against it, and the bodies of the lookup's
// requests, in the order the query made them, become the seeds of the page
// steps; pieces of them seed the smaller targets.
//
//   fuzz_corpus_dump OUTPUT_DIR     (writes OUTPUT_DIR/<target>/<seed>)

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "FuzzInput.h"
#include "assets/Assets.h"
#include "form/FieldStore.h"
#include "lookup/Lookup.h"
#include "marketplace/Members.h"
#include "marketplace/SampleMarketplace.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"
#include "web/Transport.h"

namespace fs = std::filesystem;
using namespace kestrova;

namespace {

struct Exchanged {
    std::string host;
    std::string target;
    std::string body;
};

fs::path g_out;

void Write(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path dir = g_out / target;
    fs::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << bytes;
}

std::string Join(const std::vector<std::string>& parts) {
    std::string joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            joined += fuzz::kPartSeparator;
        }
        joined += parts[i];
    }
    return joined;
}

std::string Params(int a, int b, int c, int d) {
    std::string bytes;
    for (int v : {a, b, c, d}) {
        bytes += static_cast<char>(v & 0xFF);
        bytes += static_cast<char>((v >> 8) & 0xFF);
    }
    return bytes;
}

// The member's lookup, request by request, with the bodies the marketplace sent.
std::vector<Exchanged> RecordLookup(SampleMarketplace& market, const marketplace::Member& m) {
    market.ClearRequests();
    FieldStore window;
    QueryState state;
    window.WriteText(Ctl::编辑框1, Utf8ToGbk(m.account));
    QueryRoutine(window, state);
    std::vector<Exchanged> exchanged;
    for (const LoggedRequest& r : market.Requests()) {
        WireRequest request;
        request.url = "http://" + r.host + r.target;
        const ByteBuffer body = Exchange(request).body;
        exchanged.push_back({r.host, r.target, std::string(body.begin(), body.end())});
    }
    return exchanged;
}

bool IsRatingPage(const Exchanged& e) {
    return e.host == endpoints::kRatingHost && e.target.rfind(endpoints::kRatingPagePrefix, 0) == 0;
}
bool IsList(const Exchanged& e) {
    return e.target.find("callback=") != std::string::npos;
}
bool IsSummary(const Exchanged& e) {
    return e.host == endpoints::kRatingHost && e.target.rfind(endpoints::kRatingListPath, 0) == 0 &&
           !IsList(e);
}

std::vector<std::string> Bodies(const std::vector<Exchanged>& list, std::size_t from,
                                std::size_t to) {
    std::vector<std::string> bodies;
    for (std::size_t i = from; i < to && i < list.size(); ++i) {
        bodies.push_back(list[i].body);
    }
    return bodies;
}

void DumpLookup(const std::string& name, const std::vector<Exchanged>& ex) {
    if (ex.empty()) {
        return;
    }
    std::vector<std::string> all = Bodies(ex, 0, ex.size());
    Write("query", name, Join(all));
    Write("profile_fields", name, ex[0].body);
    Write("regex_system", name + "-profile", ex[0].body);

    std::size_t rating = ex.size();
    for (std::size_t i = 0; i < ex.size(); ++i) {
        if (IsRatingPage(ex[i])) {
            rating = i;
            break;
        }
    }
    if (rating == ex.size()) {
        return;
    }
    // Profile, then the personal space page and its pictures.
    std::vector<std::string> space = {ex[0].body};
    for (const std::string& b : Bodies(ex, 1, rating)) {
        space.push_back(b);
    }
    Write("personal_space", name, Join(space));

    const std::string& overview = ex[rating].body;
    Write("shop_page", name, overview);
    Write("regex_system", name + "-rating", overview);

    std::vector<std::string> lists;
    std::size_t afterLists = rating + 1;
    for (std::size_t i = rating + 1; i < ex.size() && IsList(ex[i]); ++i) {
        lists.push_back(ex[i].body);
        afterLists = i + 1;
    }
    Write("rating_list", name, Join(lists));

    std::vector<std::string> extras = {overview};
    std::vector<std::string> summaries = {overview};
    for (std::size_t i = afterLists; i < ex.size(); ++i) {
        extras.push_back(ex[i].body);
        if (IsSummary(ex[i])) {
            summaries.push_back(ex[i].body);
            if (summaries.size() == 2) {
                Write("regex_system", name + "-summary", ex[i].body);
            }
        }
    }
    Write("rating_extras", name, Join(extras));
    Write("rating_summaries", name, Join(summaries));

    // Pieces of the profile for the value layer and the cut rule.
    const std::string head = ex[0].body.substr(0, 1500);
    Write("text_search", name, Params(1, 40, 999, 9) + Join({head, Gbk("<li>注册时间："), " "}));
    Write("marker_cut", name + "-registered",
          Params(15, 888, 2, 9999) + Join({ex[0].body, Gbk("<li>注册时间："), "</li>"}));
    Write("marker_cut", name + "-items",
          Params(24, 999, 2, 0) +
              Join({ex[0].body, Gbk("<li>宝贝信息： <a href="), Gbk(">出售中的宝贝</a></li>")}));
    Write("regex_any", name,
          std::string(1, 7) + Join({Gbk("所在地区：[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?</li>"),
                                    overview.substr(0, 4000)}));
}

void DumpSmallTargets(const std::vector<const marketplace::Member*>& members) {
    const std::vector<std::string> dates = {"2009-03-07",
                                            "2009/3/7 14:05",
                                            "2009.03.07 14:05:09",
                                            "2009年3月7日14时5分9秒",
                                            "2011.03.20 09:12:45",
                                            "2009-02-29",
                                            " 2007-04-18 ",
                                            "99.86",
                                            "1e3",
                                            "12abc"};
    for (std::size_t i = 0; i < dates.size(); ++i) {
        Write("text_convert", "value-" + std::to_string(i), Gbk(dates[i]));
    }
    Write("text_convert", "fullwidth", Gbk("１２．５％"));

    for (const marketplace::Member* m : members) {
        Write("url_codec", "account-" + m->userId, Utf8ToGbk(m->account));
        if (!m->district.empty()) {
            Write("region_name", "district-" + m->district, m->district);
        }
    }
    Write("url_codec", "escapes", "\\u5317\\u4eac\\x41\\n\\/\\\"");
    for (const char* code : {"110101", "110100", "10000", "990000", "1"}) {
        Write("region_name", std::string("code-") + code, code);
    }

    Write("cookies_headers", "merge", Join({"a=1; b=2", "b=3; c=deleted; d=", "Set-Cookie:"}));
    Write("cookies_headers", "headers",
          Join({"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=deleted; path=/\r\nLocation: "
                "http://rate.taobao.com/x\r\nContent-Type: text/html",
                "c=5", ";"}));

    Write("wire_response", "plain",
          "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5\r\n\r\nhello");
    Write("wire_response", "chunked",
          "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nSet-Cookie: a=1; path=/\r\n\r\n"
          "5\r\nhello\r\n0\r\n\r\n");
    Write("wire_response", "redirect",
          "HTTP/1.1 302 Found\r\nLocation: http://rate.taobao.com/next\r\nContent-Length: "
          "0\r\n\r\n");
    Write("wire_response", "close-delimited", "HTTP/1.0 200 OK\r\n\r\nuntil the end");

    int kept = 0;
    for (std::string_view picture : assets::SamplePictureNames()) {
        // Two of each kind of picture are enough to start from.
        if (picture.find("_1.") == std::string_view::npos &&
            picture.find("_2.") == std::string_view::npos) {
            continue;
        }
        const auto bytes = assets::SamplePicture(picture);
        Write("picture", std::string(picture), std::string(bytes.begin(), bytes.end()));
        ++kept;
    }
    (void)kept;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_corpus_dump OUTPUT_DIR\n");
        return 2;
    }
    g_out = argv[1];
    SampleMarketplace market;
    const int port = market.Start();
    if (port <= 0) {
        std::fprintf(stderr, "cannot start the sample marketplace\n");
        return 1;
    }
    SetConnectTo(ConnectTarget{"127.0.0.1", port});

    std::vector<const marketplace::Member*> members;
    for (const marketplace::Member& m : marketplace::Members()) {
        members.push_back(&m);
        const std::string name = m.userId.empty() ? "unknown" : "member-" + m.userId;
        DumpLookup(name, RecordLookup(market, m));
    }
    DumpSmallTargets(members);
    market.Stop();
    return 0;
}
