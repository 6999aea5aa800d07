#include "history/postgres/ConnectionUri.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace kestrova {
namespace {

// The password parameters of the query part: "password=" at its start or
// after "&", up to the next "&" or "#".
std::string MaskQuery(std::string query) {
    std::size_t at = 0;
    while (at < query.size()) {
        const std::size_t end = std::min(query.find('&', at), query.size());
        constexpr std::string_view kKey = "password=";
        std::string lower = query.substr(at, kKey.size());
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower == kKey) {
            query.replace(at + kKey.size(), end - at - kKey.size(), "***");
            at = query.find('&', at);
            at = at == std::string::npos ? query.size() : at + 1;
        } else {
            at = end + 1;
        }
    }
    return query;
}

}  // namespace

std::string MaskedUri(const std::string& uri) {
    const std::size_t scheme = uri.find("://");
    if (scheme == std::string::npos) {
        return uri;
    }
    const std::size_t authority = scheme + 3;
    const std::size_t pathStart = std::min(uri.find_first_of("/?#", authority), uri.size());
    std::string masked = uri.substr(0, authority);
    std::string host = uri.substr(authority, pathStart - authority);
    // user:password@host — the last "@" ends the user part (a password may
    // hold an unescaped "@").
    if (const std::size_t at = host.rfind('@'); at != std::string::npos) {
        if (const std::size_t colon = host.find(':'); colon < at) {
            host.replace(colon + 1, at - colon - 1, "***");
        }
    }
    masked += host;
    std::string rest = uri.substr(pathStart);
    if (const std::size_t question = rest.find('?'); question != std::string::npos) {
        const std::size_t fragment = std::min(rest.find('#', question), rest.size());
        rest = rest.substr(0, question + 1) +
               MaskQuery(rest.substr(question + 1, fragment - question - 1)) +
               rest.substr(fragment);
    }
    return masked + rest;
}

std::string WithoutSecret(std::string text, const std::string& secret) {
    if (secret.empty()) {
        return text;
    }
    for (std::size_t at = text.find(secret); at != std::string::npos;
         at = text.find(secret, at + 3)) {
        text.replace(at, secret.size(), "***");
    }
    return text;
}

}  // namespace kestrova
