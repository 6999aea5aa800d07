#pragma once
// The progress of a batch on a terminal: one line, redrawn in place, cleared
// at the end. Nothing at all when the stream is not a terminal, so that logs
// and pipes get no carriage returns.

#include <chrono>
#include <string>

#include "cli/batch/BatchLookup.h"

namespace kestrova {

// "12/100 done, 4 running, 1 ended early, 0:07 elapsed, about 0:51 left";
// during a pause "..., paused by the marketplace's refusal until 14:05:09".
std::string ProgressLine(const BatchCounts& counts, std::chrono::milliseconds elapsed);

class BatchProgress {
  public:
    // Draws on the file descriptor when it is a terminal.
    explicit BatchProgress(int fd);
    ~BatchProgress();
    BatchProgress(const BatchProgress&) = delete;
    BatchProgress& operator=(const BatchProgress&) = delete;

    bool Shown() const { return terminal_; }
    // Redraws the line when its text has changed.
    void Update(const BatchCounts& counts);
    // Takes the line away, before anything else is written to the terminal;
    // the next Update draws it again.
    void Clear();

  private:
    void Write(const std::string& bytes) const;

    int fd_;
    bool terminal_;
    std::chrono::steady_clock::time_point start_;
    std::string drawn_;
};

}  // namespace kestrova
