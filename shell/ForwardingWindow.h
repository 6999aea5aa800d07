#pragma once
// The window as a lookup on the worker thread sees it. Reads come from the
// worker's own copy of the fields, taken when the lookup starts; every write
// goes to that copy and, through the event loop, to the window on the UI
// thread, in the order it was made. Once the lookup is cancelled nothing more
// reaches the window. Message boxes are shown modally by the UI thread while
// the worker waits for the answer.

#include <QObject>
#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

#include "form/FieldStore.h"
#include "form/Window.h"

namespace kestrova {

// What the UI thread and one lookup's worker share.
struct LookupTicket {
    // Set on the UI thread. Writes still on their way are dropped there.
    std::atomic<bool> cancelled{false};
};

// Writes on their way to the UI thread, in order. The UI thread takes all
// that are there in one go and paints once after them, however many came.
class WriteQueue : public std::enable_shared_from_this<WriteQueue> {
  public:
    WriteQueue(QObject& context, std::shared_ptr<LookupTicket> ticket);
    void Post(std::function<void()> apply);

  private:
    void Drain();

    QObject& context_;
    std::shared_ptr<LookupTicket> ticket_;
    std::mutex mutex_;
    std::deque<std::function<void()>> waiting_;
    bool drainPosted_ = false;
};

class ForwardingWindow final : public Window {
  public:
    // `display` is the window on the UI thread, written only on the thread of
    // `context`; both outlive every write still on its way (the context's
    // destruction drops them).
    ForwardingWindow(FieldStore start, Window& display, QObject& context,
                     std::shared_ptr<LookupTicket> ticket);

    const Text& ReadText(Ctl control) override;
    void WriteText(Ctl control, const Text& text) override;
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
    Window& display_;
    std::shared_ptr<LookupTicket> ticket_;
    std::shared_ptr<WriteQueue> queue_;
};

}  // namespace kestrova
