#include "web/AnswerClass.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "text/GbkChar.h"
#include "web/RefusalSigns.h"
#include "web/RetryAfter.h"

namespace kestrova {
namespace {

constexpr std::string_view kNoAnswer = "no answer: ";
constexpr std::string_view kHttpError = "HTTP error ";
constexpr std::string_view kCut = "cut at the body cap";
constexpr std::string_view kRefused = "refused by the marketplace: ";

std::string_view FailureText(TransferFailure failure) {
    switch (failure) {
        case TransferFailure::kHostNotFound:
            return "host not found";
        case TransferFailure::kConnectionRefused:
            return "connection refused";
        case TransferFailure::kTimeOut:
            return "time-out";
        case TransferFailure::kReset:
            return "connection reset";
        case TransferFailure::kCancelled:
            return "cancelled";
        case TransferFailure::kUnsafeAddress:
            return "refused by our own rules (unsafe address)";
        case TransferFailure::kNotPublic:
            return "refused by our own rules (not a public address)";
        case TransferFailure::kRedirectRefused:
            return "refused by our own rules (redirect)";
        case TransferFailure::kTooManyRedirects:
            return "refused by our own rules (too many redirects)";
        case TransferFailure::kWireCap:
            return "refused by our own rules (too many bytes on the wire)";
        case TransferFailure::kNone:
        case TransferFailure::kNoAddress:
        case TransferFailure::kOther:
            break;
    }
    return "failed";
}

struct UrlParts {
    std::string host;
    std::string path;
};

std::optional<UrlParts> PartsOf(std::string_view url) {
    struct Deleter {
        void operator()(CURLU* u) const { curl_url_cleanup(u); }
    };
    std::unique_ptr<CURLU, Deleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, std::string(url).c_str(),
                                CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK) {
        return std::nullopt;
    }
    UrlParts parts;
    for (auto [part, out] :
         {std::pair{CURLUPART_HOST, &parts.host}, std::pair{CURLUPART_PATH, &parts.path}}) {
        char* value = nullptr;
        if (curl_url_get(parsed.get(), part, &value, 0) == CURLUE_OK && value != nullptr) {
            *out = value;
        }
        curl_free(value);
    }
    std::transform(parts.host.begin(), parts.host.end(), parts.host.begin(), [](char c) {
        return static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
    });
    return parts;
}

const RefusalSign* RedirectSign(const std::vector<std::string>& redirects) {
    for (const std::string& target : redirects) {
        const std::optional<UrlParts> parts = PartsOf(target);
        if (!parts) {
            continue;
        }
        for (const RefusalSign& sign : kRefusalSigns) {
            if (sign.kind == RefusalSign::Kind::kRedirectTarget &&
                (sign.host.empty() || EqualsAsciiNoCase(sign.host, parts->host)) &&
                std::string_view(parts->path).substr(0, sign.pathPrefix.size()) ==
                    sign.pathPrefix) {
                return &sign;
            }
        }
    }
    return nullptr;
}

const RefusalSign* StatusSign(int status) {
    for (const RefusalSign& sign : kRefusalSigns) {
        if (sign.kind == RefusalSign::Kind::kStatus && sign.status == status) {
            return &sign;
        }
    }
    return nullptr;
}

// The Content-Type line names text/html.
bool IsHtml(std::string_view headerText) {
    constexpr std::string_view kName = "content-type:";
    std::size_t at = 0;
    while (at < headerText.size()) {
        std::size_t end = headerText.find("\r\n", at);
        if (end == std::string_view::npos) {
            end = headerText.size();
        }
        const std::string_view line = headerText.substr(at, end - at);
        if (line.size() >= kName.size() && EqualsAsciiNoCase(line.substr(0, kName.size()), kName)) {
            std::string value(line.substr(kName.size()));
            std::transform(value.begin(), value.end(), value.begin(), [](char c) {
                return static_cast<char>(AsciiLower(static_cast<unsigned char>(c)));
            });
            return value.find("text/html") != std::string::npos;
        }
        at = end + 2;
    }
    return false;
}

const RefusalSign* BodySign(const WireResponse& response) {
    if (!IsHtml(response.headerText)) {
        return nullptr;
    }
    const std::string_view body(reinterpret_cast<const char*>(response.body.data()),
                                std::min(response.body.size(), kRefusalMarkerWindow));
    for (const RefusalSign& sign : kRefusalSigns) {
        if (sign.kind == RefusalSign::Kind::kBodyMarker &&
            body.find(sign.marker) != std::string_view::npos) {
            return &sign;
        }
    }
    return nullptr;
}

AnswerClass Refusal(const RefusalSign& sign, const WireResponse& response,
                    std::chrono::system_clock::time_point now) {
    AnswerClass answer{
        AnswerKind::kRefused, std::string(kRefused) + std::string(sign.what), {}, {}};
    if (!response.retryAfter.empty()) {
        answer.retryAfter = RetryAfterDelay(response.retryAfter, now);
    }
    return answer;
}

AnswerClass Classified(std::string_view url, const WireResponse& response,
                       std::chrono::system_clock::time_point now) {
    if (response.failure == TransferFailure::kNoAddress) {
        return {AnswerKind::kNotAsked, {}, {}, {}};
    }
    if (const RefusalSign* sign = RedirectSign(response.redirects)) {
        return Refusal(*sign, response, now);
    }
    if (response.failure != TransferFailure::kNone) {
        return {AnswerKind::kNoAnswer,
                std::string(kNoAnswer) + std::string(FailureText(response.failure)),
                {},
                {}};
    }
    if (const RefusalSign* sign = StatusSign(response.status)) {
        return Refusal(*sign, response, now);
    }
    if (const RefusalSign* sign = BodySign(response)) {
        return Refusal(*sign, response, now);
    }
    if (response.status < 200 || response.status > 299) {
        return {AnswerKind::kHttpError,
                std::string(kHttpError) + std::to_string(response.status),
                {},
                {}};
    }
    if (response.bodyCut) {
        return {AnswerKind::kCut, std::string(kCut), {}, {}};
    }
    (void)url;
    return {};
}

}  // namespace

std::string HostOfAddress(std::string_view url) {
    const std::optional<UrlParts> parts = PartsOf(url);
    return parts ? parts->host : std::string();
}

AnswerClass ClassifyAnswer(std::string_view url, const WireResponse& response,
                           std::chrono::system_clock::time_point now) {
    AnswerClass answer = Classified(url, response, now);
    if (answer.kind == AnswerKind::kRefused) {
        answer.host = HostOfAddress(url);
    }
    return answer;
}

}  // namespace kestrova
