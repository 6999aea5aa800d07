#pragma once
// A loopback server for the page-step targets: every request, whatever its
// host and path, is answered with the next of the parts it was given (cycling
// through them), as a 200 with Content-Length, or with the part's raw bytes as
// the whole response. The program reaches it through the connect-to override,
// so the steps run their real requests and no request leaves the machine.
// One server serves the whole process and is never taken down: libFuzzer ends
// the process with exit(), which must not wait for its thread.

#include <string>
#include <vector>

namespace kestrova::fuzz {

enum class AnswerMode { Page, Raw };

class LoopbackPages {
  public:
    // Started and set as the connect-to target on first use.
    static LoopbackPages& Instance();

    // The k-th request from now on gets parts[(first + k) % parts.size()].
    void Serve(std::vector<std::string> parts, std::size_t first = 0,
               AnswerMode mode = AnswerMode::Page);
    int RequestCount() const;

  private:
    LoopbackPages();
    struct Impl;
    Impl* impl_;
};

}  // namespace kestrova::fuzz
