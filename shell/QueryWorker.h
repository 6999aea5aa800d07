#pragma once
// Runs one lookup at a time on a thread of its own, so that the window stays
// alive while the lookup waits on the network: it repaints, its clock ticks,
// Esc cancels and closing ends the program at once. Each lookup's thread owns
// what it works with (its query state, its copy of the fields, its session);
// the window gets every write through the event loop, in order.
//
// The UI thread decides how a lookup ends: it has ended when its end notice
// runs there, behind its last write, or it was cancelled when Esc or closing
// came first. A cancelled lookup's thread may still be busy for a moment (a
// large picture being re-encoded): nothing waits for it, nothing of it
// reaches the window any more, and a new lookup can start beside it.

#include <QObject>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#include "form/FieldStore.h"
#include "form/Window.h"
#include "lookup/LookupSession.h"
#include "lookup/QueryState.h"
#include "shell/ForwardingWindow.h"
#include "text/RuntimeFault.h"

namespace kestrova {

class QtWindow;

// What a click on 按钮1 runs, on the worker thread, with the lookup's session
// answering its requests and a query state of the lookup's own; the program
// runs QueryRoutine.
using QueryRunner = std::function<void(Window&, QueryState&)>;

enum class LookupOutcome { Finished, Cancelled, Fault };

// A lookup that has ended, as the UI thread concludes it.
struct FinishedLookup {
    LookupOutcome outcome = LookupOutcome::Finished;
    LookupMode mode = LookupMode::Sequential;
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
    Text account;                       // 编辑框1 as the lookup began
    bool pastProfile = false;           // the profile's answer reached the query
    int messageBoxesBefore = 0;         // fields.MessageBoxCount() when the lookup began
    std::optional<RuntimeFault> fault;  // for LookupOutcome::Fault
    Completeness pages;                 // which pages the lookup got
};

class QueryWorker {
  public:
    struct Hooks {
        // On the UI thread, as requests finish; not after a cancel.
        std::function<void(const LookupProgress&)> progress;
        // On the UI thread, when the end notice of a lookup that was not
        // cancelled runs, behind its last write.
        std::function<void(const FinishedLookup&)> finished;
        // On the UI thread, as requests turn out missing (every one so far);
        // not after a cancel.
        std::function<void(const std::vector<MissingPage>&)> missing;
    };

    // Writes reach `display` on the thread of `context`. Both outlive the
    // worker.
    QueryWorker(QObject& context, QtWindow& display, QueryRunner runner, Hooks hooks);
    // Cancels a lookup still running; a thread still busy ends by itself.
    ~QueryWorker();
    QueryWorker(const QueryWorker&) = delete;
    QueryWorker& operator=(const QueryWorker&) = delete;

    void SetMode(LookupMode mode) { mode_ = mode; }
    LookupMode Mode() const { return mode_; }

    // From the click: a lookup over a copy of `fields`. False, and nothing
    // happens, while a lookup runs.
    bool Start(const FieldStore& fields);
    // A lookup has started and neither ended nor been cancelled (its end
    // notice has not run yet).
    bool Running() const { return current_ != nullptr; }

    // Every transfer stops and nothing more of the lookup reaches the window.
    // What the UI thread concludes of it; nullopt when none runs, or when it
    // has ended and only its last writes and notice are on their way.
    std::optional<FinishedLookup> Cancel();
    // A lookup that has ended gets its last writes and its end notice now
    // (nothing happens to one still running).
    void Flush();

    // Called before each write of a lookup reaches the window (tests).
    void SetWriteHook(LookupTicket::WriteHook hook) { writeHook_ = std::move(hook); }

    // Threads of lookups, in this process, that have not ended yet (a
    // cancelled one may still finish its current step).
    static int ThreadsStillRunning();

  private:
    struct Current {
        std::shared_ptr<LookupTicket> ticket;
        std::shared_ptr<LookupSession> session;
        FinishedLookup begun;
    };
    struct Thread {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };

    void Ended(FinishedLookup lookup);
    void JoinEndedThreads();

    QObject& context_;
    QtWindow& display_;
    QueryRunner runner_;
    Hooks hooks_;
    LookupMode mode_ = LookupMode::Sequential;
    LookupTicket::WriteHook writeHook_;

    // UI thread only.
    std::unique_ptr<Current> current_;
    std::vector<std::weak_ptr<LookupTicket>> tickets_;
    std::vector<Thread> threads_;
};

}  // namespace kestrova
