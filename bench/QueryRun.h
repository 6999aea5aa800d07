#pragma once
// The query as the window runs it after a click: in this process, on a
// headless window, with everything loaded and warmed up by earlier runs.

#include <string>

namespace kestrova::bench {

struct QueryRun {
    double wallMs = 0;     // the click's handler from start to end
    double cpuMs = 0;      // CPU time of the thread that ran it
    std::string memberId;  // what the query wrote into the member id field
};

// Looks the account (UTF-8) up against the marketplace on 127.0.0.1:port.
QueryRun RunQuery(const std::string& account, int port);

}  // namespace kestrova::bench
