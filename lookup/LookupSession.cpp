#include "lookup/LookupSession.h"

#include <cstdlib>
#include <string_view>
#include <utility>

#include "lookup/Lookup.h"
#include "text/GbkChar.h"

namespace kestrova {
namespace {

// Requests the plan did not foresee wait behind every planned one of the lookup.
constexpr int kUnplannedStep = 1000;

}  // namespace

LookupMode ChooseLookupMode(bool fastRequested) {
    if (fastRequested) {
        return LookupMode::Fast;
    }
    const char* value = std::getenv("KESTROVA_FAST");
    if (value == nullptr) {
        return LookupMode::Sequential;
    }
    for (const std::string_view yes : {"1", "true", "yes", "on"}) {
        if (EqualsAsciiNoCase(value, yes)) {
            return LookupMode::Fast;
        }
    }
    return LookupMode::Sequential;
}

const char* LookupModeName(LookupMode mode) {
    return mode == LookupMode::Fast ? "fast" : "sequential";
}

LookupSession::LookupSession(LookupMode mode, Text account, std::uint64_t serial,
                             TransferEngine& engine)
    : mode_(mode),
      serial_(serial),
      engine_(engine),
      group_(std::make_shared<TransferGroup>()),
      plan_(std::move(account)) {
    // The profile is not started ahead: the query may end at its input check,
    // before it asks for anything.
    for (PlannedRequest& planned : plan_.TakeNew()) {
        entries_.emplace_back(std::move(planned));
    }
    progress_.expected = plan_.ExpectedTotal();
}

LookupSession::~LookupSession() {
    // After a whole lookup nothing is left; after a cancel or a fault in the
    // query, whatever was started ahead stops here.
    group_->Cancel();
}

void LookupSession::Cancel() {
    group_->Cancel();
}

bool LookupSession::Cancelled() const {
    return group_->Cancelled();
}

void LookupSession::ThrowIfCancelled() const {
    if (group_->Cancelled()) {
        throw LookupCancelled{};
    }
}

void LookupSession::OnProgress(std::function<void(const LookupProgress&)> callback) {
    onProgress_ = std::move(callback);
}

void LookupSession::OnMissing(std::function<void(const std::vector<MissingPage>&)> callback) {
    onMissing_ = std::move(callback);
}

Completeness LookupSession::PagesGot() const {
    return Completeness{missing_.empty() && !group_->Cancelled(), missing_};
}

bool LookupSession::MetRefusal() const {
    for (const RequestOutcome& outcome : outcomes_) {
        if (outcome.answer.kind == AnswerKind::kRefused) {
            return true;
        }
    }
    return false;
}

void LookupSession::Record(const Entry& entry, const WireResponse& response) {
    RequestOutcome outcome;
    if (entry.inPlan) {
        outcome.page = PageRef{entry.planned.page, entry.planned.index};
    }
    outcome.url = entry.planned.wire.url;
    outcome.answer = ClassifyAnswer(outcome.url, response);
    const bool missing = outcome.answer.Missing();
    if (missing) {
        missing_.push_back(
            MissingPage{outcome.page ? PageKey(*outcome.page) : std::string(kUnplannedPageKey),
                        outcome.url, outcome.answer.reason});
    }
    outcomes_.push_back(std::move(outcome));
    if (missing && onMissing_) {
        onMissing_(missing_);
    }
}

int LookupSession::Unclaimed() const {
    int unclaimed = 0;
    for (const Entry& entry : entries_) {
        unclaimed += entry.transfer && !entry.claimed ? 1 : 0;
    }
    return unclaimed;
}

// The first request of the plan equal to the one asked for, byte for byte,
// and not yet given to a step; a request the plan lacks goes out as it is.
LookupSession::Entry& LookupSession::Claim(const WireRequest& request) {
    for (Entry& entry : entries_) {
        if (entry.inPlan && !entry.claimed && entry.planned.wire == request) {
            entry.claimed = true;
            return entry;
        }
    }
    ++unplanned_;
    Entry& unplanned = entries_.emplace_back(
        PlannedRequest{PlannedPage::Profile, 0, kUnplannedStep, request}, false);
    unplanned.claimed = true;
    unplanned.fed = true;
    return unplanned;
}

void LookupSession::Start(Entry& entry) {
    entry.transfer =
        engine_.Start(entry.planned.wire, group_, TransferPriority{serial_, entry.planned.step});
}

void LookupSession::TakePlan() {
    for (PlannedRequest& planned : plan_.TakeNew()) {
        entries_.emplace_back(std::move(planned));
        if (mode_ == LookupMode::Fast) {
            Start(entries_.back());
        }
    }
}

void LookupSession::Feed(Entry& entry) {
    entry.fed = true;
    plan_.Arrived(entry.planned, entry.transfer->Answer().body);
    TakePlan();
}

// Answers that came in while the query was busy elsewhere tell the plan more,
// and their follow-ups start at once.
void LookupSession::FeedArrivals() {
    // Feeding adds entries; the deque keeps the earlier ones where they are.
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        Entry& entry = entries_[i];
        if (!entry.fed && entry.transfer && entry.transfer->Ended()) {
            Feed(entry);
        }
    }
    Report();
}

void LookupSession::Report() {
    LookupProgress now{group_->Ended(), plan_.ExpectedTotal() + unplanned_};
    now.expected = std::max(now.expected, now.finished);
    if (now == progress_) {
        return;
    }
    progress_ = now;
    if (onProgress_) {
        onProgress_(now);
    }
}

WireResponse LookupSession::Exchange(const WireRequest& request) {
    ThrowIfCancelled();
    Entry& entry = Claim(request);
    if (!entry.transfer) {
        Start(entry);
    }
    engine_.Hurry(*entry.transfer);
    // The request a cancel caught is one the lookup did not get.
    const auto throwIfCancelled = [this, &entry] {
        if (group_->Cancelled()) {
            WireResponse cancelled;
            cancelled.failure = TransferFailure::kCancelled;
            Record(entry, cancelled);
            throw LookupCancelled{};
        }
    };
    int ended = group_->Ended();
    while (!entry.transfer->Ended()) {
        if (mode_ == LookupMode::Fast) {
            FeedArrivals();
            if (entry.transfer->Ended()) {
                break;
            }
        }
        ended = group_->WaitForMoreThan(ended);
        throwIfCancelled();
    }
    throwIfCancelled();
    if (!entry.fed) {
        Feed(entry);
    }
    // The profile is the plan's first request, and only a step takes it.
    if (&entry == &entries_.front()) {
        pastProfile_.store(true);
    }
    if (mode_ == LookupMode::Fast) {
        FeedArrivals();
    } else {
        Report();
    }
    WireResponse response = entry.transfer->Take();
    Record(entry, response);
    return response;
}

void RunQuery(Window& window, QueryState& state, LookupSession& session) {
    ScopedExchangeSource bound(session);
    QueryRoutine(window, state);
}

}  // namespace kestrova
