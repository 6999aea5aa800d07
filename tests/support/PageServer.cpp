#include "tests/support/PageServer.h"

#include <httplib.h>

#include <chrono>

#include "web/Endpoints.h"

namespace kestrova::test {

struct PageServer::Impl {
    httplib::Server server;
    std::thread thread;
    mutable std::mutex mutex;
    struct Answer {
        std::string body;
        std::string contentType;
    };
    std::map<std::string, Answer> answers;
    std::vector<Request> requests;
};

PageServer::PageServer() : impl_(std::make_unique<Impl>()) {
    impl_->server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(impl_->mutex);
        impl_->requests.push_back({req.get_header_value("Host"), req.target});
        auto found = impl_->answers.find(req.target);
        if (found == impl_->answers.end()) {
            found = impl_->answers.find(req.path);
        }
        if (found == impl_->answers.end()) {
            res.status = 404;
            return;
        }
        res.set_content(found->second.body, found->second.contentType.c_str());
    });
    // The socket listens from here on; connections wait in the backlog until
    // the thread accepts them.
    port_ = impl_->server.bind_to_any_port("127.0.0.1");
    impl_->thread = std::thread([this] { impl_->server.listen_after_bind(); });
    // stop() only reaches a server that is already in its accept loop; one
    // stopped before it got there would keep its thread blocked for ever.
    while (!impl_->server.is_running()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

PageServer::~PageServer() {
    impl_->server.stop();
    impl_->thread.join();
}

void PageServer::Serve(const std::string& target, std::string body, std::string contentType) {
    std::lock_guard lock(impl_->mutex);
    impl_->answers[target] = {std::move(body), std::move(contentType)};
}

std::vector<PageServer::Request> PageServer::Requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->requests;
}

int PageServer::CountRequests(const std::string& pathPrefix) const {
    std::lock_guard lock(impl_->mutex);
    int count = 0;
    for (const Request& r : impl_->requests) {
        count += r.target.rfind(pathPrefix, 0) == 0 ? 1 : 0;
    }
    return count;
}

void PageServer::ClearRequests() {
    std::lock_guard lock(impl_->mutex);
    impl_->requests.clear();
}

ConnectToServer::ConnectToServer(const PageServer& server) {
    SetConnectTo(ConnectTarget{"127.0.0.1", server.Port()});
}

ConnectToServer::~ConnectToServer() {
    SetConnectTo(std::nullopt);
}

}  // namespace kestrova::test
