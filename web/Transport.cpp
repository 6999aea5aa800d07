#include "web/Transport.h"

#include <curl/curl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>

#include "text/GbkChar.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

using Clock = std::chrono::steady_clock;

// Protocols a request may use, for the first hop and for every redirect.
constexpr const char* kWebProtocols = "http,https";

// Curl enforces the resolve+connect limit itself; this margin only keeps a
// request from hanging if it somehow never gets to send its head.
constexpr int kConnectGuardMarginMs = 2000;

// How long one wait lasts at most while no limit is due.
constexpr int kMaxWaitMs = 1000;

void InitCurlOnce() {
    static const bool initialised = [] {
        return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    }();
    (void)initialised;
}

// Spaces, control characters and bytes from 0x80 on cannot travel in a request
// line; page-supplied addresses carry them now and then.
std::string EscapeUnsafeBytes(std::string_view url) {
    static const char* kHex = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (char ch : url) {
        const auto c = static_cast<unsigned char>(ch);
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        } else {
            out += ch;
        }
    }
    return out;
}

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};
struct CurlStringDeleter {
    void operator()(char* s) const { curl_free(s); }
};

// The absolute address to fetch, or nothing when it is not an http or https
// address. Under connect-to an https address is fetched as plain http.
std::optional<std::string> FetchableUrl(std::string_view url, bool plainHttp) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed) {
        return std::nullopt;
    }
    const std::string escaped = EscapeUnsafeBytes(url);
    if (curl_url_set(parsed.get(), CURLUPART_URL, escaped.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    char* rawScheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &rawScheme, 0) != CURLUE_OK) {
        return std::nullopt;
    }
    const std::unique_ptr<char, CurlStringDeleter> scheme(rawScheme);
    const bool http = EqualsAsciiNoCase(scheme.get(), "http");
    const bool https = EqualsAsciiNoCase(scheme.get(), "https");
    if (!http && !https) {
        return std::nullopt;
    }
    if (https && plainHttp &&
        curl_url_set(parsed.get(), CURLUPART_SCHEME, "http", 0) != CURLUE_OK) {
        return std::nullopt;
    }
    char* rawUrl = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_URL, &rawUrl, 0) != CURLUE_OK) {
        return std::nullopt;
    }
    const std::unique_ptr<char, CurlStringDeleter> absolute(rawUrl);
    return std::string(absolute.get());
}

bool IsToken(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                        (c >= 'a' && c <= 'z') ||
                        std::string_view("!#$%&'*+-.^_`|~").find(ch) != std::string_view::npos;
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool HasLineBreakOrZero(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

bool Append(HeaderList& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) {
        return false;
    }
    (void)list.release();
    list.reset(grown);
    return true;
}

// The caller's headers in order, "Name: value". Curl's own additions are
// switched off by naming them without a value; Host stays, and so does
// Content-Length when a body goes out.
std::optional<HeaderList> BuildHeaderList(const WireRequest& request, bool sendsBody) {
    HeaderList list;
    bool hasAccept = false;
    bool hasContentType = false;
    bool hasExpect = false;
    for (const auto& [name, rawValue] : request.headers) {
        // A name that is not a token or a value with a line break would let the
        // caller write into the request's framing; such headers are not sent.
        if (!IsToken(name) || HasLineBreakOrZero(rawValue)) {
            continue;
        }
        // The blank after the colon is insignificant and written once.
        std::string_view value = rawValue;
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) {
            value.remove_prefix(1);
        }
        // Curl reads "Name:" as "drop this header" and "Name;" as "send it empty".
        const std::string line = value.empty() ? name + ";" : name + ": " + std::string(value);
        if (!Append(list, line)) {
            return std::nullopt;
        }
        hasAccept = hasAccept || EqualsAsciiNoCase(name, "Accept");
        hasContentType = hasContentType || EqualsAsciiNoCase(name, "Content-Type");
        hasExpect = hasExpect || EqualsAsciiNoCase(name, "Expect");
    }
    if (!hasAccept && !Append(list, "Accept:")) {
        return std::nullopt;
    }
    if (!hasExpect && !Append(list, "Expect:")) {
        return std::nullopt;
    }
    if (sendsBody && !hasContentType && !Append(list, "Content-Type:")) {
        return std::nullopt;
    }
    return list;
}

std::string ConnectToEntry(const ConnectTarget& target) {
    const bool ipv6 = target.host.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + target.host + "]" : target.host;
    return "::" + host + ":" + std::to_string(target.port);
}

// Sockets of one exchange. Connections are never reused, so while a hop runs
// the open sockets are that hop's; readable data on them is activity.
struct SocketBook {
    std::vector<curl_socket_t> open;

    static curl_socket_t Open(void* self, curlsocktype, curl_sockaddr* address) {
        const curl_socket_t fd =
            ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
        if (fd != CURL_SOCKET_BAD) {
            static_cast<SocketBook*>(self)->open.push_back(fd);
        }
        return fd;
    }
    static int Close(void* self, curl_socket_t fd) {
        auto& open = static_cast<SocketBook*>(self)->open;
        open.erase(std::remove(open.begin(), open.end(), fd), open.end());
        return ::close(fd);
    }
};

// One request and its response: the state the callbacks write.
struct Hop {
    std::string url;
    std::string method;
    bool sendsBody = false;
    std::size_t maxBodyBytes = kMaxBodyBytes;

    Clock::time_point started = Clock::now();
    Clock::time_point lastActivity = started;
    bool headSent = false;
    std::size_t bodyBytesOut = 0;

    ByteBuffer body;
    bool bodyCut = false;
    std::vector<std::string> headerLines;
    bool inHeaderBlock = false;
    bool sawLocation = false;

    void Touch() { lastActivity = Clock::now(); }

    static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
        Hop& hop = *static_cast<Hop*>(self);
        const std::size_t bytes = size * count;
        hop.Touch();
        const std::size_t room = hop.maxBodyBytes - std::min(hop.maxBodyBytes, hop.body.size());
        const std::size_t take = std::min(room, bytes);
        hop.body.insert(hop.body.end(), data, data + take);
        if (take < bytes) {
            hop.bodyCut = true;
            return 0;  // ends the transfer; what arrived is kept
        }
        return bytes;
    }

    // Curl hands over every header line of every response, interim ones
    // included; only the last response's block is kept, without its status
    // line and without trailers.
    static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
        Hop& hop = *static_cast<Hop*>(self);
        const std::size_t bytes = size * count;
        hop.Touch();
        std::string_view line(data, bytes);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        if (!hop.inHeaderBlock) {
            if (line.substr(0, 5) == "HTTP/") {
                hop.inHeaderBlock = true;
                hop.headerLines.clear();
                hop.sawLocation = false;
            }
            return bytes;
        }
        if (line.empty()) {
            hop.inHeaderBlock = false;
            return bytes;
        }
        if (line.size() >= 9 && EqualsAsciiNoCase(line.substr(0, 9), "Location:")) {
            hop.sawLocation = true;
        }
        hop.headerLines.emplace_back(line);
        return bytes;
    }

    static int OnDebug(CURL*, curl_infotype type, char*, std::size_t size, void* self) {
        Hop& hop = *static_cast<Hop*>(self);
        switch (type) {
            case CURLINFO_HEADER_OUT:
                hop.headSent = true;
                hop.Touch();
                break;
            case CURLINFO_DATA_OUT:
                hop.bodyBytesOut += size;
                hop.Touch();
                break;
            case CURLINFO_HEADER_IN:
            case CURLINFO_DATA_IN:
                hop.Touch();
                break;
            default:
                break;
        }
        return 0;
    }
};

struct EasyDeleter {
    void operator()(CURL* e) const { curl_easy_cleanup(e); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct MultiDeleter {
    void operator()(CURLM* m) const { curl_multi_cleanup(m); }
};
using Multi = std::unique_ptr<CURLM, MultiDeleter>;

enum class HopOutcome { Done, Failed };

struct HopResult {
    HopOutcome outcome = HopOutcome::Failed;
    int status = 0;
    std::string redirectUrl;  // where a redirect points, resolved against the hop's URL
};

bool Configure(CURL* easy, Hop& hop, SocketBook& sockets, const WireRequest& request,
               const ByteBuffer& body, curl_slist* headers, curl_slist* connectTo) {
    static const char kNoBody[] = "";
    bool ok = true;
    const auto set = [&ok](CURLcode rc) { ok = ok && rc == CURLE_OK; };
    set(curl_easy_setopt(easy, CURLOPT_URL, hop.url.c_str()));
    set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, kWebProtocols));
    set(curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, kWebProtocols));
    set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L));
    set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)));
    // No proxy from the environment: requests go where their address says.
    set(curl_easy_setopt(easy, CURLOPT_PROXY, ""));
    set(curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L));
    const int connectMs = std::max(request.timeouts.resolveMs, request.timeouts.connectMs);
    set(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::max(0, connectMs))));
    set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers));
    if (connectTo) {
        set(curl_easy_setopt(easy, CURLOPT_CONNECT_TO, connectTo));
    }

    if (hop.sendsBody) {
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE,
                             static_cast<curl_off_t>(body.size())));
        set(curl_easy_setopt(easy, CURLOPT_POSTFIELDS,
                             body.empty() ? kNoBody : reinterpret_cast<const char*>(body.data())));
        if (hop.method != "POST") {
            set(curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, hop.method.c_str()));
        }
    } else if (hop.method == "GET") {
        set(curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L));
    } else if (hop.method == "HEAD") {
        set(curl_easy_setopt(easy, CURLOPT_NOBODY, 1L));
    } else {
        set(curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, hop.method.c_str()));
    }

    set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Hop::OnBody));
    set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, &hop));
    set(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Hop::OnHeader));
    set(curl_easy_setopt(easy, CURLOPT_HEADERDATA, &hop));
    // The debug stream is how curl tells when the request head and body bytes
    // leave; nothing is printed.
    set(curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &Hop::OnDebug));
    set(curl_easy_setopt(easy, CURLOPT_DEBUGDATA, &hop));
    set(curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L));
    set(curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &SocketBook::Open));
    set(curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &sockets));
    set(curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &SocketBook::Close));
    set(curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, &sockets));
    return ok;
}

int MillisecondsSince(Clock::time_point since, Clock::time_point now) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now - since).count());
}

// Drives one hop to its end. The limits: curl's own for resolve+connect; then
// the send limit while request bytes are still going out, the receive limit
// afterwards, both measured from the last byte that moved.
HopResult RunHop(Hop& hop, SocketBook& sockets, const WireRequest& request, const ByteBuffer& body,
                 curl_slist* headers, curl_slist* connectTo) {
    HopResult result;
    // The socket book outlives the multi handle: curl closes sockets while it
    // cleans up, through the book's callback.
    Multi multi(curl_multi_init());
    Easy easy(curl_easy_init());
    if (!multi || !easy ||
        !Configure(easy.get(), hop, sockets, request, body, headers, connectTo)) {
        return result;
    }
    if (curl_multi_add_handle(multi.get(), easy.get()) != CURLM_OK) {
        return result;
    }
    const int connectMs = std::max(request.timeouts.resolveMs, request.timeouts.connectMs);
    bool timedOut = false;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(multi.get(), &running) != CURLM_OK) {
            break;
        }
        if (running == 0) {
            break;
        }
        const Clock::time_point now = Clock::now();
        int limitMs = 0;
        Clock::time_point since = hop.lastActivity;
        bool receiving = false;
        if (!hop.headSent) {
            limitMs = connectMs > 0 ? connectMs + kConnectGuardMarginMs : 0;
            since = hop.started;
        } else if (hop.sendsBody && hop.bodyBytesOut < body.size()) {
            limitMs = request.timeouts.sendMs;
        } else {
            limitMs = request.timeouts.receiveMs;
            receiving = true;
        }
        int waitMs = kMaxWaitMs;
        if (limitMs > 0) {
            const int elapsed = MillisecondsSince(since, now);
            if (elapsed >= limitMs) {
                timedOut = true;
                break;
            }
            waitMs = std::min(waitMs, limitMs - elapsed);
        }
        // While waiting for the response, a readable socket means bytes
        // arrived, even when they do not finish a header line yet.
        std::vector<curl_waitfd> watch;
        if (receiving) {
            for (curl_socket_t fd : sockets.open) {
                watch.push_back(curl_waitfd{fd, CURL_WAIT_POLLIN, 0});
            }
        }
        if (curl_multi_poll(multi.get(), watch.data(), static_cast<unsigned>(watch.size()),
                            std::max(waitMs, 1), nullptr) != CURLM_OK) {
            break;
        }
        for (const curl_waitfd& w : watch) {
            if (w.revents != 0) {
                hop.Touch();
            }
        }
    }

    CURLcode code = CURLE_RECV_ERROR;
    int pending = 0;
    while (CURLMsg* message = curl_multi_info_read(multi.get(), &pending)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy.get()) {
            code = message->data.result;
        }
    }
    const bool finished = code == CURLE_OK || (code == CURLE_WRITE_ERROR && hop.bodyCut);
    if (!timedOut && finished) {
        long status = 0;
        curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &status);
        result.status = static_cast<int>(status);
        char* location = nullptr;
        if (curl_easy_getinfo(easy.get(), CURLINFO_REDIRECT_URL, &location) == CURLE_OK &&
            location) {
            result.redirectUrl = location;
        }
        result.outcome = HopOutcome::Done;
    }
    curl_multi_remove_handle(multi.get(), easy.get());
    return result;
}

bool IsFollowedRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

}  // namespace

WireResponse Exchange(const WireRequest& request) {
    InitCurlOnce();
    const std::optional<ConnectTarget> target = ConnectTo();

    HeaderList connectTo;
    if (target && !Append(connectTo, ConnectToEntry(*target))) {
        return {};
    }
    std::optional<std::string> url = FetchableUrl(request.url, target.has_value());
    const std::string firstMethod = request.method.empty() ? "GET" : request.method;
    if (!url || !IsToken(firstMethod)) {
        return {};
    }

    std::string method = firstMethod;
    bool sendsBody = request.sendBody || !request.body.empty();
    for (int redirects = 0;; ++redirects) {
        std::optional<HeaderList> headers = BuildHeaderList(request, sendsBody);
        if (!headers) {
            return {};
        }
        SocketBook sockets;
        Hop hop;
        hop.url = *url;
        hop.method = method;
        hop.sendsBody = sendsBody;
        hop.maxBodyBytes = request.maxBodyBytes;
        const ByteBuffer noBody;
        const HopResult result = RunHop(hop, sockets, request, sendsBody ? request.body : noBody,
                                        headers->get(), connectTo.get());
        if (result.outcome != HopOutcome::Done) {
            return {};
        }
        if (request.followRedirects && IsFollowedRedirect(result.status) && hop.sawLocation) {
            // Too many hops, or a hop to anything but http(s), fails the way an
            // unreachable host does.
            if (redirects >= kMaxRedirects) {
                return {};
            }
            url = FetchableUrl(result.redirectUrl, target.has_value());
            if (!url) {
                return {};
            }
            // 303 always, and 301/302 after a POST, continue as a GET without body.
            if ((result.status == 303 && method != "HEAD") ||
                ((result.status == 301 || result.status == 302) && method == "POST")) {
                method = "GET";
                sendsBody = false;
            }
            continue;
        }

        WireResponse response;
        response.body = std::move(hop.body);
        response.status = result.status;
        for (std::size_t i = 0; i < hop.headerLines.size(); ++i) {
            if (i > 0) {
                response.headerText += "\r\n";
            }
            response.headerText += hop.headerLines[i];
        }
        return response;
    }
}

}  // namespace kestrova
