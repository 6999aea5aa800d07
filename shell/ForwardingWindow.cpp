#include "shell/ForwardingWindow.h"

#include <QMetaObject>
#include <chrono>
#include <future>
#include <utility>

#include "web/ExchangeSource.h"

namespace kestrova {
namespace {

// How often a worker waiting for a message box looks for a cancel.
constexpr std::chrono::milliseconds kAnswerPoll{10};

}  // namespace

WriteQueue::WriteQueue(QObject& context, std::shared_ptr<LookupTicket> ticket)
    : context_(context), ticket_(std::move(ticket)) {}

void WriteQueue::Post(std::function<void()> apply) {
    std::lock_guard lock(mutex_);
    waiting_.push_back(std::move(apply));
    if (drainPosted_) {
        return;
    }
    drainPosted_ = true;
    // The queue lives as long as anything posted for it.
    QMetaObject::invokeMethod(
        &context_, [self = shared_from_this()] { self->Drain(); }, Qt::QueuedConnection);
}

void WriteQueue::Drain() {
    for (;;) {
        std::deque<std::function<void()>> batch;
        {
            std::lock_guard lock(mutex_);
            if (waiting_.empty()) {
                drainPosted_ = false;
                return;
            }
            batch.swap(waiting_);
        }
        for (std::function<void()>& apply : batch) {
            if (!ticket_->cancelled.load()) {
                apply();
            }
        }
    }
}

ForwardingWindow::ForwardingWindow(FieldStore start, Window& display, QObject& context,
                                   std::shared_ptr<LookupTicket> ticket)
    : store_(std::move(start)),
      display_(display),
      ticket_(ticket),
      queue_(std::make_shared<WriteQueue>(context, std::move(ticket))) {}

const Text& ForwardingWindow::ReadText(Ctl control) {
    return store_.ReadText(control);
}

void ForwardingWindow::WriteText(Ctl control, const Text& text) {
    store_.WriteText(control, text);
    queue_->Post([&display = display_, control, text] { display.WriteText(control, text); });
}

void ForwardingWindow::WriteLinkAddress(Ctl control, const Text& address) {
    store_.WriteLinkAddress(control, address);
    queue_->Post(
        [&display = display_, control, address] { display.WriteLinkAddress(control, address); });
}

void ForwardingWindow::WritePicture(Ctl control, const ByteBuffer& bytes) {
    store_.WritePicture(control, bytes);
    queue_->Post([&display = display_, control, bytes] { display.WritePicture(control, bytes); });
}

void ForwardingWindow::StatusBarSetText(int part, const Text& text) {
    store_.StatusBarSetText(part, text);
    queue_->Post([&display = display_, part, text] { display.StatusBarSetText(part, text); });
}

int ForwardingWindow::MessageBox(const Text& content, int flags, const Text& caption) {
    store_.MessageBox(content, flags, caption);
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> answered = answer->get_future();
    queue_->Post([&display = display_, answer, content, flags, caption] {
        answer->set_value(display.MessageBox(content, flags, caption));
    });
    while (answered.wait_for(kAnswerPoll) != std::future_status::ready) {
        if (ticket_->cancelled.load()) {
            throw LookupCancelled{};
        }
    }
    return answered.get();
}

void ForwardingWindow::ProcessEvents() {
    store_.ProcessEvents();
}

void ForwardingWindow::WriteTitle(const Text& title) {
    store_.WriteTitle(title);
    queue_->Post([&display = display_, title] { display.WriteTitle(title); });
}

}  // namespace kestrova
