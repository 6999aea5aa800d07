#pragma once
// One lookup's requests. Bound to the thread the query runs on, a session
// answers every request the steps make. In the sequential mode each request
// goes out when its step asks for it, as the query was first written; in the
// fast mode each request of the plan starts as soon as its address follows
// from the pages already in, and the step takes its answer ready or in
// flight. The steps run in their order either way, so the fields fill in the
// same order with the same values, and the same requests go out. A session
// also counts the lookup's progress and can cancel it.

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "form/Completeness.h"
#include "form/Window.h"
#include "lookup/PageNames.h"
#include "lookup/QueryState.h"
#include "lookup/RequestPlan.h"
#include "web/AnswerClass.h"
#include "web/ExchangeSource.h"
#include "web/TransferEngine.h"

namespace kestrova {

enum class LookupMode { Sequential, Fast };

// Fast when the front end was asked for it, or when KESTROVA_FAST is set to
// 1 (or true, yes, on).
LookupMode ChooseLookupMode(bool fastRequested);
// "sequential" or "fast".
const char* LookupModeName(LookupMode mode);

struct LookupProgress {
    int finished = 0;  // requests that have ended
    int expected = 0;  // requests the lookup is expected to send in all
    friend bool operator==(const LookupProgress&, const LookupProgress&) = default;
};

// What became of one request a step asked for.
struct RequestOutcome {
    std::optional<PageRef> page;  // nothing for a request the plan did not foresee
    Text url;
    AnswerClass answer;
};

class LookupSession final : public ExchangeSource {
  public:
    // `account` as it stands in 编辑框1 when the query starts. Where requests
    // of several lookups wait for the same host, a lower `serial` goes first.
    LookupSession(LookupMode mode, Text account, std::uint64_t serial = 0,
                  TransferEngine& engine = TransferEngine::Shared());
    ~LookupSession() override;
    LookupSession(const LookupSession&) = delete;
    LookupSession& operator=(const LookupSession&) = delete;

    WireResponse Exchange(const WireRequest& request) override;
    bool Cancelled() const override;

    // From any thread: every transfer of the lookup ends at once, and the
    // query's next request throws LookupCancelled.
    void Cancel();

    // Called on the query's thread whenever a request has ended.
    void OnProgress(std::function<void(const LookupProgress&)> callback);
    // Called on the query's thread as each request a step asked for turns out
    // missing, with every one missing so far.
    void OnMissing(std::function<void(const std::vector<MissingPage>&)> callback);

    // Every request a step asked for, in the order asked, with what became of
    // it. The same in both modes: requests started ahead count once a step
    // takes them.
    const std::vector<RequestOutcome>& Outcomes() const { return outcomes_; }
    // Whether every request sent was answered (and the lookup not cancelled),
    // and the pages that were not.
    Completeness PagesGot() const;
    // A request of the lookup was refused by the marketplace.
    bool MetRefusal() const;

    LookupMode Mode() const { return mode_; }
    // The profile's answer has reached the query (a lookup stopped at its
    // input check, or cancelled before that answer, has not got so far). From
    // any thread.
    bool PastProfile() const { return pastProfile_.load(); }
    // Requests started ahead that no step asked for. Always zero after a
    // lookup that ran to one of its ends; anything else is a request the
    // sequential query would not have sent.
    int Unclaimed() const;

  private:
    struct Entry {
        explicit Entry(PlannedRequest request, bool planned = true)
            : planned(std::move(request)), inPlan(planned) {}
        PlannedRequest planned;
        bool inPlan = true;
        std::optional<PendingTransfer> transfer;
        bool claimed = false;
        bool fed = false;
    };

    Entry& Claim(const WireRequest& request);
    void Start(Entry& entry);
    void TakePlan();
    void Feed(Entry& entry);
    void FeedArrivals();
    void Report();
    void Record(const Entry& entry, const WireResponse& response);
    void ThrowIfCancelled() const;

    const LookupMode mode_;
    const std::uint64_t serial_;
    TransferEngine& engine_;
    std::shared_ptr<TransferGroup> group_;
    RequestPlan plan_;
    std::deque<Entry> entries_;
    int unplanned_ = 0;
    std::function<void(const LookupProgress&)> onProgress_;
    std::atomic<bool> pastProfile_{false};
    std::function<void(const std::vector<MissingPage>&)> onMissing_;
    std::vector<RequestOutcome> outcomes_;
    std::vector<MissingPage> missing_;
    LookupProgress progress_;  // as last reported
};

// The query, with the session answering its requests.
void RunQuery(Window& window, QueryState& state, LookupSession& session);

}  // namespace kestrova
