#include "shell/QueryWorker.h"

#include <pthread.h>

#include <QMetaObject>
#include <utility>

#include "lookup/Lookup.h"
#include "web/ExchangeSource.h"

namespace kestrova {

QueryWorker::QueryWorker(QObject& context, Window& display, QueryState& state, QueryRunner runner,
                         Hooks hooks)
    : context_(context),
      display_(display),
      state_(state),
      runner_(runner ? std::move(runner) : QueryRunner(QueryRoutine)),
      hooks_(std::move(hooks)) {}

QueryWorker::~QueryWorker() {
    Cancel();
    Join();
}

bool QueryWorker::Start(const FieldStore& fields) {
    if (running_) {
        return false;
    }
    Join();
    running_ = true;
    ticket_ = std::make_shared<LookupTicket>();
    session_ = std::make_shared<LookupSession>(mode_, fields.ReadText(Ctl::编辑框1));
    thread_ = std::thread(&QueryWorker::Run, this, ticket_, fields);
    return true;
}

bool QueryWorker::Cancel() {
    if (!running_) {
        return false;
    }
    ticket_->cancelled = true;
    session_->Cancel();
    return true;
}

void QueryWorker::Join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

void QueryWorker::Run(std::shared_ptr<LookupTicket> ticket, FieldStore fields) {
    pthread_setname_np(pthread_self(), "kestrova-query");
    FinishedLookup finished;
    finished.mode = mode_;
    finished.started = std::chrono::system_clock::now();
    finished.messageBoxesBefore = fields.MessageBoxCount();
    finished.account = fields.ReadText(Ctl::编辑框1);
    ForwardingWindow window(std::move(fields), display_, context_, ticket);
    LookupSession& session = *session_;
    session.OnProgress([this, ticket](const LookupProgress& progress) {
        QMetaObject::invokeMethod(
            &context_,
            [this, ticket, progress] {
                if (!ticket->cancelled && hooks_.progress) {
                    hooks_.progress(progress);
                }
            },
            Qt::QueuedConnection);
    });
    session.OnMissing([this, ticket](const std::vector<MissingPage>& missing) {
        QMetaObject::invokeMethod(
            &context_,
            [this, ticket, missing] {
                if (!ticket->cancelled && hooks_.missing) {
                    hooks_.missing(missing);
                }
            },
            Qt::QueuedConnection);
    });
    try {
        ScopedExchangeSource bound(session);
        runner_(window, state_);
    } catch (const LookupCancelled&) {
        finished.outcome = LookupOutcome::Cancelled;
    } catch (const RuntimeFault& fault) {
        finished.outcome = LookupOutcome::Fault;
        finished.fault = fault;
    }
    if (ticket->cancelled) {
        finished.outcome = LookupOutcome::Cancelled;
    }
    finished.ended = std::chrono::system_clock::now();
    finished.pastProfile = session.PastProfile();
    finished.pages = session.PagesGot();
    // Behind every write of the lookup: the window has them all when it hears.
    QMetaObject::invokeMethod(
        &context_,
        [this, finished = std::move(finished)] {
            Join();
            running_ = false;
            session_.reset();
            if (hooks_.finished) {
                hooks_.finished(finished);
            }
        },
        Qt::QueuedConnection);
}

}  // namespace kestrova
