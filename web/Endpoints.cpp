#include "web/Endpoints.h"

#include <cstdlib>
#include <mutex>

namespace kestrova {
namespace {

struct ConnectToState {
    std::mutex mutex;
    bool decided = false;  // set by SetConnectTo, or the environment read once
    std::optional<ConnectTarget> target;
};

ConnectToState& State() {
    static ConnectToState state;
    return state;
}

bool AllDigits(const std::string& s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<ConnectTarget> ParseConnectTarget(const std::string& hostPort) {
    std::string host;
    std::string port;
    if (!hostPort.empty() && hostPort.front() == '[') {
        // A bracketed IPv6 literal: [::1]:8080.
        const std::size_t close = hostPort.find(']');
        if (close == std::string::npos || close + 1 >= hostPort.size() ||
            hostPort[close + 1] != ':') {
            return std::nullopt;
        }
        host = hostPort.substr(1, close - 1);
        port = hostPort.substr(close + 2);
    } else {
        const std::size_t colon = hostPort.rfind(':');
        if (colon == std::string::npos) {
            return std::nullopt;
        }
        host = hostPort.substr(0, colon);
        port = hostPort.substr(colon + 1);
        if (host.find(':') != std::string::npos) {
            return std::nullopt;  // an IPv6 literal needs its brackets
        }
    }
    if (host.empty() || !AllDigits(port) || port.size() > 5) {
        return std::nullopt;
    }
    for (char c : host) {
        if (c == ' ' || c == '/' || c == '@' || c == '[' || c == ']' ||
            static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7E) {
            return std::nullopt;
        }
    }
    const int number = std::atoi(port.c_str());
    if (number < 1 || number > 65535) {
        return std::nullopt;
    }
    return ConnectTarget{host, number};
}

void SetConnectTo(std::optional<ConnectTarget> target) {
    ConnectToState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.decided = true;
    state.target = std::move(target);
}

std::optional<ConnectTarget> ConnectTo() {
    ConnectToState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (!state.decided) {
        state.decided = true;
        if (const char* value = std::getenv("KESTROVA_CONNECT_TO")) {
            state.target = ParseConnectTarget(value);
        }
    }
    return state.target;
}

}  // namespace kestrova
