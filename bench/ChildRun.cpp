#include "bench/ChildRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace kestrova::bench {

namespace {

double Milliseconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3;
}

}  // namespace

ChildRun RunChild(const std::vector<std::string>& argv, const std::string& errorFile) {
    ChildRun run;
    int pipeFds[2];
    if (argv.empty() || pipe(pipeFds) != 0) {
        return run;
    }
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    if (!errorFile.empty()) {
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }

    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    run.parentPeakKb = self.ru_maxrss;

    const auto begin = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return run;
    }
    run.started = true;

    // Drain the pipe while the child runs, so that a large listing never
    // blocks it on a full pipe.
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n > 0) {
            if (run.out.empty()) {
                run.firstOutputMs = std::chrono::duration<double, std::milli>(
                                        std::chrono::steady_clock::now() - begin)
                                        .count();
            }
            run.out.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(pipeFds[0]);

    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    const auto end = std::chrono::steady_clock::now();

    run.wallMs = std::chrono::duration<double, std::milli>(end - begin).count();
    run.cpuMs = Milliseconds(usage.ru_utime) + Milliseconds(usage.ru_stime);
    run.peakRssKb = usage.ru_maxrss;
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace kestrova::bench
