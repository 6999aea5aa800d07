#include "tests/support/HostileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace kestrova::hostile {
namespace {

bool SendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::string Head(int status, const std::string& contentType, std::optional<std::size_t> length,
                 const std::string& extraHeaders = {}) {
    std::string head = "HTTP/1.1 " + std::to_string(status) + " Whatever\r\n" + extraHeaders;
    if (!contentType.empty()) {
        head += "Content-Type: " + contentType + "\r\n";
    }
    if (length) {
        head += "Content-Length: " + std::to_string(*length) + "\r\n";
    }
    return head + "Connection: close\r\n\r\n";
}

std::string HeaderValue(const std::string& head, const std::string& name) {
    std::size_t at = head.find("\r\n");
    while (at != std::string::npos && at + 2 < head.size()) {
        const std::size_t end = head.find("\r\n", at + 2);
        const std::string line = head.substr(at + 2, end - at - 2);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos && colon == name.size() &&
            std::equal(name.begin(), name.end(), line.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) ==
                       std::tolower(static_cast<unsigned char>(b));
            })) {
            std::string value = line.substr(colon + 1);
            value.erase(0, value.find_first_not_of(' '));
            return value;
        }
        at = end;
    }
    return {};
}

// Host names are the same whatever their letter case.
std::string HostKey(std::string host) {
    std::transform(host.begin(), host.end(), host.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return host;
}

}  // namespace

Reply Reply::Answer(int status, std::string body, std::string contentType) {
    Reply r;
    r.status = status;
    r.body = std::move(body);
    r.contentType = std::move(contentType);
    return r;
}

Reply Reply::Raw(std::string bytes) {
    Reply r;
    r.kind = Kind::Raw;
    r.body = std::move(bytes);
    return r;
}

Reply Reply::Stall(std::string bytes) {
    Reply r = Raw(std::move(bytes));
    r.holdOpen = true;
    return r;
}

Reply Reply::Silent() {
    Reply r;
    r.kind = Kind::Silent;
    return r;
}

Reply Reply::Trickle(std::string body, int pieces, int gapMs) {
    Reply r;
    r.kind = Kind::Trickle;
    r.body = std::move(body);
    r.pieces = pieces;
    r.gapMs = gapMs;
    return r;
}

Reply Reply::Endless(std::string unit) {
    Reply r;
    r.kind = Kind::Endless;
    r.unit = std::move(unit);
    return r;
}

Reply Reply::EndlessHeaders(std::string unit) {
    Reply r = Endless(std::move(unit));
    r.head = "HTTP/1.1 200 OK\r\n";
    return r;
}

Reply Reply::EndlessChunks(std::string piece, std::size_t extensionBytes) {
    char size[32];
    std::snprintf(size, sizeof size, "%zx", piece.size());
    Reply r = Endless(size + (";" + std::string(extensionBytes, 'e')) + "\r\n" + piece + "\r\n");
    r.bodyUnit = std::move(piece);
    r.head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n";
    return r;
}

Reply Reply::EndlessTrickle(std::string unit, int gapMs) {
    Reply r = Endless(std::move(unit));
    r.gapMs = gapMs;
    return r;
}

Reply Reply::RedirectToItself(const SeenRequest& request) {
    return Raw("HTTP/1.1 302 Found\r\nLocation: http://" + request.host + request.target +
               "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
}

HostileServer::HostileServer() : HostileServer("127.0.0.1", 0) {}

HostileServer::HostileServer(const std::string& ipv4, int port) {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        throw std::runtime_error("socket");
    }
    const int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    socklen_t length = sizeof address;
    if (::inet_pton(AF_INET, ipv4.c_str(), &address.sin_addr) != 1 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 64) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("bind/listen");
    }
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

HostileServer::~HostileServer() {
    stopping_ = true;
    ::shutdown(listenFd_, SHUT_RDWR);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (int fd : openFds_) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    acceptor_.join();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    ::close(listenFd_);
}

void HostileServer::SetMisbehaviour(Misbehaviour misbehaviour) {
    std::lock_guard<std::mutex> lock(mutex_);
    misbehaviour_ = std::move(misbehaviour);
}

std::vector<SeenRequest> HostileServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void HostileServer::ClearRequests() {
    std::lock_guard<std::mutex> lock(mutex_);
    requests_.clear();
    mostByHost_ = openByHost_;
}

void HostileServer::AnswerInReverseOrder(int quietMs, int gapMs) {
    std::lock_guard<std::mutex> lock(holdMutex_);
    reverseQuietMs_ = quietMs;
    reverseGapMs_ = gapMs;
}

int HostileServer::MostAtOnce(const std::string& host) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = mostByHost_.find(HostKey(host));
    return found == mostByHost_.end() ? 0 : found->second;
}

void HostileServer::HoldForReverseOrder() {
    using Clock = std::chrono::steady_clock;
    std::unique_lock<std::mutex> lock(holdMutex_);
    if (reverseQuietMs_ <= 0) {
        return;
    }
    const std::uint64_t me = ++holdSerial_;
    held_.push_back(me);
    lastArrival_ = Clock::now();
    holdChanged_.notify_all();
    for (;;) {
        const Clock::time_point quietFrom =
            lastArrival_ + std::chrono::milliseconds(reverseQuietMs_);
        const Clock::time_point gapFrom = lastRelease_ + std::chrono::milliseconds(reverseGapMs_);
        const Clock::time_point now = Clock::now();
        if (stopping_ || (held_.back() == me && now >= quietFrom && now >= gapFrom)) {
            break;
        }
        holdChanged_.wait_until(
            lock, std::min(std::max(quietFrom, gapFrom), now + std::chrono::milliseconds(10)));
    }
    held_.erase(std::find(held_.begin(), held_.end(), me));
    lastRelease_ = Clock::now();
    holdChanged_.notify_all();
}

bool HostileServer::Sent(const std::string& bytes) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (bodies_.count(bytes) > 0) {
        return true;
    }
    for (const std::string& unit : endlessUnits_) {
        bool repeats = !unit.empty();
        for (std::size_t i = 0; repeats && i < bytes.size(); i += unit.size()) {
            repeats = bytes.compare(i, std::min(unit.size(), bytes.size() - i), unit, 0,
                                    std::min(unit.size(), bytes.size() - i)) == 0;
        }
        if (repeats) {
            return true;
        }
    }
    return false;
}

void HostileServer::RecordBody(const std::string& body) {
    std::lock_guard<std::mutex> lock(mutex_);
    bodies_.insert(body);
}

bool HostileServer::Pause(int ms) const {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!stopping_ && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return !stopping_;
}

void HostileServer::AcceptLoop() {
    while (!stopping_) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (stopping_) {
                return;
            }
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        openFds_.push_back(fd);
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

void HostileServer::Serve(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < (1u << 16) && !stopping_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) {
            continue;
        }
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            break;
        }
        head.append(buffer, static_cast<std::size_t>(n));
    }
    SeenRequest request;
    const std::size_t lineEnd = head.find("\r\n");
    const std::string line = head.substr(0, lineEnd);
    const std::size_t space1 = line.find(' ');
    const std::size_t space2 = line.rfind(' ');
    if (lineEnd == std::string::npos || space1 == std::string::npos || space2 <= space1 ||
        line.compare(space2 + 1, 5, "HTTP/") != 0) {
        ++withoutRequest_;
    } else {
        request.method = line.substr(0, space1);
        request.target = line.substr(space1 + 1, space2 - space1 - 1);
        request.host = HeaderValue(head, "Host");
        const std::size_t headEnd = head.find("\r\n\r\n");
        request.head = headEnd == std::string::npos ? head : head.substr(0, headEnd + 4);
        request.at = std::chrono::steady_clock::now();
        Classify(request);
        Misbehaviour misbehaviour;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
            misbehaviour = misbehaviour_;
            const int open = ++openByHost_[HostKey(request.host)];
            mostByHost_[HostKey(request.host)] = std::max(mostByHost_[HostKey(request.host)], open);
        }
        const marketplace::MarketAnswer real = marketplace::Answer(
            marketplace::MarketRequest{request.host, request.path, request.params},
            std::chrono::system_clock::now());
        std::optional<Reply> reply;
        if (misbehaviour) {
            reply = misbehaviour(request, real);
        }
        HoldForReverseOrder();
        if (answerDelayMs_ > 0) {
            Pause(answerDelayMs_);
        }
        // Counted until the answer goes out: up to here the client's connection
        // is surely open, whatever it does once it has its answer.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --openByHost_[HostKey(request.host)];
        }
        Perform(fd, request,
                reply ? *reply : Reply::Answer(real.status, real.body, real.contentType));
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    }
    ::shutdown(fd, SHUT_WR);
    ::close(fd);
}

void HostileServer::Perform(int fd, const SeenRequest&, const Reply& reply) {
    switch (reply.kind) {
        case Reply::Kind::Answer:
            RecordBody(reply.body);
            SendAll(fd,
                    Head(reply.status, reply.contentType, reply.body.size(), reply.extraHeaders) +
                        reply.body);
            return;
        case Reply::Kind::Raw:
            RecordBody(reply.body);
            if (!SendAll(fd, reply.body) || !reply.holdOpen) {
                return;
            }
            [[fallthrough]];
        case Reply::Kind::Silent:
            // Until the client hangs up (or the server stops).
            while (!stopping_) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 100) > 0) {
                    char byte;
                    if (::recv(fd, &byte, 1, 0) <= 0) {
                        return;
                    }
                }
            }
            return;
        case Reply::Kind::Trickle: {
            RecordBody(reply.body);
            if (!SendAll(fd, Head(reply.status, reply.contentType, reply.body.size()))) {
                return;
            }
            const std::size_t pieces = static_cast<std::size_t>(std::max(reply.pieces, 1));
            const std::size_t each = (reply.body.size() + pieces - 1) / pieces;
            for (std::size_t at = 0; at < reply.body.size(); at += each) {
                if (!Pause(reply.gapMs) ||
                    !SendAll(fd, std::string_view(reply.body).substr(at, each))) {
                    return;
                }
            }
            return;
        }
        case Reply::Kind::Endless: {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                endlessUnits_.push_back(reply.bodyUnit.empty() ? reply.unit : reply.bodyUnit);
            }
            if (!SendAll(fd, reply.head.empty() ? Head(200, reply.contentType, std::nullopt)
                                                : reply.head)) {
                return;
            }
            if (reply.gapMs > 0) {
                while (Pause(reply.gapMs) && SendAll(fd, reply.unit)) {
                }
                return;
            }
            std::string block;
            while (block.size() < (1u << 16)) {
                block += reply.unit;
            }
            // Whole units only, so that what arrives is always the unit repeated.
            block.resize(block.size() - block.size() % reply.unit.size());
            while (!stopping_ && SendAll(fd, block)) {
            }
            return;
        }
    }
}

}  // namespace kestrova::hostile
