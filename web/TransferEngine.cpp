#include "web/TransferEngine.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <vector>

#include "text/GbkChar.h"
#include "web/Endpoints.h"
#include "web/NetworkGuard.h"
#include "web/TransferHop.h"

namespace kestrova {

using transfer::Clock;

namespace {

// How long the engine sleeps at most while transfers run and no limit is due,
// and while nothing runs at all (every new transfer and every cancel wakes it).
constexpr int kMaxWaitMs = 1000;
constexpr int kIdleWaitMs = 60000;

void InitCurlOnce() {
    static const bool initialised = [] {
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    (void)initialised;
}

int MillisecondsSince(Clock::time_point since, Clock::time_point now) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now - since).count());
}

// A transfer's time on the wire, all its hops together, is bounded by the sum
// of its phase limits: a peer that keeps a byte moving now and then ends like
// one that stalls. Without a limit for every phase there is none in all.
long long DeadlineMs(const PhaseTimeouts& limits) {
    if (limits.resolveMs <= 0 || limits.connectMs <= 0 || limits.sendMs <= 0 ||
        limits.receiveMs <= 0) {
        return 0;
    }
    return static_cast<long long>(limits.resolveMs) + limits.connectMs + limits.sendMs +
           limits.receiveMs;
}

// The host as the user may read it: a page chose it, so nothing but printable
// ASCII reaches the terminal.
std::string Printable(std::string_view text) {
    std::string out;
    for (const char c : text) {
        out += c > 0x20 && c < 0x7F ? c : '?';
    }
    return out;
}

void WarnRefused(const std::string& url, const std::vector<std::string>& addresses) {
    std::string host = url;
    char* name = nullptr;
    if (CURLU* parsed = curl_url()) {
        if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
            curl_url_get(parsed, CURLUPART_HOST, &name, 0) == CURLUE_OK) {
            host = name;
            curl_free(name);
        }
        curl_url_cleanup(parsed);
    }
    std::string list;
    for (const std::string& address : addresses) {
        if (list.find(address) == std::string::npos) {
            list += (list.empty() ? "" : ", ") + address;
        }
    }
    std::fprintf(stderr,
                 "%s: refused to connect to %s (%s): not a public address "
                 "(--allow-private-network allows it)\n",
                 program_invocation_short_name, Printable(host).c_str(), list.c_str());
}

WireResponse Failed(TransferFailure failure) {
    WireResponse response;
    response.failure = failure;
    return response;
}

// An address that names http or https and is still refused was cut badly
// or on purpose; anything else names no page at all, and nothing was asked.
TransferFailure RefusedAddress(std::string_view url) {
    while (!url.empty() && static_cast<unsigned char>(url.front()) <= 0x20) {
        url.remove_prefix(1);
    }
    for (const std::string_view scheme : {"http://", "https://"}) {
        if (url.size() >= scheme.size() &&
            EqualsAsciiNoCase(url.substr(0, scheme.size()), scheme)) {
            return TransferFailure::kUnsafeAddress;
        }
    }
    return TransferFailure::kNoAddress;
}

// What curl's end of a hop says about the missing answer.
TransferFailure FailureOf(CURLcode code, bool cancelled) {
    switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return TransferFailure::kHostNotFound;
        case CURLE_COULDNT_CONNECT:
            return TransferFailure::kConnectionRefused;
        case CURLE_OPERATION_TIMEDOUT:
            return TransferFailure::kTimeOut;
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
            return TransferFailure::kReset;
        case CURLE_UNSUPPORTED_PROTOCOL:
            return TransferFailure::kRedirectRefused;
        case CURLE_ABORTED_BY_CALLBACK:
            return cancelled ? TransferFailure::kCancelled : TransferFailure::kOther;
        default:
            return TransferFailure::kOther;
    }
}

// The value of the head's Retry-After line, blanks in front removed.
std::string RetryAfterIn(const std::vector<std::string>& headerLines) {
    constexpr std::string_view kName = "Retry-After:";
    for (const std::string& line : headerLines) {
        if (line.size() >= kName.size() &&
            EqualsAsciiNoCase(std::string_view(line).substr(0, kName.size()), kName)) {
            const std::size_t start = line.find_first_not_of(" \t", kName.size());
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return {};
}

struct MultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
using Multi = std::unique_ptr<CURLM, MultiDeleter>;

// Live engines, so that a cancel reaches the one that drives the group.
std::mutex& EnginesMutex() {
    static std::mutex mutex;
    return mutex;
}
std::set<TransferEngine*>& Engines() {
    static std::set<TransferEngine*> engines;
    return engines;
}

}  // namespace

// The hop on the wire, with everything curl points into while it runs.
struct ActiveHop {
    transfer::Hop hop;
    transfer::SocketBook sockets;
    transfer::HeaderList headers;
    transfer::Easy easy;
};

struct TransferState {
    // Set before the engine sees the transfer; read-only afterwards.
    WireRequest request;
    std::shared_ptr<TransferGroup> group;
    TransferPriority priority;
    std::uint64_t serial = 0;  // start order, among equal priorities

    // The engine thread's alone.
    std::string url;
    std::string host;
    bool secure = false;  // the address names https (under connect-to the wire is plain)
    bool guarded = false;
    long long deadlineMs = 0;
    Clock::duration onWire{};  // the hops that have ended
    std::string method;
    bool sendsBody = false;
    int redirects = 0;
    std::vector<std::string> redirectUrls;
    std::string retryAfter;
    transfer::HeaderList connectTo;
    std::unique_ptr<ActiveHop> active;

    // Under the engine's mutex.
    bool hurried = false;

    // Under `mutex`.
    mutable std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    WireResponse response;
};

void TransferGroup::Cancel() {
    if (cancelled_.exchange(true)) {
        return;
    }
    { std::lock_guard lock(mutex_); }
    changed_.notify_all();
    std::lock_guard lock(EnginesMutex());
    for (TransferEngine* engine : Engines()) {
        engine->Wake();
    }
}

int TransferGroup::Ended() const {
    std::lock_guard lock(mutex_);
    return ended_;
}

int TransferGroup::WaitForMoreThan(int ended) const {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return ended_ > ended || cancelled_.load(); });
    return ended_;
}

void TransferGroup::NoteEnded() {
    {
        std::lock_guard lock(mutex_);
        ++ended_;
    }
    changed_.notify_all();
}

bool PendingTransfer::Ended() const {
    std::lock_guard lock(state_->mutex);
    return state_->done;
}

WireResponse PendingTransfer::Take() {
    std::unique_lock lock(state_->mutex);
    state_->ended.wait(lock, [this] { return state_->done; });
    return std::move(state_->response);
}

const WireResponse& PendingTransfer::Answer() const {
    std::lock_guard lock(state_->mutex);
    return state_->response;
}

struct TransferEngine::Impl {
    Impl() : multi(curl_multi_init()) {}

    // Anyone's, under mutex.
    std::mutex mutex;
    std::vector<std::shared_ptr<TransferState>> arriving;
    bool stopping = false;
    std::uint64_t serials = 0;
    std::atomic<long long> paceMs{0};

    // The engine thread's alone.
    Multi multi;
    struct HostLine {
        int open = 0;
        std::vector<std::shared_ptr<TransferState>> waiting;
        std::optional<Clock::time_point> lastStart;
    };
    std::map<std::string, HostLine> hosts;
    std::map<CURL*, std::shared_ptr<TransferState>> running;
    // What a hop without a body points at. A member, not a static of the
    // function: a static made on this thread would be destroyed at exit before
    // the engine, while this thread still runs.
    const ByteBuffer noBody;
    std::thread thread;

    void Run();
    void Admit();
    // When the host may start its next transfer under the pace; nothing when now.
    std::optional<Clock::time_point> PacedUntil(const HostLine& line, Clock::time_point now) const;
    bool Startable(const HostLine& line, Clock::time_point now) const;
    // Starts what may start; lowers waitMs to the next start the pace holds back.
    void StartWaiting(int& waitMs);
    bool StartHop(const std::shared_ptr<TransferState>& t);
    void EndHop(const std::shared_ptr<TransferState>& t);
    void Finish(const std::shared_ptr<TransferState>& t, WireResponse response);
    void DropCancelled();
    void ReadDone();
    void AfterHop(const std::shared_ptr<TransferState>& t, CURLcode code);
    void CheckLimits(Clock::time_point now, int& waitMs);
    void Wait(int waitMs);
};

TransferEngine& TransferEngine::Shared() {
    static TransferEngine engine;
    return engine;
}

TransferEngine::TransferEngine() : impl_(std::make_unique<Impl>()) {
    InitCurlOnce();
    impl_->thread = std::thread([this] {
        // Named for top -H, a debugger and the benchmarks' CPU accounts.
        pthread_setname_np(pthread_self(), "kestrova-net");
        impl_->Run();
    });
    std::lock_guard lock(EnginesMutex());
    Engines().insert(this);
}

TransferEngine::~TransferEngine() {
    {
        std::lock_guard lock(EnginesMutex());
        Engines().erase(this);
    }
    {
        std::lock_guard lock(impl_->mutex);
        impl_->stopping = true;
    }
    Wake();
    impl_->thread.join();
}

void TransferEngine::SetPace(std::chrono::milliseconds pace) {
    impl_->paceMs = std::max<long long>(pace.count(), 0);
    Wake();
}

void TransferEngine::Wake() {
    if (impl_->multi) {
        curl_multi_wakeup(impl_->multi.get());
    }
}

PendingTransfer TransferEngine::Start(const WireRequest& request,
                                      std::shared_ptr<TransferGroup> group,
                                      TransferPriority priority) {
    auto t = std::make_shared<TransferState>();
    t->request = request;
    t->group = std::move(group);
    t->priority = priority;

    const auto endNow = [&t](TransferFailure failure) {
        t->response.failure = failure;
        t->done = true;
        if (t->group) {
            t->group->NoteEnded();
        }
        return PendingTransfer(t);
    };
    if (t->group && t->group->Cancelled()) {
        return endNow(TransferFailure::kCancelled);
    }
    const std::optional<ConnectTarget> target = ConnectTo();
    if (target && !transfer::Append(t->connectTo, transfer::ConnectToEntry(*target))) {
        return endNow(TransferFailure::kOther);
    }
    std::optional<transfer::FetchableAddress> address =
        transfer::Fetchable(request.url, target.has_value());
    t->method = request.method.empty() ? "GET" : request.method;
    if (!address) {
        return endNow(RefusedAddress(request.url));
    }
    if (!transfer::IsToken(t->method) || !impl_->multi) {
        return endNow(TransferFailure::kOther);
    }
    t->url = std::move(address->url);
    t->host = std::move(address->host);
    t->secure = address->secure;
    t->guarded = NetworkGuardInForce();
    t->deadlineMs = DeadlineMs(request.timeouts);
    t->sendsBody = request.sendBody || !request.body.empty();
    {
        std::lock_guard lock(impl_->mutex);
        t->serial = ++impl_->serials;
        impl_->arriving.push_back(t);
    }
    Wake();
    return PendingTransfer(t);
}

void TransferEngine::Hurry(const PendingTransfer& transfer) {
    {
        std::lock_guard lock(impl_->mutex);
        if (transfer.state_->hurried) {
            return;
        }
        transfer.state_->hurried = true;
    }
    Wake();
}

// Transfers handed over since the last turn join their host's line.
void TransferEngine::Impl::Admit() {
    std::vector<std::shared_ptr<TransferState>> taken;
    {
        std::lock_guard lock(mutex);
        taken.swap(arriving);
    }
    for (auto& t : taken) {
        hosts[t->host].waiting.push_back(std::move(t));
    }
}

std::optional<Clock::time_point> TransferEngine::Impl::PacedUntil(const HostLine& line,
                                                                  Clock::time_point now) const {
    const long long pace = paceMs.load();
    if (pace <= 0 || !line.lastStart) {
        return std::nullopt;
    }
    const Clock::time_point next = *line.lastStart + std::chrono::milliseconds(pace);
    return next > now ? std::optional<Clock::time_point>(next) : std::nullopt;
}

bool TransferEngine::Impl::Startable(const HostLine& line, Clock::time_point now) const {
    return !line.waiting.empty() && line.open < kMaxConnectionsPerHost && !PacedUntil(line, now);
}

// Every host with room starts its first waiting transfers: the hurried ones,
// then by priority, then in the order they came; under a pace, one at a time.
void TransferEngine::Impl::StartWaiting(int& waitMs) {
    for (auto& [host, line] : hosts) {
        while (line.open < kMaxConnectionsPerHost && !line.waiting.empty()) {
            const Clock::time_point now = Clock::now();
            if (const auto until = PacedUntil(line, now)) {
                const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*until - now).count();
                waitMs = static_cast<int>(std::min<long long>(waitMs, std::max<long long>(ms, 1)));
                break;
            }
            std::vector<std::shared_ptr<TransferState>>::iterator first;
            {
                std::lock_guard lock(mutex);
                first = std::min_element(line.waiting.begin(), line.waiting.end(),
                                         [](const auto& a, const auto& b) {
                                             if (a->hurried != b->hurried) {
                                                 return a->hurried;
                                             }
                                             if (a->priority != b->priority) {
                                                 return a->priority < b->priority;
                                             }
                                             return a->serial < b->serial;
                                         });
            }
            std::shared_ptr<TransferState> t = std::move(*first);
            line.waiting.erase(first);
            line.lastStart = now;
            if (StartHop(t)) {
                ++line.open;
            }
        }
    }
}

bool TransferEngine::Impl::StartHop(const std::shared_ptr<TransferState>& t) {
    const bool sendsBody = t->sendsBody;
    std::optional<transfer::HeaderList> headers = transfer::BuildHeaderList(t->request, sendsBody);
    auto active = std::make_unique<ActiveHop>();
    active->easy.reset(curl_easy_init());
    if (!headers || !active->easy) {
        Finish(t, Failed(TransferFailure::kOther));
        return false;
    }
    active->headers = std::move(*headers);
    transfer::Hop& hop = active->hop;
    hop.url = t->url;
    hop.method = t->method;
    hop.sendsBody = sendsBody;
    hop.maxBodyBytes = t->request.maxBodyBytes;
    hop.body = sendsBody ? &t->request.body : &noBody;
    hop.cancelled = t->group ? &t->group->CancelFlag() : nullptr;
    active->sockets.guarded = t->guarded;
    if (!transfer::Configure(active->easy.get(), hop, active->sockets, t->request.timeouts,
                             active->headers.get(), t->connectTo.get()) ||
        curl_multi_add_handle(multi.get(), active->easy.get()) != CURLM_OK) {
        Finish(t, Failed(TransferFailure::kOther));
        return false;
    }
    running.emplace(active->easy.get(), t);
    t->active = std::move(active);
    return true;
}

// The hop leaves the wire and gives its host's place back. The socket book
// outlives the removal: curl closes the sockets through its callback.
void TransferEngine::Impl::EndHop(const std::shared_ptr<TransferState>& t) {
    if (!t->active) {
        return;
    }
    CURL* easy = t->active->easy.get();
    t->onWire += Clock::now() - t->active->hop.started;
    curl_multi_remove_handle(multi.get(), easy);
    running.erase(easy);
    t->active->easy.reset();
    t->active.reset();
    auto line = hosts.find(t->host);
    if (line != hosts.end()) {
        --line->second.open;
    }
}

void TransferEngine::Impl::Finish(const std::shared_ptr<TransferState>& t, WireResponse response) {
    EndHop(t);
    response.redirects = std::move(t->redirectUrls);
    response.retryAfter = std::move(t->retryAfter);
    {
        std::lock_guard lock(t->mutex);
        t->response = std::move(response);
        t->done = true;
    }
    // Counted before its waiter wakes: whoever takes the answer finds the
    // group's count up to date.
    if (t->group) {
        t->group->NoteEnded();
    }
    t->ended.notify_all();
}

void TransferEngine::Impl::DropCancelled() {
    std::vector<std::shared_ptr<TransferState>> cancelled;
    for (auto& [host, line] : hosts) {
        auto keep = std::stable_partition(
            line.waiting.begin(), line.waiting.end(),
            [](const auto& t) { return !(t->group && t->group->Cancelled()); });
        std::move(keep, line.waiting.end(), std::back_inserter(cancelled));
        line.waiting.erase(keep, line.waiting.end());
    }
    for (const auto& [easy, t] : running) {
        if (t->group && t->group->Cancelled()) {
            cancelled.push_back(t);
        }
    }
    for (const auto& t : cancelled) {
        Finish(t, Failed(TransferFailure::kCancelled));
    }
}

// A hop that has ended: the answer, the next hop of a redirect, or nothing.
void TransferEngine::Impl::AfterHop(const std::shared_ptr<TransferState>& t, CURLcode code) {
    transfer::Hop& hop = t->active->hop;
    // A body cut at its cap keeps what arrived. An answer that took more from
    // the wire than its cap allows is dropped: how much of its body had come
    // by then would depend on how the reads fell.
    const bool cut = hop.bodyCut && code == CURLE_WRITE_ERROR;
    if (hop.wireCut || (code != CURLE_OK && !cut)) {
        TransferFailure failure = TransferFailure::kOther;
        if (hop.wireCut) {
            failure = TransferFailure::kWireCap;
        } else if (!t->active->sockets.refused.empty()) {
            WarnRefused(hop.url, t->active->sockets.refused);
            failure = TransferFailure::kNotPublic;
        } else {
            failure = FailureOf(code, t->group && t->group->Cancelled());
        }
        Finish(t, Failed(failure));
        return;
    }
    if (std::string retryAfter = RetryAfterIn(hop.headerLines); !retryAfter.empty()) {
        t->retryAfter = std::move(retryAfter);
    }
    CURL* easy = t->active->easy.get();
    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    std::string redirectUrl;
    char* location = nullptr;
    if (curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location) == CURLE_OK && location) {
        redirectUrl = location;
    }
    const int code3 = static_cast<int>(status);
    if (t->request.followRedirects && transfer::IsFollowedRedirect(code3) && hop.sawLocation) {
        // Too many hops, or a hop to anything but http(s), fails the way an
        // unreachable host does.
        if (t->redirects >= kMaxRedirects) {
            Finish(t, Failed(TransferFailure::kTooManyRedirects));
            return;
        }
        std::optional<transfer::FetchableAddress> next =
            transfer::Fetchable(redirectUrl, t->connectTo != nullptr);
        if (!next) {
            Finish(t, Failed(TransferFailure::kRedirectRefused));
            return;
        }
        // A Location without a scheme keeps the one the address names; one
        // that leaves https for plain http would hand the rest of the
        // exchange to anyone on the way, and is refused.
        const std::optional<std::string> scheme =
            transfer::SchemeOf(transfer::LocationValue(hop.headerLines));
        const bool secure = scheme ? EqualsAsciiNoCase(*scheme, "https") : t->secure;
        if (t->secure && !secure) {
            Finish(t, Failed(TransferFailure::kRedirectRefused));
            return;
        }
        t->secure = secure;
        // 303 always, and 301/302 after a POST, continue as a GET without body.
        if ((code3 == 303 && t->method != "HEAD") ||
            ((code3 == 301 || code3 == 302) && t->method == "POST")) {
            t->method = "GET";
            t->sendsBody = false;
        }
        ++t->redirects;
        EndHop(t);
        t->url = std::move(next->url);
        t->redirectUrls.push_back(t->url);
        t->host = std::move(next->host);
        hosts[t->host].waiting.push_back(t);
        return;
    }

    WireResponse response;
    response.body = std::move(hop.received);
    response.status = code3;
    response.bodyCut = cut;
    for (std::size_t i = 0; i < hop.headerLines.size(); ++i) {
        if (i > 0) {
            response.headerText += "\r\n";
        }
        response.headerText += hop.headerLines[i];
    }
    Finish(t, std::move(response));
}

void TransferEngine::Impl::ReadDone() {
    int pending = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &pending)) {
        if (message->msg != CURLMSG_DONE) {
            continue;
        }
        auto found = running.find(message->easy_handle);
        if (found == running.end()) {
            continue;
        }
        const std::shared_ptr<TransferState> t = found->second;
        AfterHop(t, message->data.result);
    }
}

// The limits: curl's own for resolve+connect (the name lookup included);
// then the send limit while request bytes are still going out, the receive
// limit afterwards, both measured from the last byte that moved; and over all
// of them the transfer's deadline. Lowers waitMs to the next limit due.
void TransferEngine::Impl::CheckLimits(Clock::time_point now, int& waitMs) {
    std::vector<std::shared_ptr<TransferState>> expired;
    for (const auto& [easy, t] : running) {
        transfer::Hop& hop = t->active->hop;
        hop.NoteHeadSent(easy);
        const PhaseTimeouts& limits = t->request.timeouts;
        const int connectMs = std::max(limits.resolveMs, limits.connectMs);
        int limitMs = 0;
        Clock::time_point since = hop.lastActivity;
        if (!hop.headSent) {
            limitMs = connectMs > 0 ? connectMs + transfer::kConnectGuardMarginMs : 0;
            since = hop.started;
        } else if (hop.SendingBody()) {
            limitMs = limits.sendMs;
        } else {
            limitMs = limits.receiveMs;
        }
        if (t->deadlineMs > 0) {
            const long long onWireMs =
                std::chrono::duration_cast<std::chrono::milliseconds>(t->onWire).count() +
                MillisecondsSince(hop.started, now);
            if (onWireMs >= t->deadlineMs) {
                expired.push_back(t);
                continue;
            }
            waitMs = static_cast<int>(std::min<long long>(waitMs, t->deadlineMs - onWireMs));
        }
        if (limitMs <= 0) {
            continue;
        }
        const int elapsed = MillisecondsSince(since, now);
        if (elapsed >= limitMs) {
            expired.push_back(t);
        } else {
            waitMs = std::min(waitMs, limitMs - elapsed);
        }
    }
    for (const auto& t : expired) {
        Finish(t, Failed(TransferFailure::kTimeOut));
    }
}

// While waiting for a response, a readable socket means bytes arrived, even
// when they do not finish a header line yet.
void TransferEngine::Impl::Wait(int waitMs) {
    std::vector<curl_waitfd> watch;
    std::vector<transfer::Hop*> owners;
    for (const auto& [easy, t] : running) {
        transfer::Hop& hop = t->active->hop;
        if (!hop.headSent || hop.SendingBody()) {
            continue;
        }
        for (curl_socket_t fd : t->active->sockets.open) {
            watch.push_back(curl_waitfd{fd, CURL_WAIT_POLLIN, 0});
            owners.push_back(&hop);
        }
    }
    if (curl_multi_poll(multi.get(), watch.data(), static_cast<unsigned>(watch.size()),
                        std::max(waitMs, 1), nullptr) != CURLM_OK) {
        return;
    }
    for (std::size_t i = 0; i < watch.size(); ++i) {
        if (watch[i].revents != 0) {
            owners[i]->Touch();
        }
    }
}

void TransferEngine::Impl::Run() {
    for (;;) {
        Admit();
        {
            std::lock_guard lock(mutex);
            if (stopping) {
                break;
            }
        }
        DropCancelled();
        int paceWaitMs = kIdleWaitMs;
        StartWaiting(paceWaitMs);
        if (!running.empty()) {
            int stillRunning = 0;
            curl_multi_perform(multi.get(), &stillRunning);
            ReadDone();
        }
        int waitMs = std::min(running.empty() ? kIdleWaitMs : kMaxWaitMs, paceWaitMs);
        const Clock::time_point now = Clock::now();
        CheckLimits(now, waitMs);
        // A redirect hop that joined its host's line since: it waits for the
        // pace, not for the next wake-up.
        for (const auto& [host, line] : hosts) {
            if (line.waiting.empty() || line.open >= kMaxConnectionsPerHost) {
                continue;
            }
            if (const auto until = PacedUntil(line, now)) {
                const auto ms = std::chrono::ceil<std::chrono::milliseconds>(*until - now).count();
                waitMs = static_cast<int>(std::min<long long>(waitMs, std::max<long long>(ms, 1)));
            }
        }
        // A redirect's next hop, or a place a finished or expired hop gave
        // back: start it now rather than after the wait.
        const bool startable =
            std::any_of(hosts.begin(), hosts.end(),
                        [this, now](const auto& entry) { return Startable(entry.second, now); });
        if (!startable) {
            Wait(waitMs);
        }
    }
    // The program ends: nothing more goes out, and whoever still waits hears so.
    std::vector<std::shared_ptr<TransferState>> left;
    for (auto& [host, line] : hosts) {
        std::move(line.waiting.begin(), line.waiting.end(), std::back_inserter(left));
        line.waiting.clear();
    }
    for (const auto& [easy, t] : running) {
        left.push_back(t);
    }
    for (const auto& t : left) {
        Finish(t, Failed(TransferFailure::kCancelled));
    }
}

}  // namespace kestrova
