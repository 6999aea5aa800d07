#include "web/TransferHop.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "text/GbkChar.h"
#include "web/CleanAddress.h"
#include "web/NetworkGuard.h"

namespace kestrova::transfer {
namespace {

// Protocols a request may use, for the first hop and for every redirect.
constexpr const char* kWebProtocols = "http,https";

// Bytes from 0x80 on (GBK in a page's address) cannot travel in a request line
// as they are; spaces and control bytes never get this far (CleanAddress).
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
using CurlString = std::unique_ptr<char, CurlStringDeleter>;

std::optional<std::string> Part(CURLU* url, CURLUPart part, unsigned flags = 0) {
    char* raw = nullptr;
    if (curl_url_get(url, part, &raw, flags) != CURLUE_OK) {
        return std::nullopt;
    }
    const CurlString owned(raw);
    return std::string(owned.get());
}

bool HasLineBreakOrZero(std::string_view s) {
    return s.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
}

}  // namespace

std::optional<FetchableAddress> Fetchable(std::string_view url, bool plainHttp) {
    const std::optional<std::string> cleaned = CleanAddress(url);
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!cleaned || !parsed) {
        return std::nullopt;
    }
    const std::string escaped = EscapeUnsafeBytes(*cleaned);
    if (curl_url_set(parsed.get(), CURLUPART_URL, escaped.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    const std::optional<std::string> scheme = Part(parsed.get(), CURLUPART_SCHEME);
    if (!scheme) {
        return std::nullopt;
    }
    const bool http = EqualsAsciiNoCase(*scheme, "http");
    const bool https = EqualsAsciiNoCase(*scheme, "https");
    if (!http && !https) {
        return std::nullopt;
    }
    if (https && plainHttp &&
        curl_url_set(parsed.get(), CURLUPART_SCHEME, "http", 0) != CURLUE_OK) {
        return std::nullopt;
    }
    std::optional<std::string> absolute = Part(parsed.get(), CURLUPART_URL);
    std::optional<std::string> host = Part(parsed.get(), CURLUPART_HOST);
    const std::optional<std::string> port = Part(parsed.get(), CURLUPART_PORT, CURLU_DEFAULT_PORT);
    if (!absolute || !host) {
        return std::nullopt;
    }
    std::transform(host->begin(), host->end(), host->begin(), [](char c) {
        return static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
    });
    return FetchableAddress{std::move(*absolute), *host + ":" + port.value_or(""), https};
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

bool Append(HeaderList& list, const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (!grown) {
        return false;
    }
    (void)list.release();
    list.reset(grown);
    return true;
}

// Curl's own additions are switched off by naming them without a value; Host
// stays, and so does Content-Length when a body goes out.
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

// Curl asks here for every socket it connects, first request and redirect
// hops alike, with the address it is about to connect to; refusing the socket
// makes curl try the name's next address, and fail when none is left.
curl_socket_t SocketBook::Open(void* self, curlsocktype, curl_sockaddr* address) {
    SocketBook& book = *static_cast<SocketBook*>(self);
    if (book.guarded && !IsPublicAddress(&address->addr, address->addrlen)) {
        book.refused.push_back(AddressText(&address->addr, address->addrlen));
        return CURL_SOCKET_BAD;
    }
    const curl_socket_t fd =
        ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
    if (fd != CURL_SOCKET_BAD) {
        book.open.push_back(fd);
    }
    return fd;
}

int SocketBook::Close(void* self, curl_socket_t fd) {
    auto& open = static_cast<SocketBook*>(self)->open;
    open.erase(std::remove(open.begin(), open.end(), fd), open.end());
    return ::close(fd);
}

std::size_t Hop::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    Hop& hop = *static_cast<Hop*>(self);
    const std::size_t bytes = size * count;
    hop.Touch();
    const std::size_t room = hop.maxBodyBytes - std::min(hop.maxBodyBytes, hop.received.size());
    const std::size_t take = std::min(room, bytes);
    hop.received.insert(hop.received.end(), data, data + take);
    if (take < bytes) {
        hop.bodyCut = true;
        return 0;  // ends the transfer; what arrived is kept
    }
    return hop.wireCut ? 0 : bytes;
}

// Curl hands over every header line of every response, interim ones included;
// only the last response's block is kept, without its status line and
// without trailers.
std::size_t Hop::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    Hop& hop = *static_cast<Hop*>(self);
    const std::size_t bytes = size * count;
    hop.Touch();
    std::string_view line(data, bytes);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
        line.remove_suffix(1);
    }
    if (hop.wireCut) {
        return 0;
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

// Curl calls this at every turn of the transfer: bytes that moved either way
// are activity. A cancelled lookup stops its transfers here, at the next
// chance curl gives, wherever they are.
int Hop::OnProgress(void* self, curl_off_t, curl_off_t downloaded, curl_off_t,
                    curl_off_t uploaded) {
    Hop& hop = *static_cast<Hop*>(self);
    if ((hop.cancelled != nullptr && hop.cancelled->load()) || hop.wireCut) {
        return 1;
    }
    const auto out = static_cast<std::size_t>(std::max<curl_off_t>(uploaded, 0));
    if (out != hop.bodyBytesOut || downloaded != hop.bytesIn) {
        hop.bodyBytesOut = out;
        hop.bytesIn = downloaded;
        hop.Touch();
    }
    return 0;
}

// Curl shows here what it reads from the connection before it takes heads and
// chunked framing apart: every byte counts, so a peer cannot make a hop
// endless with framing that never adds to the body.
int Hop::OnWire(CURL*, curl_infotype type, char*, std::size_t size, void* self) {
    if (type != CURLINFO_HEADER_IN && type != CURLINFO_DATA_IN) {
        return 0;
    }
    Hop& hop = *static_cast<Hop*>(self);
    hop.wireBytesIn += size;
    if (hop.wireBytesIn > hop.maxBodyBytes + kWireAllowanceBytes) {
        hop.wireCut = true;
    }
    return 0;
}

// The request head goes out as soon as the connection stands; curl marks that
// moment as its pre-transfer time.
void Hop::NoteHeadSent(CURL* easy) {
    if (headSent) {
        return;
    }
    curl_off_t pretransfer = 0;
    if (curl_easy_getinfo(easy, CURLINFO_PRETRANSFER_TIME_T, &pretransfer) == CURLE_OK &&
        pretransfer > 0) {
        headSent = true;
        Touch();
    }
}

bool Configure(CURL* easy, Hop& hop, SocketBook& sockets, const PhaseTimeouts& timeouts,
               curl_slist* headers, curl_slist* connectTo) {
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
    // A name lookup still running when the hop ends is left to finish on its
    // own thread: waiting for it would hold every other transfer of the engine.
    set(curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L));
    const int connectMs = std::max(timeouts.resolveMs, timeouts.connectMs);
    set(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::max(0, connectMs))));
    set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers));
    if (connectTo) {
        set(curl_easy_setopt(easy, CURLOPT_CONNECT_TO, connectTo));
    }

    const ByteBuffer& body = *hop.body;
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
    set(curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L));
    set(curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &Hop::OnProgress));
    set(curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &hop));
    set(curl_easy_setopt(easy, CURLOPT_DEBUGFUNCTION, &Hop::OnWire));
    set(curl_easy_setopt(easy, CURLOPT_DEBUGDATA, &hop));
    set(curl_easy_setopt(easy, CURLOPT_VERBOSE, 1L));
    set(curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, &SocketBook::Open));
    set(curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &sockets));
    set(curl_easy_setopt(easy, CURLOPT_CLOSESOCKETFUNCTION, &SocketBook::Close));
    set(curl_easy_setopt(easy, CURLOPT_CLOSESOCKETDATA, &sockets));
    return ok;
}

bool IsFollowedRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string LocationValue(const std::vector<std::string>& headerLines) {
    for (const std::string& line : headerLines) {
        if (line.size() >= 9 &&
            EqualsAsciiNoCase(std::string_view(line).substr(0, 9), "Location:")) {
            const std::size_t start = line.find_first_not_of(" \t", 9);
            return start == std::string::npos ? std::string() : line.substr(start);
        }
    }
    return {};
}

std::optional<std::string> SchemeOf(std::string_view address) {
    const auto isAlpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (address.empty() || !isAlpha(address.front())) {
        return std::nullopt;
    }
    for (std::size_t i = 1; i < address.size(); ++i) {
        const char c = address[i];
        if (c == ':') {
            return std::string(address.substr(0, i));
        }
        if (!isAlpha(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace kestrova::transfer
