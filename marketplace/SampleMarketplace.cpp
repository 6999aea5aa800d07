#include "marketplace/SampleMarketplace.h"

#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "marketplace/Router.h"

namespace kestrova {

namespace {

// A marketplace answers many visitors at once; with every answer held back by
// the latency, a small pool would queue a fast lookup's or a batch's requests
// behind each other and time the server instead of the client.
constexpr std::size_t kServerThreads = 64;
constexpr int kListenBacklog = 512;

}  // namespace

struct SampleMarketplace::Impl {
    explicit Impl(int latency) : latencyMs(latency) {}

    void Handle(const httplib::Request& req, httplib::Response& res) {
        LoggedRequest logged{
            req.get_header_value("Host"), req.target, {}, std::chrono::steady_clock::now()};
        for (const auto& [name, value] : req.headers) {
            // The server library adds these itself; they are not on the wire.
            if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" ||
                name == "LOCAL_PORT") {
                continue;
            }
            logged.headers.emplace_back(name, value);
        }
        {
            std::lock_guard lock(logMutex);
            log.push_back(std::move(logged));
        }
        if (latencyMs > 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(latencyMs));
        }
        marketplace::MarketRequest request{req.get_header_value("Host"), req.path, {}};
        for (const auto& [key, value] : req.params) {
            request.params.emplace(key, value);
        }
        const marketplace::MarketAnswer answer =
            marketplace::Answer(request, std::chrono::system_clock::now(), moment.load());
        const bool html = answer.contentType.rfind("text/html", 0) == 0;
        if (const auto refusal = refusals.Decide(req.get_header_value("Host"), req.target, html,
                                                 std::chrono::steady_clock::now())) {
            Refuse(*refusal, answer, res);
            return;
        }
        res.status = answer.status;
        if (!answer.body.empty()) {
            res.set_content(answer.body, answer.contentType.c_str());
        }
    }

    static void Refuse(const marketplace::Refusal& refusal, const marketplace::MarketAnswer& answer,
                       httplib::Response& res) {
        using Kind = marketplace::Refusal::Kind;
        switch (refusal.kind) {
            case Kind::kVerificationRedirect:
                res.status = 302;
                res.set_header("Location", refusal.location);
                res.set_content("", "text/html; charset=GBK");
                return;
            case Kind::kTooManyRequests:
                res.status = 429;
                res.set_header("Retry-After", std::to_string(refusal.retryAfterSeconds));
                res.set_content("Too Many Requests", "text/plain");
                return;
            case Kind::kUnavailable:
                res.status = 503;
                res.set_content("Service Unavailable", "text/plain");
                return;
            case Kind::kDropped:
                // The head goes out, then the connection drops before the body.
                res.status = 200;
                res.set_content_provider(
                    answer.body.size() + 1,
                    answer.contentType.empty() ? "text/plain" : answer.contentType.c_str(),
                    [](std::size_t, std::size_t, httplib::DataSink&) { return false; });
                return;
        }
    }

    const int latencyMs;
    marketplace::RefusalModes refusals;
    std::atomic<MarketMoment> moment{MarketMoment::kFirst};
    httplib::Server server;
    std::thread thread;
    int port = -1;
    socket_t listenSocket = INVALID_SOCKET;
    mutable std::mutex stateMutex;

    mutable std::mutex logMutex;
    std::vector<LoggedRequest> log;
};

SampleMarketplace::SampleMarketplace(int latencyMs) : impl_(std::make_unique<Impl>(latencyMs)) {
    // The library's default also sets SO_REUSEPORT, which would let a second
    // marketplace bind a port that one already serves on.
    impl_->server.set_socket_options([this](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        impl_->listenSocket = sock;
    });
    impl_->server.new_task_queue = [] { return new httplib::ThreadPool(kServerThreads); };
    impl_->server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        impl_->Handle(req, res);
    });
}

SampleMarketplace::~SampleMarketplace() {
    Stop();
}

int SampleMarketplace::Start(int port) {
    std::lock_guard lock(impl_->stateMutex);
    if (impl_->port != -1) {
        return -1;
    }
    int bound = -1;
    if (port == 0) {
        bound = impl_->server.bind_to_any_port("127.0.0.1");
    } else if (impl_->server.bind_to_port("127.0.0.1", port)) {
        bound = port;
    }
    if (bound <= 0) {
        return -1;
    }
    // The library listens with a backlog of 5: a fast lookup or a batch opens
    // more connections at once, and every one the kernel drops costs its
    // client a second. Listening again only lengthens the queue.
    if (impl_->listenSocket != INVALID_SOCKET) {
        ::listen(impl_->listenSocket, kListenBacklog);
    }
    impl_->port = bound;
    // The socket listens from here on: connections wait in its backlog until
    // the server thread accepts them.
    impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
    // Stop only reaches a server that has begun its accept loop.
    while (!impl_->server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return bound;
}

void SampleMarketplace::Stop() {
    std::lock_guard lock(impl_->stateMutex);
    if (impl_->port == -1) {
        return;
    }
    impl_->server.stop();
    if (impl_->thread.joinable()) {
        impl_->thread.join();
    }
    impl_->port = -1;
}

int SampleMarketplace::Port() const {
    std::lock_guard lock(impl_->stateMutex);
    return impl_->port;
}

void SampleMarketplace::SetRefusals(const marketplace::RefusalSettings& settings) {
    impl_->refusals.Reset(settings);
}

int SampleMarketplace::Refused() const {
    return impl_->refusals.Refused();
}

void SampleMarketplace::SetMoment(MarketMoment moment) {
    impl_->moment = moment;
}

MarketMoment SampleMarketplace::Moment() const {
    return impl_->moment;
}

std::vector<LoggedRequest> SampleMarketplace::Requests() const {
    std::lock_guard lock(impl_->logMutex);
    return impl_->log;
}

void SampleMarketplace::ClearRequests() {
    std::lock_guard lock(impl_->logMutex);
    impl_->log.clear();
}

}  // namespace kestrova
