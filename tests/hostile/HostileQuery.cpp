#include "HostileQuery.h"

#include <chrono>
#include <fstream>
#include <utility>

#include "FieldRules.h"
#include "form/Controls.h"
#include "lookup/Lookup.h"
#include "lookup/PictureBoxes.h"
#include "text/Gbk.h"
#include "web/Endpoints.h"

namespace kestrova::hostile {

const marketplace::Member& SampleMember() {
    const marketplace::Member* m = marketplace::FindMember("青禾手作坊");
    if (m == nullptr) {
        throw std::logic_error("the full seller is missing from the roster");
    }
    return *m;
}

long PeakResidentMiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6)) / 1024;
        }
    }
    return -1;
}

std::string Utf8(const Text& gbk) {
    return GbkToUtf8(gbk);
}

HostileQuery::HostileQuery() {
    SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});
}

HostileQuery::~HostileQuery() {
    SetConnectTo(std::nullopt);
}

Outcome HostileQuery::Run() {
    server.SetMisbehaviour(misbehaviour);
    server.ClearRequests();
    Outcome outcome;
    InstallDesignPictures(outcome.window);
    outcome.window.WriteText(Ctl::编辑框1, Gbk(SampleMember().account));
    QueryState state;
    const auto start = std::chrono::steady_clock::now();
    QueryRoutine(outcome.window, state);
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.ended = !state.running;
    return outcome;
}

const Outcome& HostileQuery::Baseline() {
    if (!baseline_) {
        const Misbehaviour kept = std::exchange(misbehaviour, Misbehaviour());
        baseline_ = std::make_unique<Outcome>(Run());
        misbehaviour = kept;
    }
    return *baseline_;
}

void HostileQuery::ExpectAllowed(const Outcome& outcome, double maxSeconds) {
    EXPECT_TRUE(outcome.ended);
    EXPECT_LE(outcome.seconds, maxSeconds) << "the query hung beyond its time-outs";
    fuzz::FieldRuleOptions options;
    options.servedPicture = [this](const ByteBuffer& bytes) {
        return server.Sent(std::string(bytes.begin(), bytes.end()));
    };
    for (const std::string& broken : fuzz::BrokenFieldRules(outcome.window, options)) {
        ADD_FAILURE() << broken;
    }
}

std::set<Ctl> HostileQuery::Differing(const Outcome& a, const Outcome& b) const {
    std::set<Ctl> differing;
    for (const ControlDef& control : Controls()) {
        const Ctl c = control.id;
        switch (control.kind) {
            case ControlKind::EditBox:
            case ControlKind::Label:
                if (a.window.ReadText(c) != b.window.ReadText(c)) {
                    differing.insert(c);
                }
                break;
            case ControlKind::HyperLinker:
                if (a.window.ReadText(c) != b.window.ReadText(c) ||
                    a.window.ReadLinkAddress(c) != b.window.ReadLinkAddress(c)) {
                    differing.insert(c);
                }
                break;
            case ControlKind::PicBox:
                if (a.window.ReadPicture(c) != b.window.ReadPicture(c)) {
                    differing.insert(c);
                }
                break;
            default:
                break;
        }
    }
    if (a.window.StatusText() != b.window.StatusText()) {
        differing.insert(Ctl::状态条1);
    }
    return differing;
}

bool HostileQuery::RanToTheEnd(const Outcome& outcome) const {
    bool askedLastSummary = false;
    for (const SeenRequest& r : server.Requests()) {
        askedLastSummary = askedLastSummary ||
                           (r.endpoint == Endpoint::SummaryFirstPage && r.Param("result") == "-1");
    }
    return askedLastSummary && !outcome.window.ReadText(Ctl::标签38).empty();
}

int HostileQuery::CountRequests(Endpoint endpoint) const {
    int count = 0;
    for (const SeenRequest& r : server.Requests()) {
        count += r.endpoint == endpoint ? 1 : 0;
    }
    return count;
}

}  // namespace kestrova::hostile
