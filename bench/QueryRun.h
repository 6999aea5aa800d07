#pragma once
// The query as it runs after a click, in a program that is already up (this
// one), timed from the click to the result on show: on a headless window, and
// on the program's own window on the offscreen platform, repaints included.

#include <memory>
#include <string>

namespace kestrova::bench {

struct QueryRun {
    double wallMs = 0;     // from the click to the end of the handler
    double cpuMs = 0;      // CPU time of the thread that ran it
    std::string memberId;  // what the query wrote into the member id field
};

// Looks the account (UTF-8) up against the marketplace on 127.0.0.1:port, on
// one headless window that lives as long as the program.
QueryRun RunHeadlessQuery(const std::string& account, int port);

// The program's main window, shown; needs a QApplication.
class WindowQuery {
  public:
    WindowQuery();
    ~WindowQuery();
    WindowQuery(const WindowQuery&) = delete;
    WindowQuery& operator=(const WindowQuery&) = delete;

    // Types the account into the window and clicks; the time runs until the
    // query has returned and the window has painted what it wrote.
    QueryRun Run(const std::string& account, int port);

  private:
    struct Parts;
    std::unique_ptr<Parts> parts_;
};

}  // namespace kestrova::bench
