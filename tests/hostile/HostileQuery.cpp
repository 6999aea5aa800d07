#include "HostileQuery.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <set>
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

Outcome HostileQuery::RunIn(LookupMode mode, const std::string& account) {
    server.SetMisbehaviour(misbehaviour);
    server.ClearRequests();
    Outcome outcome;
    InstallDesignPictures(outcome.window);
    outcome.window.WriteText(Ctl::编辑框1, Gbk(account));
    QueryState state;
    const auto start = std::chrono::steady_clock::now();
    {
        LookupSession session(mode, outcome.window.ReadText(Ctl::编辑框1));
        session.OnProgress([&outcome](const LookupProgress& p) { outcome.progress.push_back(p); });
        RunQuery(outcome.window, state, session);
        outcome.unclaimed = session.Unclaimed();
    }
    outcome.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.ended = !state.running;
    outcome.requests = server.Requests();
    return outcome;
}

Outcome HostileQuery::Run() {
    const std::string& account = SampleMember().account;
    if (ChooseLookupMode(false) == LookupMode::Sequential) {
        return RunIn(LookupMode::Sequential, account);
    }
    const Outcome sequential = RunIn(LookupMode::Sequential, account);
    Outcome fast = RunIn(LookupMode::Fast, account);
    for (const std::string& d : ResultDifferences(sequential, fast)) {
        ADD_FAILURE() << "the fast lookup shows another result: " << d;
    }
    for (const std::string& d : RequestDifferences(sequential, fast)) {
        ADD_FAILURE() << "the fast lookup sends other requests: " << d;
    }
    EXPECT_EQ(fast.unclaimed, 0);
    // Never slower: the margin is for a loaded machine (a stall or a time-out
    // waited for twice would be seconds over it).
    EXPECT_LE(fast.seconds, sequential.seconds * 1.25 + 1.0);
    return fast;
}

std::vector<std::string> ResultDifferences(const Outcome& a, const Outcome& b) {
    std::vector<std::string> differences;
    for (const Ctl c : DifferingControls(a, b)) {
        const ControlDef& control = Controls()[static_cast<std::size_t>(c)];
        std::string what = control.name;
        if (c == Ctl::状态条1) {
            what += ": " + Utf8(a.window.StatusText()) + " / " + Utf8(b.window.StatusText());
        } else if (control.kind != ControlKind::PicBox) {
            what += ": " + Utf8(a.window.ReadText(c)) + " / " + Utf8(b.window.ReadText(c));
        }
        differences.push_back(what);
    }
    if (a.window.LastMessageBox() != b.window.LastMessageBox() ||
        a.window.MessageBoxCount() != b.window.MessageBoxCount()) {
        differences.push_back("message box");
    }
    return differences;
}

std::vector<std::string> RequestDifferences(const Outcome& a, const Outcome& b) {
    std::multiset<std::string> left;
    std::multiset<std::string> right;
    for (const SeenRequest& r : a.requests) {
        left.insert(r.head);
    }
    for (const SeenRequest& r : b.requests) {
        right.insert(r.head);
    }
    std::vector<std::string> differences;
    std::set_symmetric_difference(left.begin(), left.end(), right.begin(), right.end(),
                                  std::back_inserter(differences));
    return differences;
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
    return DifferingControls(a, b);
}

std::set<Ctl> DifferingControls(const Outcome& a, const Outcome& b) {
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
