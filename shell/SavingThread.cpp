#include "shell/SavingThread.h"

#include <pthread.h>

#include <utility>

namespace kestrova {

SavingThread::SavingThread(std::unique_ptr<LookupHistory> history)
    : history_(std::move(history)), thread_(&SavingThread::Run, this) {}

SavingThread::~SavingThread() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SavingThread::Save(SavedWindowLookup lookup) {
    {
        std::lock_guard lock(mutex_);
        waiting_.push_back(std::move(lookup));
        ++queued_;
    }
    changed_.notify_all();
}

void SavingThread::Finish() {
    std::unique_lock lock(mutex_);
    const int until = queued_;
    changed_.wait(lock, [&] { return done_ >= until; });
}

int SavingThread::Done() const {
    std::lock_guard lock(mutex_);
    return done_;
}

void SavingThread::Run() {
    pthread_setname_np(pthread_self(), "kestrova-save");
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [&] { return ending_ || !waiting_.empty(); });
        if (waiting_.empty()) {
            return;  // ending, with nothing left to save
        }
        SavedWindowLookup lookup = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        if (history_) {
            history_->Save(LookupRecord{.fields = lookup.fields,
                                        .account = lookup.account,
                                        .started = lookup.started,
                                        .ended = lookup.ended,
                                        .mode = lookup.mode,
                                        .cancelled = lookup.cancelled,
                                        .messageBoxesBefore = lookup.messageBoxesBefore,
                                        .pages = std::move(lookup.pages)});
        }
        lock.lock();
        ++done_;
        changed_.notify_all();
    }
}

}  // namespace kestrova
