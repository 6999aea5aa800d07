#pragma once
// The query as it runs after a click, in a program that is already up (this
// one), timed from the click to the result on show: on a headless window, and
// on the program's own window on the offscreen platform, repaints included.

#include <memory>
#include <string>

#include "lookup/LookupSession.h"

namespace kestrova::bench {

struct QueryRun {
    double wallMs = 0;     // from the click to the result on show
    double cpuMs = 0;      // CPU time of the program's own threads (not the marketplace's)
    std::string memberId;  // what the query wrote into the member id field
};

// CPU time so far of this program's own threads: the main thread, the
// transfer engine's ("kestrova-net") and the query worker's ("kestrova-query").
double ProgramCpuMs();

// Looks the account (UTF-8) up against the marketplace on 127.0.0.1:port, on
// one headless window that lives as long as the program.
QueryRun RunHeadlessQuery(const std::string& account, int port, LookupMode mode);

// The program's main window, shown; needs a QApplication.
class WindowQuery {
  public:
    WindowQuery();
    ~WindowQuery();
    WindowQuery(const WindowQuery&) = delete;
    WindowQuery& operator=(const WindowQuery&) = delete;

    // Types the account into the window and clicks; the time runs until the
    // lookup has ended and the window has painted what it wrote.
    QueryRun Run(const std::string& account, int port, LookupMode mode);

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace kestrova::bench
