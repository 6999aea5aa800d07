#pragma once
// Pages name the hosts the program connects to, so a page could point it at
// the user's own network: the router, a printer, a database on this machine,
// a cloud's metadata service. Unless the user has named the one place every
// request goes (connect-to) or allowed private addresses, a connection goes
// only to a public address. The check looks at the address a socket is about
// to connect to, not at the text of the address, so every spelling of a
// number and every name that resolves (or re-resolves) there is caught alike.

#include <sys/socket.h>

#include <string>

namespace kestrova {

// False for loopback, "this network" (0.0.0.0/8), the private ranges of
// RFC 1918, shared address space (100.64.0.0/10), link-local (169.254.0.0/16,
// fe80::/10), unique-local (fc00::/7), multicast, the unspecified and the
// broadcast address, the reserved 240.0.0.0/4, and the IPv4-mapped and
// IPv4-compatible IPv6 forms of any of these; false too for any family but
// IPv4 and IPv6. The documentation ranges count as public.
bool IsPublicAddress(const sockaddr* address, socklen_t length);

// The address as text ("127.0.0.1", "::1"), for messages.
std::string AddressText(const sockaddr* address, socklen_t length);

// Turns the guard off (or on again). Until set, KESTROVA_ALLOW_PRIVATE_NETWORK
// decides: 1, true, yes or on allow private addresses.
void SetPrivateNetworkAllowed(bool allowed);
bool PrivateNetworkAllowed();

// Whether connections are checked now: not when private addresses are
// allowed, and not under connect-to, where the user named the target.
bool NetworkGuardInForce();

}  // namespace kestrova
