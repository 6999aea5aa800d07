#include "cli/batch/BatchProgress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

namespace kestrova {
namespace {

// Back to the start of the line, and everything from there on erased.
constexpr const char* kReturn = "\r";
constexpr const char* kEraseLine = "\x1b[K";

// Elapsed time counts whole seconds gone; time left rounds up, so that it says
// 0:00 only when nothing is left.
std::string Clock(std::chrono::milliseconds time, bool roundUp) {
    const long long seconds = (time.count() + (roundUp ? 999 : 0)) / 1000;
    char text[32];
    if (seconds >= 3600) {
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                      seconds % 60);
    } else {
        std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    }
    return text;
}

// A line as wide as the terminal would wrap, and the next redraw would then
// leave its first part standing.
std::size_t UsableWidth(int fd) {
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 1) {
        return size.ws_col - 1u;
    }
    return 79;
}

std::string TimeOfDay(std::chrono::system_clock::time_point at) {
    const std::time_t t = std::chrono::system_clock::to_time_t(at);
    std::tm local{};
    localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}

}  // namespace

std::string ProgressLine(const BatchCounts& counts, std::chrono::milliseconds elapsed) {
    std::string line = std::to_string(counts.done) + "/" + std::to_string(counts.total) +
                       " done, " + std::to_string(counts.running) + " running, " +
                       std::to_string(counts.endedEarly) + " ended early, ";
    if (counts.reruns > 0) {
        line += std::to_string(counts.reruns) + " run again, ";
    }
    line += Clock(elapsed, false) + " elapsed, ";
    // A pause says so first: the time left would only guess past it.
    if (counts.pausedUntil) {
        return line + "paused by the marketplace's refusal until " + TimeOfDay(*counts.pausedUntil);
    }
    if (counts.done == 0) {
        return line + "time left unknown";
    }
    // The pace so far, whatever number of lookups ran at once to reach it.
    const long long left = static_cast<long long>(counts.total - counts.done);
    const std::chrono::milliseconds estimate((elapsed.count() * left + counts.done - 1) /
                                             counts.done);
    return line + "about " + Clock(estimate, true) + " left";
}

BatchProgress::BatchProgress(int fd)
    : fd_(fd), terminal_(::isatty(fd) == 1), start_(std::chrono::steady_clock::now()) {}

BatchProgress::~BatchProgress() {
    Clear();
}

void BatchProgress::Update(const BatchCounts& counts) {
    if (!terminal_) {
        return;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start_);
    std::string line = ProgressLine(counts, elapsed);
    const std::size_t width = UsableWidth(fd_);
    if (line.size() > width) {
        line.resize(width);  // the line is ASCII
    }
    if (line == drawn_) {
        return;
    }
    Write(kReturn + line + kEraseLine);
    drawn_ = std::move(line);
}

void BatchProgress::Clear() {
    if (!terminal_ || drawn_.empty()) {
        return;
    }
    Write(std::string(kReturn) + kEraseLine);
    drawn_.clear();
}

void BatchProgress::Write(const std::string& bytes) const {
    std::size_t at = 0;
    while (at < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + at, bytes.size() - at);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return;  // a terminal gone away takes the progress with it, nothing more
        }
        at += static_cast<std::size_t>(n);
    }
}

}  // namespace kestrova
