#include "LoopbackPages.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <thread>

#include "web/Endpoints.h"

namespace kestrova::fuzz {

struct LoopbackPages::Impl {
    int listenFd = -1;
    int port = 0;
    mutable std::mutex mutex;
    std::vector<std::string> parts{std::string()};
    std::size_t next = 0;
    AnswerMode mode = AnswerMode::Page;
    int requests = 0;

    std::string NextAnswer() {
        std::lock_guard<std::mutex> lock(mutex);
        const std::string& part = parts[next % parts.size()];
        ++next;
        ++requests;
        if (mode == AnswerMode::Raw) {
            return part;
        }
        return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(part.size()) +
               "\r\nConnection: close\r\n\r\n" + part;
    }

    // Reads the request head (the program's requests carry no body).
    static bool ReadHead(int fd) {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < (1u << 16)) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) {
                return false;
            }
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) {
                return false;
            }
            head.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }

    static void SendAll(int fd, std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (n <= 0) {
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(n));
        }
    }

    void Loop() {
        for (;;) {
            const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                continue;
            }
            if (ReadHead(fd)) {
                SendAll(fd, NextAnswer());
            }
            ::shutdown(fd, SHUT_WR);
            ::close(fd);
        }
    }
};

LoopbackPages::LoopbackPages() : impl_(new Impl) {
    impl_->listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int yes = 1;
    ::setsockopt(impl_->listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (impl_->listenFd < 0 ||
        ::bind(impl_->listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(impl_->listenFd, 64) != 0 ||
        ::getsockname(impl_->listenFd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::fprintf(stderr, "kestrova fuzz: cannot listen on loopback\n");
        std::abort();
    }
    impl_->port = ntohs(address.sin_port);
    std::thread([impl = impl_] { impl->Loop(); }).detach();
    SetConnectTo(ConnectTarget{"127.0.0.1", impl_->port});
}

LoopbackPages& LoopbackPages::Instance() {
    // Never destroyed: the serving thread runs until the process ends.
    static LoopbackPages* pages = new LoopbackPages();
    return *pages;
}

void LoopbackPages::Serve(std::vector<std::string> parts, std::size_t first, AnswerMode mode) {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (parts.empty()) {
        parts.emplace_back();
    }
    impl_->parts = std::move(parts);
    impl_->next = first;
    impl_->mode = mode;
    impl_->requests = 0;
}

int LoopbackPages::RequestCount() const {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->requests;
}

}  // namespace kestrova::fuzz
