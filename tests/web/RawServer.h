#pragma once
// A loopback HTTP server for wire tests: it captures each request byte for
// byte and answers with scripted bytes, which may come late, in pieces, or
// never. Each connection is served on its own thread.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kestrova::testing {

struct CapturedRequest {
    std::string head;  // request line and header lines, up to and including the blank line
    std::string body;  // as many bytes as Content-Length said (when the body is read)
};

// Wait delayMs, then write bytes.
struct ReplyStep {
    std::string bytes;
    int delayMs = 0;
};

struct Reply {
    std::vector<ReplyStep> steps;
    bool close = true;  // end the connection after the reply
};

// A complete response with Content-Length, sent at once.
Reply Respond(int status, const std::vector<std::string>& headerLines, const std::string& body);
// Raw bytes, sent at once.
Reply RespondRaw(std::string bytes);

struct ServerOptions {
    bool readBody = true;        // false: answer right after the head, leaving the body unread
    int receiveBufferBytes = 0;  // a small kernel buffer makes a sender stall sooner
    bool ipv6 = false;           // listen on ::1 instead of 127.0.0.1
};

class RawServer {
  public:
    // index counts requests from 0 across all connections.
    using Handler = std::function<Reply(const CapturedRequest& request, int index)>;

    explicit RawServer(Handler handler, ServerOptions options = {});
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& pathAndQuery = "/") const;

    std::vector<CapturedRequest> Requests() const;
    int ConnectionCount() const { return connections_.load(); }

  private:
    void AcceptLoop();
    void Serve(int fd);
    // Sleeps, but returns early (false) once the server is stopping.
    bool Pause(int ms);

    Handler handler_;
    ServerOptions options_;
    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::condition_variable stopSignal_;
    std::vector<CapturedRequest> requests_;
    std::vector<int> openFds_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace kestrova::testing
