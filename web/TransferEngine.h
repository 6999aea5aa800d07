#pragma once
// Every HTTP transfer of the program runs here: one thread drives all of them
// on one libcurl multi handle. A lookup can so have many requests on the wire
// at once, and a whole run keeps to a limit of connections per host. Each
// transfer keeps the rules of a single exchange: a new connection for every
// hop, per-phase time-outs, redirects, the body cap.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "web/Transport.h"

namespace kestrova {

// Connections open to one host (name and port, as the address says) at a time,
// across everything the process sends. More transfers for the host wait.
inline constexpr int kMaxConnectionsPerHost = 6;

// Waiting transfers of one host start in this order: the earlier lookup
// first, then the earlier step of it.
struct TransferPriority {
    std::uint64_t lookup = 0;
    int step = 0;
    friend auto operator<=>(const TransferPriority&, const TransferPriority&) = default;
};

// The transfers of one lookup. They are cancelled together, and whoever waits
// on the group hears of each one that ends.
class TransferGroup {
  public:
    // Ends every transfer of the group that has not ended, with an empty
    // answer; transfers started later end at once, before anything is sent.
    void Cancel();
    bool Cancelled() const { return cancelled_.load(); }
    const std::atomic<bool>& CancelFlag() const { return cancelled_; }

    // Transfers of the group that have ended (answered, failed or cancelled).
    int Ended() const;
    // Waits until more than `ended` transfers have ended or the group is
    // cancelled; returns the number ended.
    int WaitForMoreThan(int ended) const;

    // Called by the engine as each transfer ends.
    void NoteEnded();

  private:
    std::atomic<bool> cancelled_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    int ended_ = 0;
};

struct TransferState;

// A transfer handed to the engine.
class PendingTransfer {
  public:
    explicit PendingTransfer(std::shared_ptr<TransferState> state) : state_(std::move(state)) {}
    bool Ended() const;
    // Waits for the end. The answer is empty after a failure or a cancel. The
    // body moves out: call once.
    WireResponse Take();
    // The answer of an ended transfer, before it is taken.
    const WireResponse& Answer() const;

  private:
    friend class TransferEngine;
    std::shared_ptr<TransferState> state_;
};

class TransferEngine {
  public:
    // The one engine of the process, started on first use.
    static TransferEngine& Shared();

    TransferEngine();
    ~TransferEngine();
    TransferEngine(const TransferEngine&) = delete;
    TransferEngine& operator=(const TransferEngine&) = delete;

    // Starts the request. A request that cannot go out (an address that is not
    // http or https, a method that is not a token) ends at once with an empty
    // answer, and so does one of a cancelled group.
    PendingTransfer Start(const WireRequest& request,
                          std::shared_ptr<TransferGroup> group = nullptr,
                          TransferPriority priority = {});
    // Someone waits on this transfer now: if it still waits for its host, it
    // goes first.
    void Hurry(const PendingTransfer& transfer);
    // A group was cancelled: its transfers end now, not at the next wake-up.
    void Wake();

    // At least `pace` between the starts of two requests to one host (each
    // redirect hop is a request of its own), from now on; zero: no pause.
    void SetPace(std::chrono::milliseconds pace);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kestrova
