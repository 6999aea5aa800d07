#include "cli/BatchLookup.h"

#include <algorithm>
#include <condition_variable>
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
    }
    member.ended = std::chrono::system_clock::now();
}

BatchLookup::BatchLookup(std::vector<std::string> accounts, LookupMode mode, int jobs)
    : accounts_(std::move(accounts)),
      mode_(mode),
      jobs_(std::clamp(jobs, kMinJobs, kMaxJobs)),
      maxAhead_(kAheadPerJob * static_cast<std::size_t>(jobs_)),
      maxWaitingBytes_(kWaitingBytesPerJob * static_cast<std::size_t>(jobs_)) {}

void BatchLookup::Run(const std::function<void(MemberLookup&)>& deliver,
                      const std::function<void(const BatchCounts&)>& tick,
                      std::chrono::milliseconds tickInterval) {
    const std::size_t total = accounts_.size();
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::unique_ptr<MemberLookup>> finished(total);
    std::size_t next = 0;          // the next member to start
    std::size_t delivered = 0;     // members handed out, all before `next`
    std::size_t waitingBytes = 0;  // held by the finished members not handed out
    BatchCounts counts{static_cast<int>(total), 0, 0, 0};

    const auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            // With nothing waiting (next == delivered) a member always starts.
            changed.wait(lock, [&] {
                return next >= total ||
                       (next < delivered + maxAhead_ && waitingBytes <= maxWaitingBytes_);
            });
            if (next >= total) {
                return;
            }
            auto member = std::make_unique<MemberLookup>();
            member->index = next++;
            member->account = accounts_[member->index];
            member->mode = mode_;
            ++counts.running;
            lock.unlock();
            changed.notify_all();
            LookUpMember(*member);
            lock.lock();
            --counts.running;
            ++counts.done;
            counts.endedEarly += member->EndedEarly() ? 1 : 0;
            waitingBytes += member->window.HeldBytes();
            finished[member->index] = std::move(member);
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    const std::size_t threads = std::min<std::size_t>(static_cast<std::size_t>(jobs_), total);
    for (std::size_t i = 0; i < threads; ++i) {
        workers.emplace_back(work);
    }

    std::unique_lock lock(mutex);
    BatchCounts told{-1, -1, -1, -1};
    while (delivered < total) {
        changed.wait_for(lock, tickInterval,
                         [&] { return finished[delivered] != nullptr || counts != told; });
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
    lock.unlock();
    for (std::thread& worker : workers) {
        worker.join();
    }
}

}  // namespace kestrova
