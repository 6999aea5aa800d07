#pragma once
// A loopback server that plays the sample marketplace for every request but
// lets a test take over the answer to the requests it picks: silence, bytes
// that trickle in, a body without end, a redirect to itself, or any bytes at
// all. Raw sockets, so that nothing between the test and the wire tidies the
// misbehaviour up. Every connection gets its own thread.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "marketplace/Router.h"
#include "tests/support/Endpoint.h"

namespace kestrova::hostile {

// What the server does with one request.
struct Reply {
    enum class Kind { Answer, Raw, Silent, Trickle, Endless };
    Kind kind = Kind::Answer;
    int status = 200;
    std::string contentType = "text/html; charset=GBK";
    std::string body;          // Answer: the body; Raw: the whole response; Trickle: the body
    int pieces = 1;            // Trickle: the body goes out in this many pieces
    int gapMs = 0;             // Trickle, Endless: the wait before each piece (unit)
    std::string unit;          // Endless: sent again and again after a head without a length
    std::string bodyUnit;      // Endless: what the body repeats, when unit holds framing too
    bool holdOpen = false;     // Raw: then say nothing more, until the client hangs up
    std::string extraHeaders;  // Answer: header lines (each ending in CR LF) to add
    std::string head;          // Endless: sent first instead of a 200 head without a length

    // A complete response with Content-Length.
    static Reply Answer(int status, std::string body,
                        std::string contentType = "text/html; charset=GBK");
    static Reply Raw(std::string bytes);
    // The bytes, then silence with the connection open.
    static Reply Stall(std::string bytes);
    // Reads the request and never answers; the connection stays open until the
    // client gives up.
    static Reply Silent();
    // The head at once, then the body in pieces, each after gapMs.
    static Reply Trickle(std::string body, int pieces, int gapMs);
    // A close-delimited 200 whose body repeats unit until the client stops reading.
    static Reply Endless(std::string unit);
    // A status line, then header lines (unit) that never end.
    static Reply EndlessHeaders(std::string unit);
    // A chunked 200 whose chunks never end: each carries `piece` behind a chunk
    // extension of extensionBytes.
    static Reply EndlessChunks(std::string piece, std::size_t extensionBytes);
    // The head at once, then the unit again and again, gapMs apart, forever.
    static Reply EndlessTrickle(std::string unit, int gapMs);
    // A 302 to the very address that was asked for.
    static Reply RedirectToItself(const SeenRequest& request);
};

// Given the request and the marketplace's own answer: a reply of its own, or
// nothing to let the marketplace answer.
using Misbehaviour =
    std::function<std::optional<Reply>(const SeenRequest&, const marketplace::MarketAnswer&)>;

class HostileServer {
  public:
    // On a free port of 127.0.0.1, or on the IPv4 address and port given.
    HostileServer();
    HostileServer(const std::string& ipv4, int port);
    ~HostileServer();
    HostileServer(const HostileServer&) = delete;
    HostileServer& operator=(const HostileServer&) = delete;

    int Port() const { return port_; }
    void SetMisbehaviour(Misbehaviour misbehaviour);

    std::vector<SeenRequest> Requests() const;
    // Also forgets the most connections seen at once.
    void ClearRequests();

    // Holds every answer until no request has come for quietMs, then gives
    // the held answers last-come first, gapMs apart.
    void AnswerInReverseOrder(int quietMs, int gapMs);
    // Every answer waits this long before it goes out.
    void DelayAnswers(int ms) { answerDelayMs_ = ms; }
    // The most requests for one host (Host header, any letter case) that
    // waited for their answers at once.
    int MostAtOnce(const std::string& host) const;
    // Connections that carried no HTTP request line (another protocol, say).
    int ConnectionsWithoutRequest() const { return withoutRequest_.load(); }
    // Whether these bytes are a body the server sent in full, or the start of
    // an endless one.
    bool Sent(const std::string& bytes) const;

  private:
    void AcceptLoop();
    void Serve(int fd);
    void Perform(int fd, const SeenRequest& request, const Reply& reply);
    bool Pause(int ms) const;
    void RecordBody(const std::string& body);
    void HoldForReverseOrder();

    int listenFd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> withoutRequest_{0};
    std::atomic<int> answerDelayMs_{0};
    mutable std::mutex mutex_;
    Misbehaviour misbehaviour_;
    std::vector<SeenRequest> requests_;
    std::set<std::string> bodies_;
    std::vector<std::string> endlessUnits_;
    std::vector<int> openFds_;
    std::map<std::string, int> openByHost_;
    std::map<std::string, int> mostByHost_;

    std::mutex holdMutex_;
    std::condition_variable holdChanged_;
    int reverseQuietMs_ = 0;
    int reverseGapMs_ = 0;
    std::vector<std::uint64_t> held_;
    std::uint64_t holdSerial_ = 0;
    std::chrono::steady_clock::time_point lastArrival_;
    std::chrono::steady_clock::time_point lastRelease_;
    std::vector<std::thread> workers_;
    std::thread acceptor_;
};

}  // namespace kestrova::hostile
