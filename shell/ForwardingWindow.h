#pragma once
// The window as a lookup on the worker thread sees it. Reads come from the
// worker's own copy of the fields, taken when the lookup starts; every write
// goes to that copy and, through the event loop, to the window on the UI
// thread, in the order it was made. Pictures are decoded for display here, on
// the worker, so that the UI thread only shows them. Once the lookup is
// cancelled nothing more reaches the window. Message boxes are shown modally
// by the UI thread while the worker waits for the answer.

#include <QImage>
#include <QObject>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "form/FieldStore.h"
#include "form/Window.h"

namespace kestrova {

class QtWindow;

// What the UI thread and one lookup's worker share: whether the lookup still
// runs, and its writes on their way to the window. The writes of a lookup
// reach the window in order, its end notice behind them all. Whether a lookup
// ended or was cancelled is settled here, once: the worker ends it after its
// last write, the UI thread cancels it, and whichever comes first holds.
class LookupTicket : public std::enable_shared_from_this<LookupTicket> {
  public:
    // Writes run on the thread of `context`, which outlives the ticket or
    // closes it first.
    explicit LookupTicket(QObject& context);
    LookupTicket(const LookupTicket&) = delete;
    LookupTicket& operator=(const LookupTicket&) = delete;

    // Worker: a write for the window. Dropped once the lookup is cancelled.
    void Post(std::function<void()> write);
    // Worker: something for the UI thread beside the writes (progress), in
    // their order; dropped once the lookup is cancelled.
    void PostAside(std::function<void()> apply);
    // Worker, after its last write: the lookup has ended, and `notice` runs on
    // the UI thread behind every write. False, and nothing queued, when the UI
    // thread cancelled the lookup first.
    bool End(std::function<void()> notice);

    // UI thread: stops the lookup; the writes still queued are dropped. False
    // when it had ended (its last writes and notice are on their way) or was
    // cancelled already.
    bool Cancel();
    bool Cancelled() const;
    bool Ended() const;
    // UI thread: applies now whatever is queued (a lookup that has ended gets
    // its last writes and its notice here).
    void Flush();
    // UI thread: the window goes; nothing more is queued or applied.
    void Close();

    // Called on the UI thread before each queued write is applied, with the
    // number applied before it: tests force interleavings with it.
    using WriteHook = std::function<void(int applied)>;
    void SetWriteHook(WriteHook hook) { hook_ = std::move(hook); }

  private:
    enum class State { Running, Ended, Cancelled };
    struct Item {
        enum class Kind { Write, Aside, Notice };  // a notice is applied even after a cancel
        std::function<void()> apply;
        Kind kind = Kind::Write;
    };

    void Queue(Item item);
    void Drain();

    mutable std::mutex mutex_;
    QObject* context_;  // null once closed
    State state_ = State::Running;
    std::deque<Item> waiting_;
    bool drainPosted_ = false;
    int applied_ = 0;  // UI thread only
    WriteHook hook_;   // UI thread only
};

class ForwardingWindow final : public Window {
  public:
    // `display` is the window on the UI thread, written only there; it
    // outlives every write still on its way (the ticket's context goes with
    // it, and with that every write not yet applied).
    ForwardingWindow(FieldStore start, QtWindow& display, std::shared_ptr<LookupTicket> ticket);

    const Text& ReadText(Ctl control) override;
    void WriteText(Ctl control, const Text& text) override;
    void WriteText(Ctl control, Text&& text) override;
    void WriteLinkAddress(Ctl control, const Text& address) override;
    void WritePicture(Ctl control, const ByteBuffer& bytes) override;
    void StatusBarSetText(int part, const Text& text) override;
    // Throws LookupCancelled when the lookup is cancelled while the box waits.
    int MessageBox(const Text& content, int flags, const Text& caption) override;
    // The UI thread handles its events by itself.
    void ProcessEvents() override;
    void WriteTitle(const Text& title) override;

  private:
    FieldStore store_;
    QtWindow& display_;
    std::shared_ptr<LookupTicket> ticket_;
};

}  // namespace kestrova
