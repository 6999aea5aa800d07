#pragma once
// The window's lookups are saved on a thread of their own, which owns the
// window's LookupHistory: a history another program keeps locked (a save may
// wait seconds for it) never holds the window. Lookups are saved in the order
// they ended.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "form/Completeness.h"
#include "form/FieldStore.h"
#include "history/LookupHistory.h"

namespace kestrova {

// A finished lookup with its own copy of what the window showed.
struct SavedWindowLookup {
    FieldStore fields;
    std::string account;  // UTF-8
    std::chrono::system_clock::time_point started;
    std::chrono::system_clock::time_point ended;
    std::string mode;
    bool cancelled = false;
    int messageBoxesBefore = 0;
    std::optional<Completeness> pages = std::nullopt;  // which pages it got
};

class SavingThread {
  public:
    explicit SavingThread(std::unique_ptr<LookupHistory> history);
    // Saves whatever is still queued, then ends.
    ~SavingThread();
    SavingThread(const SavingThread&) = delete;
    SavingThread& operator=(const SavingThread&) = delete;

    // Returns at once; the lookup is saved behind those queued before it.
    void Save(SavedWindowLookup lookup);
    // Waits until every lookup queued so far has been saved (or its problem
    // reported).
    void Finish();
    // Lookups saved or given up so far.
    int Done() const;

  private:
    void Run();

    std::unique_ptr<LookupHistory> history_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<SavedWindowLookup> waiting_;
    int queued_ = 0;
    int done_ = 0;
    bool ending_ = false;
    std::thread thread_;
};

}  // namespace kestrova
