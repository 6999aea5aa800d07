#pragma once
// A small loopback web server for tests of the page steps: it answers every
// host by path (with or without the query string), records each request, and
// is reached through the connect-to override like the real marketplace.

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::test {

class PageServer {
  public:
    PageServer();
    ~PageServer();
    PageServer(const PageServer&) = delete;
    PageServer& operator=(const PageServer&) = delete;

    // Answers "path?query" exactly when set, else "path" alone; anything
    // else gets 404 with an empty body. Bodies are raw bytes (GBK pages).
    void Serve(const std::string& target, std::string body,
               std::string contentType = "text/html; charset=GBK");

    struct Request {
        std::string host;
        std::string target;  // path and query as sent
    };
    std::vector<Request> Requests() const;
    int CountRequests(const std::string& pathPrefix) const;
    void ClearRequests();

    int Port() const { return port_; }

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int port_ = 0;
};

// Points every request of the program at the server for the lifetime of the
// object, and turns the override off again afterwards.
class ConnectToServer {
  public:
    explicit ConnectToServer(const PageServer& server);
    ~ConnectToServer();
    ConnectToServer(const ConnectToServer&) = delete;
    ConnectToServer& operator=(const ConnectToServer&) = delete;
};

}  // namespace kestrova::test
