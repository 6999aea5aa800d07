#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "cli/batch/BatchProgress.h"

namespace kestrova {
namespace {

using std::chrono::milliseconds;

struct LineCase {
    const char* name;
    BatchCounts counts;
    long long elapsedMs;
    const char* line;
};

class ProgressLines : public ::testing::TestWithParam<LineCase> {};

TEST_P(ProgressLines, ReadAsExpected) {
    EXPECT_EQ(ProgressLine(GetParam().counts, milliseconds(GetParam().elapsedMs)), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    BatchProgress, ProgressLines,
    ::testing::Values(
        LineCase{"NothingDoneYet",
                 {10, 0, 4, 0},
                 0,
                 "0/10 done, 4 running, 0 ended early, 0:00 elapsed, time left unknown"},
        LineCase{"HalfDone",
                 {10, 5, 4, 1},
                 10'000,
                 "5/10 done, 4 running, 1 ended early, 0:10 elapsed, about 0:10 left"},
        LineCase{"LeftRoundsUp",
                 {3, 1, 2, 0},
                 1,
                 "1/3 done, 2 running, 0 ended early, 0:00 elapsed, about 0:01 left"},
        LineCase{"ElapsedRoundsDown",
                 {4, 2, 2, 0},
                 59'999,
                 "2/4 done, 2 running, 0 ended early, 0:59 elapsed, about 1:00 left"},
        LineCase{"AllDone",
                 {7, 7, 0, 7},
                 65'000,
                 "7/7 done, 0 running, 7 ended early, 1:05 elapsed, about 0:00 left"},
        LineCase{"Hours",
                 {1000, 1, 16, 0},
                 3'725'000,
                 "1/1000 done, 16 running, 0 ended early, 1:02:05 elapsed, about "
                 "1033:41:15 left"}),
    [](const auto& info) { return info.param.name; });

std::string Drain(int fd) {
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            return bytes;
        }
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

// A pseudo-terminal of the given width, its master side read without waiting.
struct Terminal {
    explicit Terminal(unsigned short columns) {
        winsize size{};
        size.ws_col = columns;
        size.ws_row = 24;
        EXPECT_EQ(::openpty(&master, &slave, nullptr, nullptr, &size), 0);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~Terminal() {
        ::close(master);
        ::close(slave);
    }
    int master = -1;
    int slave = -1;
};

TEST(BatchProgress, RedrawsOneLineInPlaceOnATerminalAndClearsIt) {
    Terminal terminal(200);
    {
        BatchProgress progress(terminal.slave);
        EXPECT_TRUE(progress.Shown());
        progress.Update({3, 0, 2, 0});
        EXPECT_EQ(Drain(terminal.master),
                  "\r0/3 done, 2 running, 0 ended early, 0:00 elapsed, time left unknown\x1b[K");
        progress.Update({3, 0, 2, 0});
        EXPECT_EQ(Drain(terminal.master), "");  // the same text is not drawn twice
        progress.Clear();
        EXPECT_EQ(Drain(terminal.master), "\r\x1b[K");
        progress.Clear();
        EXPECT_EQ(Drain(terminal.master), "");
        progress.Update({3, 1, 2, 1});
        EXPECT_EQ(Drain(terminal.master).rfind("\r1/3 done, 2 running, 1 ended early", 0), 0u);
    }
    // Gone with the progress object.
    EXPECT_EQ(Drain(terminal.master), "\r\x1b[K");
}

TEST(BatchProgress, LineNeverWiderThanTheTerminal) {
    Terminal terminal(30);
    BatchProgress progress(terminal.slave);
    progress.Update({3, 0, 2, 0});
    EXPECT_EQ(Drain(terminal.master), "\r0/3 done, 2 running, 0 ended \x1b[K");
}

TEST(BatchProgress, NothingOnAPipe) {
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK), 0);
    {
        BatchProgress progress(fds[1]);
        EXPECT_FALSE(progress.Shown());
        progress.Update({3, 1, 2, 0});
        progress.Clear();
    }
    EXPECT_EQ(Drain(fds[0]), "");
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
}  // namespace kestrova
