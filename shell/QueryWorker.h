#pragma once
// Runs one lookup at a time on a thread of its own, so that the window stays
// alive while the lookup waits on the network: it repaints, its clock ticks,
// Esc cancels and closing ends the program at once. The worker owns the query
// state while a lookup runs; the window gets every write through the event
// loop, in order.

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "form/FieldStore.h"
#include "form/Window.h"
#include "lookup/LookupSession.h"
#include "lookup/QueryState.h"
#include "shell/ForwardingWindow.h"
#include "text/RuntimeFault.h"

namespace kestrova {

// What a click on 按钮1 runs, on the worker thread, with the lookup's session
// answering its requests; the program runs QueryRoutine.
using QueryRunner = std::function<void(Window&, QueryState&)>;

enum class LookupOutcome { Finished, Cancelled, Fault };

// A lookup that has ended, as the UI thread hears of it.
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
        // On the UI thread, once the worker's thread has ended.
        std::function<void(const FinishedLookup&)> finished;
        // On the UI thread, as requests turn out missing (every one so far);
        // not after a cancel.
        std::function<void(const std::vector<MissingPage>&)> missing;
    };

    // Writes reach `display` on the thread of `context`. All of them outlive
    // the worker.
    QueryWorker(QObject& context, Window& display, QueryState& state, QueryRunner runner,
                Hooks hooks);
    ~QueryWorker();
    QueryWorker(const QueryWorker&) = delete;
    QueryWorker& operator=(const QueryWorker&) = delete;

    void SetMode(LookupMode mode) { mode_ = mode; }
    LookupMode Mode() const { return mode_; }

    // From the click: a lookup over a copy of `fields`. False, and nothing
    // happens, while a lookup runs.
    bool Start(const FieldStore& fields);
    bool Running() const { return running_; }

    // Every transfer stops, nothing more reaches the window, and the thread
    // ends at once. True when a lookup was running.
    bool Cancel();
    // Waits for the thread of a lookup that has been cancelled or has ended.
    void Join();

  private:
    void Run(std::shared_ptr<LookupTicket> ticket, FieldStore fields);

    QObject& context_;
    Window& display_;
    QueryState& state_;
    QueryRunner runner_;
    Hooks hooks_;
    LookupMode mode_ = LookupMode::Sequential;

    bool running_ = false;  // UI thread only
    std::shared_ptr<LookupTicket> ticket_;
    std::shared_ptr<LookupSession> session_;
    std::thread thread_;
};

}  // namespace kestrova
