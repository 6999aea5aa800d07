#include "RawServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace kestrova::testing {
namespace {

std::size_t ContentLength(const std::string& head) {
    std::string lower = head;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const std::size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos) {
        return 0;
    }
    return static_cast<std::size_t>(std::strtoul(lower.c_str() + at + 17, nullptr, 10));
}

bool SendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

Reply Respond(int status, const std::vector<std::string>& headerLines, const std::string& body) {
    std::string bytes = "HTTP/1.1 " + std::to_string(status) + " Whatever\r\n";
    for (const std::string& line : headerLines) {
        bytes += line + "\r\n";
    }
    bytes += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
    return RespondRaw(std::move(bytes));
}

Reply RespondRaw(std::string bytes) {
    return Reply{{ReplyStep{std::move(bytes), 0}}, true};
}

RawServer::RawServer(Handler handler, ServerOptions options)
    : handler_(std::move(handler)), options_(options) {
    listenFd_ = ::socket(options_.ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        throw std::runtime_error("socket");
    }
    const int yes = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    if (options_.receiveBufferBytes > 0) {
        ::setsockopt(listenFd_, SOL_SOCKET, SO_RCVBUF, &options_.receiveBufferBytes,
                     sizeof options_.receiveBufferBytes);
    }
    sockaddr_storage storage{};
    socklen_t length = 0;
    if (options_.ipv6) {
        auto& address = reinterpret_cast<sockaddr_in6&>(storage);
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        length = sizeof address;
    } else {
        auto& address = reinterpret_cast<sockaddr_in&>(storage);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        length = sizeof address;
    }
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&storage), length) != 0 ||
        ::listen(listenFd_, 16) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("bind/listen");
    }
    ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&storage), &length);
    port_ = ntohs(options_.ipv6 ? reinterpret_cast<sockaddr_in6&>(storage).sin6_port
                                : reinterpret_cast<sockaddr_in&>(storage).sin_port);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

RawServer::~RawServer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        for (int fd : openFds_) {
            ::shutdown(fd, SHUT_RDWR);
        }
    }
    stopSignal_.notify_all();
    acceptor_.join();
    for (std::thread& worker : workers_) {
        worker.join();
    }
    ::close(listenFd_);
}

std::string RawServer::Url(const std::string& pathAndQuery) const {
    return (options_.ipv6 ? "http://[::1]:" : "http://127.0.0.1:") + std::to_string(port_) +
           pathAndQuery;
}

std::vector<CapturedRequest> RawServer::Requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

bool RawServer::Pause(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    return !stopSignal_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [this] { return stopping_.load(); });
}

void RawServer::AcceptLoop() {
    while (!stopping_) {
        pollfd p{listenFd_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) {
            continue;
        }
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopping_) {
            ::close(fd);
            break;
        }
        ++connections_;
        openFds_.push_back(fd);
        workers_.emplace_back([this, fd] { Serve(fd); });
    }
}

void RawServer::Serve(int fd) {
    std::string pending;
    char buffer[65536];
    const auto readMore = [&]() {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            return false;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        return true;
    };
    bool open = true;
    while (open && !stopping_) {
        std::size_t headEnd;
        while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
            if (!readMore()) {
                open = false;
                break;
            }
        }
        if (!open) {
            break;
        }
        CapturedRequest request;
        request.head = pending.substr(0, headEnd + 4);
        pending.erase(0, headEnd + 4);
        if (options_.readBody) {
            const std::size_t length = ContentLength(request.head);
            while (pending.size() < length && readMore()) {
            }
            request.body = pending.substr(0, length);
            pending.erase(0, std::min(length, pending.size()));
        }
        int index;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            index = static_cast<int>(requests_.size());
            requests_.push_back(request);
        }
        const Reply reply = handler_(request, index);
        for (const ReplyStep& step : reply.steps) {
            if (step.delayMs > 0 && !Pause(step.delayMs)) {
                open = false;
                break;
            }
            if (!SendAll(fd, step.bytes)) {
                open = false;
                break;
            }
        }
        if (reply.close) {
            break;
        }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    openFds_.erase(std::remove(openFds_.begin(), openFds_.end(), fd), openFds_.end());
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

}  // namespace kestrova::testing
