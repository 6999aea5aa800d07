#include "cli/batch/BatchLookup.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "lookup/PictureBoxes.h"
#include "text/Gbk.h"
#include "text/RuntimeFault.h"

namespace kestrova {
namespace {

// A finished window holds its pages and pictures (some hundred KB); this many
// per job may be started ahead of the member printed next.
constexpr std::size_t kAheadPerJob = 4;
// ... as long as the finished windows waiting to be printed hold no more than
// this per job: a window can hold three whole pages of up to 32 MiB each, and
// behind a slow member what waits must not grow with the size of the pages.
constexpr std::size_t kWaitingBytesPerJob = 16 << 20;

using SteadyClock = std::chrono::steady_clock;

std::chrono::system_clock::time_point WallTimeOf(SteadyClock::time_point at) {
    return std::chrono::system_clock::now() +
           std::chrono::duration_cast<std::chrono::system_clock::duration>(at - SteadyClock::now());
}

}  // namespace

bool MemberLookup::EndedEarly() const {
    return fault.has_value() || window.LastMessageBox().has_value() || !window.StatusText().empty();
}

void LookUpMember(MemberLookup& member) {
    member.window = FieldStore(EmbeddedDesignPictures());
    member.window.WriteText(Ctl::编辑框1, Utf8ToGbk(member.account));
    member.started = std::chrono::system_clock::now();
    {
        QueryState state;
        LookupSession session(member.mode, member.window.ReadText(Ctl::编辑框1), member.index);
        try {
            RunQuery(member.window, state, session);
        } catch (const RuntimeFault& fault) {
            member.fault = fault.BoxText();
        }
        member.pages = session.PagesGot();
        member.refused = session.MetRefusal();
        member.retryAfter.reset();
        for (const RequestOutcome& outcome : session.Outcomes()) {
            if (outcome.answer.retryAfter &&
                (!member.retryAfter || *outcome.answer.retryAfter > *member.retryAfter)) {
                member.retryAfter = outcome.answer.retryAfter;
            }
        }
    }
    member.ended = std::chrono::system_clock::now();
}

BatchLookup::BatchLookup(std::vector<std::string> accounts, LookupMode mode, BatchOptions options)
    : accounts_(std::move(accounts)),
      mode_(mode),
      options_(std::move(options)),
      maxAhead_(kAheadPerJob *
                static_cast<std::size_t>(std::clamp(options_.jobs, kMinJobs, kMaxJobs))),
      maxWaitingBytes_(kWaitingBytesPerJob *
                       static_cast<std::size_t>(std::clamp(options_.jobs, kMinJobs, kMaxJobs))) {
    options_.jobs = std::clamp(options_.jobs, kMinJobs, kMaxJobs);
}

void BatchLookup::Run(const std::function<void(MemberLookup&)>& deliver,
                      const std::function<void(const BatchCounts&)>& tick,
                      std::chrono::milliseconds tickInterval) {
    const std::size_t total = accounts_.size();
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::unique_ptr<MemberLookup>> finished(total);
    std::vector<int> reruns(total, 0);
    std::deque<std::size_t> again;  // refused members waiting to be looked up again
    std::size_t next = 0;           // the next member to start for the first time
    std::size_t delivered = 0;      // members handed out, all before `next`
    std::size_t waitingBytes = 0;   // held by the finished members not handed out
    bool stopping = false;
    RefusalPause pause(options_.firstBackoff);
    BatchCounts counts{static_cast<int>(total), 0, 0, 0, 0, std::nullopt};

    const auto skipped = [this](std::size_t index) {
        return index < options_.fromHistory.size() && options_.fromHistory[index].has_value();
    };
    const auto makeMember = [this](std::size_t index) {
        auto member = std::make_unique<MemberLookup>();
        member->index = index;
        member->account = accounts_[index];
        member->mode = mode_;
        return member;
    };
    // Under the lock: a member is done, one way or another.
    const auto done = [&](std::unique_ptr<MemberLookup> member) {
        ++counts.done;
        counts.endedEarly += member->EndedEarly() && !member->notChecked ? 1 : 0;
        waitingBytes += member->window.HeldBytes();
        finished[member->index] = std::move(member);
    };
    // Under the lock: the run stops; every member not looked up is told so.
    const auto stop = [&](const std::string& reason) {
        stopping = true;
        stopped_ = true;
        std::vector<std::size_t> left(again.begin(), again.end());
        again.clear();
        for (; next < total; ++next) {
            left.push_back(next);
        }
        for (const std::size_t index : left) {
            if (skipped(index)) {
                continue;  // a saved lookup stands in
            }
            auto member = makeMember(index);
            member->notChecked = reason;
            member->reruns = reruns[index];
            done(std::move(member));
        }
    };
    // The saved lookups that stand in are done before anything starts.
    for (std::size_t index = 0; index < total; ++index) {
        if (skipped(index)) {
            auto member = makeMember(index);
            member->fromHistory = options_.fromHistory[index];
            done(std::move(member));
        }
    }

    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            // Asked of the input, not of `finished`: a saved lookup that
            // stands in may already be handed out, its place empty again.
            while (next < total && skipped(next)) {
                ++next;
            }
            // With nothing waiting (next == delivered) a member always starts.
            const bool firstRunAllowed =
                next < total && next < delivered + maxAhead_ && waitingBytes <= maxWaitingBytes_;
            const bool workLeft = !again.empty() || next < total;
            if (stopping || (!workLeft && counts.running == 0)) {
                return;
            }
            const std::optional<SteadyClock::time_point> paused = pause.Until();
            if (paused || (again.empty() && !firstRunAllowed)) {
                if (paused) {
                    changed.wait_until(lock, *paused);
                } else {
                    changed.wait(lock);
                }
                continue;
            }
            std::unique_ptr<MemberLookup> member;
            if (!again.empty()) {
                member = makeMember(again.front());
                again.pop_front();
            } else {
                member = makeMember(next++);
            }
            member->reruns = reruns[member->index];
            ++counts.running;
            lock.unlock();
            changed.notify_all();
            const SteadyClock::time_point started = SteadyClock::now();
            LookUpMember(*member);
            lock.lock();
            --counts.running;
            if (!member->refused || !options_.rerunRefused) {
                pause.Answered(started);
                done(std::move(member));
            } else if (stopping) {
                member->notChecked = "the run stopped: the marketplace kept refusing";
                done(std::move(member));
            } else {
                const auto until = pause.Refused(started, member->retryAfter);
                counts.pausedUntil = WallTimeOf(until);
                if (reruns[member->index] < kMaxReruns) {
                    ++reruns[member->index];
                    ++reruns_;
                    ++counts.reruns;
                    // The member goes first once the pause is over: it is the
                    // one the output waits for soonest.
                    again.push_front(member->index);
                } else {
                    const std::string reason =
                        "the marketplace refused the lookup of " + member->account + " " +
                        std::to_string(kMaxReruns + 1) + " times; the run stopped";
                    member->notChecked = reason;
                    done(std::move(member));
                    stop(reason);
                }
            }
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const std::size_t threads =
        std::min<std::size_t>(static_cast<std::size_t>(options_.jobs), total);
    for (std::size_t i = 0; i < threads; ++i) {
        workers.emplace_back(work);
    }

    std::unique_lock lock(mutex);
    std::optional<BatchCounts> told;
    while (delivered < total) {
        changed.wait_for(lock, tickInterval,
                         [&] { return finished[delivered] != nullptr || counts != told; });
        if (counts.pausedUntil && !pause.Until()) {
            counts.pausedUntil.reset();
            changed.notify_all();  // the workers waiting out the pause go on
        }
        std::vector<std::unique_ptr<MemberLookup>> ready;
        std::size_t readyBytes = 0;
        for (std::size_t i = delivered; i < total && finished[i]; ++i) {
            readyBytes += finished[i]->window.HeldBytes();
            ready.push_back(std::move(finished[i]));
        }
        const BatchCounts now = counts;
        lock.unlock();
        // Whoever prints clears the progress line first: the counts come after.
        for (auto& member : ready) {
            deliver(*member);
            member.reset();  // the window's pages go before the next one is printed
        }
        if (tick) {
            tick(now);
        }
        told = now;
        lock.lock();
        delivered += ready.size();
        waitingBytes -= readyBytes;  // printed and gone
        if (!ready.empty()) {
            changed.notify_all();
        }
    }
    rerunMembers_ =
        static_cast<int>(std::count_if(reruns.begin(), reruns.end(), [](int n) { return n > 0; }));
    lock.unlock();
    changed.notify_all();
    for (std::thread& worker : workers) {
        worker.join();
    }
}

}  // namespace kestrova
