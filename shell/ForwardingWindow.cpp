#include "shell/ForwardingWindow.h"

#include <QMetaObject>
#include <chrono>
#include <future>
#include <utility>

#include "shell/PictureBox.h"
#include "shell/QtWindow.h"
#include "web/ExchangeSource.h"

namespace kestrova {
namespace {

// How often a worker waiting for a message box looks for a cancel.
constexpr std::chrono::milliseconds kAnswerPoll{10};

}  // namespace

LookupTicket::LookupTicket(QObject& context) : context_(&context) {}

void LookupTicket::Post(std::function<void()> write) {
    Queue(Item{std::move(write), Item::Kind::Write});
}

void LookupTicket::PostAside(std::function<void()> apply) {
    Queue(Item{std::move(apply), Item::Kind::Aside});
}

bool LookupTicket::End(std::function<void()> notice) {
    {
        std::lock_guard lock(mutex_);
        if (state_ != State::Running) {
            return false;
        }
        state_ = State::Ended;
    }
    Queue(Item{std::move(notice), Item::Kind::Notice});
    return true;
}

bool LookupTicket::Cancel() {
    std::lock_guard lock(mutex_);
    if (state_ != State::Running) {
        return false;
    }
    state_ = State::Cancelled;
    return true;
}

bool LookupTicket::Cancelled() const {
    std::lock_guard lock(mutex_);
    return state_ == State::Cancelled;
}

bool LookupTicket::Ended() const {
    std::lock_guard lock(mutex_);
    return state_ == State::Ended;
}

void LookupTicket::Close() {
    std::lock_guard lock(mutex_);
    context_ = nullptr;
    waiting_.clear();
}

void LookupTicket::Queue(Item item) {
    std::lock_guard lock(mutex_);
    if (context_ == nullptr || (state_ == State::Cancelled && item.kind != Item::Kind::Notice)) {
        return;
    }
    waiting_.push_back(std::move(item));
    if (drainPosted_) {
        return;
    }
    drainPosted_ = true;
    // Posted under the lock: the context cannot close in between. The ticket
    // lives as long as anything posted for it.
    QMetaObject::invokeMethod(
        context_, [self = shared_from_this()] { self->Drain(); }, Qt::QueuedConnection);
}

// The UI thread takes all writes that are there in one go and paints once
// after them, however many came. Writes that come meanwhile wait for the next
// pass, behind whatever else the event loop has (a key, a close).
void LookupTicket::Drain() {
    std::deque<Item> batch;
    {
        std::lock_guard lock(mutex_);
        if (context_ == nullptr) {
            return;
        }
        batch.swap(waiting_);
    }
    for (Item& item : batch) {
        if (item.kind == Item::Kind::Write && hook_ && !Cancelled()) {
            hook_(applied_);  // it may cancel: the write is looked at after it
        }
        if (item.kind != Item::Kind::Notice && Cancelled()) {
            continue;
        }
        applied_ += item.kind == Item::Kind::Write ? 1 : 0;
        item.apply();
    }
    std::lock_guard lock(mutex_);
    if (context_ == nullptr || waiting_.empty()) {
        drainPosted_ = false;
        return;
    }
    QMetaObject::invokeMethod(
        context_, [self = shared_from_this()] { self->Drain(); }, Qt::QueuedConnection);
}

void LookupTicket::Flush() {
    // Every pass until nothing is left; the passes posted meanwhile find
    // nothing.
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (context_ == nullptr || waiting_.empty()) {
                return;
            }
        }
        Drain();
    }
}

ForwardingWindow::ForwardingWindow(FieldStore start, QtWindow& display,
                                   std::shared_ptr<LookupTicket> ticket)
    : store_(std::move(start)), display_(display), ticket_(std::move(ticket)) {}

const Text& ForwardingWindow::ReadText(Ctl control) {
    return store_.ReadText(control);
}

void ForwardingWindow::WriteText(Ctl control, const Text& text) {
    store_.WriteText(control, text);
    ticket_->Post([&display = display_, control, text] { display.WriteText(control, text); });
}

void ForwardingWindow::WriteText(Ctl control, Text&& text) {
    store_.WriteText(control, std::as_const(text));
    // The copy in this store is the one the worker reads; the text itself
    // moves on to the window (a whole page is written this way).
    ticket_->Post([&display = display_, control, text = std::move(text)]() mutable {
        display.WriteText(control, std::move(text));
    });
}

void ForwardingWindow::WriteLinkAddress(Ctl control, const Text& address) {
    store_.WriteLinkAddress(control, address);
    ticket_->Post(
        [&display = display_, control, address] { display.WriteLinkAddress(control, address); });
}

void ForwardingWindow::WritePicture(Ctl control, const ByteBuffer& bytes) {
    store_.WritePicture(control, bytes);
    // Decoded here: a large picture must not hold the UI thread.
    QImage shown = DecodeForPictureBox(bytes);
    ticket_->Post([&display = display_, control, bytes, shown = std::move(shown)] {
        display.WriteDecodedPicture(control, bytes, shown);
    });
}

void ForwardingWindow::StatusBarSetText(int part, const Text& text) {
    store_.StatusBarSetText(part, text);
    ticket_->Post([&display = display_, part, text] { display.StatusBarSetText(part, text); });
}

int ForwardingWindow::MessageBox(const Text& content, int flags, const Text& caption) {
    store_.MessageBox(content, flags, caption);
    auto answer = std::make_shared<std::promise<int>>();
    std::future<int> answered = answer->get_future();
    ticket_->Post([&display = display_, answer, content, flags, caption] {
        answer->set_value(display.MessageBox(content, flags, caption));
    });
    while (answered.wait_for(kAnswerPoll) != std::future_status::ready) {
        if (ticket_->Cancelled()) {
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
    ticket_->Post([&display = display_, title] { display.WriteTitle(title); });
}

}  // namespace kestrova
