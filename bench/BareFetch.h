#pragma once
// The least a client can do for one request: connect to 127.0.0.1:port, send a
// bare GET, read the answer to the end. The marketplace's requests replayed
// this way give the round trips alone, without anything the query adds.

#include <string>

namespace kestrova::bench {

// Bytes of the whole answer (head and body); -1 when the exchange failed.
long BareFetch(int port, const std::string& host, const std::string& target);

}  // namespace kestrova::bench
