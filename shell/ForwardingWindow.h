#pragma once
// The window as a lookup on the worker thread sees it. Reads come from the
// worker's own copy of the fields, taken when the lookup starts; every write
// goes to that copy and, through the event loop, to the window on the UI
// thread, in the order it was made. Once the lookup is cancelled nothing more
// reaches the window. Message boxes are shown modally by the UI thread while
// the worker waits for the answer.

#include <QObject>
#include <atomic>
#include <memory>

#include "form/FieldStore.h"
#include "form/Window.h"

namespace kestrova {

// What the UI thread and one lookup's worker share.
struct LookupTicket {
    // Set on the UI thread. Writes still on their way are dropped there.
    std::atomic<bool> cancelled{false};
};

class ForwardingWindow final : public Window {
  public:
    // `display` is the window on the UI thread, written only on the thread of
    // `context`; both outlive every write still on its way (the context's
    // destruction drops them).
    ForwardingWindow(FieldStore start, Window& display, QObject& context,
                     std::shared_ptr<LookupTicket> ticket);

    Text ReadText(Ctl control) override;
    void WriteText(Ctl control, const Text& text) override;
    void WriteLinkAddress(Ctl control, const Text& address) override;
    void WritePicture(Ctl control, const ByteBuffer& bytes) override;
    void StatusBarSetText(int part, const Text& text) override;
    // Throws LookupCancelled when the lookup is cancelled while the box waits.
    int MessageBox(const Text& content, int flags, const Text& caption) override;
    // The UI thread handles its events by itself.
    void ProcessEvents() override;
    void WriteTitle(const Text& title) override;

    // The worker's copy: everything the lookup wrote.
    const FieldStore& Store() const { return store_; }

  private:
    template <typename Apply>
    void Post(Apply apply);

    FieldStore store_;
    Window& display_;
    QObject& context_;
    std::shared_ptr<LookupTicket> ticket_;
};

}  // namespace kestrova
