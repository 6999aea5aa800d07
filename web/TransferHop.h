#pragma once
// One hop of a transfer: a single request and response on a connection of its
// own, as libcurl sees it. The pieces every hop needs (the address check, the
// header list, the callbacks that watch bytes move) live here; the transfer
// engine strings hops together and keeps their time-outs.

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "web/Endpoints.h"
#include "web/Transport.h"

namespace kestrova::transfer {

using Clock = std::chrono::steady_clock;

// Curl enforces the resolve+connect limit itself; this margin only keeps a
// request from hanging if it somehow never gets to send its head.
inline constexpr int kConnectGuardMarginMs = 2000;

struct FetchableAddress {
    std::string url;      // absolute, unsafe bytes escaped
    std::string host;     // "host:port" as the address names it: the unit of the connection limit
    bool secure = false;  // the address names https, whatever goes on the wire
};

// The absolute address to fetch, or nothing when it is not an http or https
// address, or when cleaning it as a browser does leaves a control byte or a
// space in it. Under connect-to an https address is fetched as plain http.
std::optional<FetchableAddress> Fetchable(std::string_view url, bool plainHttp);

// Bytes a hop may take from the wire beyond its body cap: room for the
// response heads and the chunk framing of an honest answer. Framing beyond
// that (endless chunk extensions, heads without end) fails the hop.
inline constexpr std::size_t kWireAllowanceBytes = 1u << 20;

bool IsToken(std::string_view s);

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

bool Append(HeaderList& list, const std::string& line);

// The caller's headers in order, "Name: value", with curl's own additions
// switched off; nothing when the list cannot be built.
std::optional<HeaderList> BuildHeaderList(const WireRequest& request, bool sendsBody);

// The CURLOPT_CONNECT_TO entry that sends every host to the target.
std::string ConnectToEntry(const ConnectTarget& target);

struct EasyDeleter {
    void operator()(CURL* e) const { curl_easy_cleanup(e); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

// The sockets of one hop. Connections are never reused, so while a hop runs
// the open sockets are that hop's; readable data on them is activity. Under
// the network guard a socket is opened only for a public address; the others
// are noted here and never connected to.
struct SocketBook {
    std::vector<curl_socket_t> open;
    bool guarded = false;
    std::vector<std::string> refused;  // the addresses, as text

    static curl_socket_t Open(void* self, curlsocktype, curl_sockaddr* address);
    static int Close(void* self, curl_socket_t fd);
};

// One request and its response: the state the callbacks write.
struct Hop {
    std::string url;
    std::string method;
    bool sendsBody = false;
    std::size_t maxBodyBytes = kMaxBodyBytes;
    const ByteBuffer* body = nullptr;  // what goes out when sendsBody
    const std::atomic<bool>* cancelled = nullptr;

    Clock::time_point started = Clock::now();
    Clock::time_point lastActivity = started;
    bool headSent = false;  // the request is on its way: its head goes out
    std::size_t bodyBytesOut = 0;
    curl_off_t bytesIn = 0;

    ByteBuffer received;
    bool bodyCut = false;
    std::vector<std::string> headerLines;
    bool inHeaderBlock = false;
    bool sawLocation = false;

    // Bytes read from the connection, heads and framing included.
    std::size_t wireBytesIn = 0;
    bool wireCut = false;

    void Touch() { lastActivity = Clock::now(); }
    // Request body bytes are still going out.
    bool SendingBody() const { return sendsBody && bodyBytesOut < body->size(); }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
    static int OnProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t,
                          curl_off_t uploaded);
    static int OnWire(CURL*, curl_infotype type, char*, std::size_t size, void* self);
    // Looks whether curl has begun to send the request.
    void NoteHeadSent(CURL* easy);
};

// Sets up `easy` for the hop; false when curl refuses an option.
bool Configure(CURL* easy, Hop& hop, SocketBook& sockets, const PhaseTimeouts& timeouts,
               curl_slist* headers, curl_slist* connectTo);

bool IsFollowedRedirect(int status);

// The value of the first Location line among the head's lines (the one curl
// follows), blanks in front removed; empty when there is none.
std::string LocationValue(const std::vector<std::string>& headerLines);
// The scheme an address begins with ("http", "HTTPS"), or nothing when it
// has none and so takes the scheme of the address it is read against.
std::optional<std::string> SchemeOf(std::string_view address);

}  // namespace kestrova::transfer
