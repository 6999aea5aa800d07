#include "web/NetworkGuard.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <string_view>

#include "text/GbkChar.h"
#include "web/Endpoints.h"

namespace kestrova {
namespace {

struct Range {
    std::uint32_t base;
    int bits;
};

constexpr std::uint32_t Ip(int a, int b, int c, int d) {
    return static_cast<std::uint32_t>(a) << 24 | static_cast<std::uint32_t>(b) << 16 |
           static_cast<std::uint32_t>(c) << 8 | static_cast<std::uint32_t>(d);
}

constexpr Range kNonPublicV4[] = {
    {Ip(0, 0, 0, 0), 8},       // this network, the unspecified address
    {Ip(10, 0, 0, 0), 8},      // private
    {Ip(100, 64, 0, 0), 10},   // shared address space (carrier NAT)
    {Ip(127, 0, 0, 0), 8},     // loopback
    {Ip(169, 254, 0, 0), 16},  // link-local, cloud metadata services
    {Ip(172, 16, 0, 0), 12},   // private
    {Ip(192, 168, 0, 0), 16},  // private
    {Ip(224, 0, 0, 0), 4},     // multicast
    {Ip(240, 0, 0, 0), 4},     // reserved, the broadcast address
};

bool IsPublicV4(std::uint32_t address) {
    for (const Range& range : kNonPublicV4) {
        const std::uint32_t mask = ~std::uint32_t{0} << (32 - range.bits);
        if ((address & mask) == range.base) {
            return false;
        }
    }
    return true;
}

std::uint32_t EmbeddedV4(const std::uint8_t* bytes) {
    return Ip(bytes[12], bytes[13], bytes[14], bytes[15]);
}

bool IsPublicV6(const std::uint8_t* b) {
    static constexpr std::uint8_t kZeros[12] = {};
    static constexpr std::uint8_t kMapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff};
    // ::ffff:a.b.c.d reaches the IPv4 address itself; ::a.b.c.d (the old
    // compatible form, :: and ::1 among them) is judged by its IPv4 part too.
    if (std::memcmp(b, kMapped, 12) == 0 || std::memcmp(b, kZeros, 12) == 0) {
        return IsPublicV4(EmbeddedV4(b));
    }
    if (b[0] == 0xff) {
        return false;  // multicast
    }
    if ((b[0] & 0xfe) == 0xfc) {
        return false;  // unique-local fc00::/7
    }
    if (b[0] == 0xfe && (b[1] & 0xc0) == 0x80) {
        return false;  // link-local fe80::/10
    }
    if (b[0] == 0xfe && (b[1] & 0xc0) == 0xc0) {
        return false;  // the old site-local fec0::/10, private by another name
    }
    return true;
}

struct Allowance {
    std::mutex mutex;
    std::optional<bool> allowed;  // set, or the environment read once
};

Allowance& State() {
    static Allowance state;
    return state;
}

bool EnvironmentAllows() {
    const char* value = std::getenv("KESTROVA_ALLOW_PRIVATE_NETWORK");
    if (value == nullptr) {
        return false;
    }
    for (const std::string_view yes : {"1", "true", "yes", "on"}) {
        if (EqualsAsciiNoCase(value, yes)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsPublicAddress(const sockaddr* address, socklen_t length) {
    if (address == nullptr) {
        return false;
    }
    if (address->sa_family == AF_INET && length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        return IsPublicV4(ntohl(v4->sin_addr.s_addr));
    }
    if (address->sa_family == AF_INET6 && length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        return IsPublicV6(v6->sin6_addr.s6_addr);
    }
    return false;
}

std::string AddressText(const sockaddr* address, socklen_t length) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address != nullptr && address->sa_family == AF_INET &&
        length >= static_cast<socklen_t>(sizeof(sockaddr_in))) {
        ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                    sizeof text);
    } else if (address != nullptr && address->sa_family == AF_INET6 &&
               length >= static_cast<socklen_t>(sizeof(sockaddr_in6))) {
        ::inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text,
                    sizeof text);
    } else {
        return "an address of another family";
    }
    return text;
}

void SetPrivateNetworkAllowed(bool allowed) {
    Allowance& state = State();
    std::lock_guard lock(state.mutex);
    state.allowed = allowed;
}

bool PrivateNetworkAllowed() {
    Allowance& state = State();
    std::lock_guard lock(state.mutex);
    if (!state.allowed) {
        state.allowed = EnvironmentAllows();
    }
    return *state.allowed;
}

bool NetworkGuardInForce() {
    return !PrivateNetworkAllowed() && !ConnectTo();
}

}  // namespace kestrova
