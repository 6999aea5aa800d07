#include "shell/QueryWorker.h"

#include <pthread.h>

#include <algorithm>
#include <utility>

#include "lookup/Lookup.h"
#include "shell/QtWindow.h"
#include "web/ExchangeSource.h"

namespace kestrova {
namespace {

std::atomic<int> threadsRunning{0};

// How a lookup's thread saw its run end.
struct RunEnd {
    LookupOutcome outcome = LookupOutcome::Finished;
    std::optional<RuntimeFault> fault;
};

}  // namespace

QueryWorker::QueryWorker(QObject& context, QtWindow& display, QueryRunner runner, Hooks hooks)
    : context_(context),
      display_(display),
      runner_(runner ? std::move(runner) : QueryRunner(QueryRoutine)),
      hooks_(std::move(hooks)) {}

QueryWorker::~QueryWorker() {
    if (current_) {
        current_->ticket->Cancel();
        current_->session->Cancel();
    }
    // Nothing of any lookup reaches the window from here on.
    for (const std::weak_ptr<LookupTicket>& weak : tickets_) {
        if (const std::shared_ptr<LookupTicket> ticket = weak.lock()) {
            ticket->Close();
        }
    }
    // Threads still busy own everything they touch: they end by themselves.
    for (Thread& t : threads_) {
        if (t.done->load()) {
            t.thread.join();
        } else {
            t.thread.detach();
        }
    }
}

int QueryWorker::ThreadsStillRunning() {
    return threadsRunning.load();
}

bool QueryWorker::Start(const FieldStore& fields) {
    if (current_) {
        return false;
    }
    JoinEndedThreads();
    auto current = std::make_unique<Current>();
    current->ticket = std::make_shared<LookupTicket>(context_);
    current->ticket->SetWriteHook(writeHook_);
    current->session = std::make_shared<LookupSession>(mode_, fields.ReadText(Ctl::编辑框1));
    current->begun.mode = mode_;
    current->begun.started = std::chrono::system_clock::now();
    current->begun.account = fields.ReadText(Ctl::编辑框1);
    current->begun.messageBoxesBefore = fields.MessageBoxCount();

    // What the thread works with is its own, or shared with it: a cancelled
    // lookup's thread may outlive this worker.
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::shared_ptr<LookupTicket> ticket = current->ticket;
    std::shared_ptr<LookupSession> session = current->session;
    QtWindow* display = &display_;
    QueryRunner runner = runner_;
    FinishedLookup begun = current->begun;
    ++threadsRunning;
    std::thread thread([this, ticket, session, display, runner, done, fields, begun]() mutable {
        pthread_setname_np(pthread_self(), "kestrova-query");
        {
            RunEnd end;
            {
                ForwardingWindow window(std::move(fields), *display, ticket);
                session->OnProgress([this, ticket](const LookupProgress& progress) {
                    ticket->PostAside([this, progress] {
                        if (hooks_.progress) {
                            hooks_.progress(progress);
                        }
                    });
                });
                session->OnMissing([this, ticket](const std::vector<MissingPage>& missing) {
                    ticket->PostAside([this, missing] {
                        if (hooks_.missing) {
                            hooks_.missing(missing);
                        }
                    });
                });
                QueryState state;
                try {
                    ScopedExchangeSource bound(*session);
                    runner(window, state);
                } catch (const LookupCancelled&) {
                    end.outcome = LookupOutcome::Cancelled;
                } catch (const RuntimeFault& fault) {
                    end.outcome = LookupOutcome::Fault;
                    end.fault = fault;
                }
            }
            const auto ended = std::chrono::system_clock::now();
            const bool pastProfile = session->PastProfile();
            Completeness pages = session->PagesGot();
            // Behind every write of the lookup; nothing when the UI thread
            // cancelled it first (it has concluded it then).
            ticket->End([this, lookup = std::move(begun), end = std::move(end), ended, pastProfile,
                         pages = std::move(pages)]() mutable {
                lookup.outcome = end.outcome;
                lookup.fault = end.fault;
                lookup.ended = ended;
                lookup.pastProfile = pastProfile;
                lookup.pages = std::move(pages);
                Ended(std::move(lookup));
            });
            session.reset();
            ticket.reset();
        }
        done->store(true);
        --threadsRunning;
    });
    threads_.push_back(Thread{std::move(thread), std::move(done)});
    tickets_.push_back(current->ticket);
    current_ = std::move(current);
    return true;
}

std::optional<FinishedLookup> QueryWorker::Cancel() {
    if (!current_ || !current_->ticket->Cancel()) {
        return std::nullopt;
    }
    current_->session->Cancel();
    FinishedLookup lookup = current_->begun;
    lookup.outcome = LookupOutcome::Cancelled;
    lookup.ended = std::chrono::system_clock::now();
    lookup.pastProfile = current_->session->PastProfile();
    // Which pages had come is the worker's to know; a cancelled lookup did
    // not get what it was still waiting for, and that is all the history needs.
    lookup.pages = Completeness{false, {}};
    current_.reset();
    return lookup;
}

void QueryWorker::Flush() {
    if (current_ && current_->ticket->Ended()) {
        const std::shared_ptr<LookupTicket> ticket = current_->ticket;
        ticket->Flush();
    }
}

void QueryWorker::Ended(FinishedLookup lookup) {
    current_.reset();
    JoinEndedThreads();
    if (hooks_.finished) {
        hooks_.finished(lookup);
    }
}

void QueryWorker::JoinEndedThreads() {
    // A thread that has said it is done only has its return left.
    auto ended = std::stable_partition(threads_.begin(), threads_.end(),
                                       [](const Thread& t) { return !t.done->load(); });
    for (auto it = ended; it != threads_.end(); ++it) {
        it->thread.join();
    }
    threads_.erase(ended, threads_.end());
    std::erase_if(tickets_, [](const std::weak_ptr<LookupTicket>& t) { return t.expired(); });
}

}  // namespace kestrova
