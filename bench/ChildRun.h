#pragma once
// One run of a program as a child process: its wall time, its own CPU time and
// peak memory as the kernel accounts them, and what it printed.

#include <string>
#include <vector>

namespace kestrova::bench {

struct ChildRun {
    bool started = false;
    int exitStatus = -1;        // -1 when it did not exit normally
    double wallMs = 0;          // from just before the spawn to the reaped exit
    double firstOutputMs = -1;  // from just before the spawn to its first output
    double cpuMs = 0;           // user + system time of the child alone
    // The child's ru_maxrss. The kernel counts into it the spawner's own peak
    // at the time of the spawn (the child's image before its exec), so it says
    // something of the child only when above parentPeakKb.
    long peakRssKb = 0;
    long parentPeakKb = 0;
    std::string out;  // everything it wrote to standard output
};

// Runs argv[0] (a path) with the given arguments and the current environment;
// standard error stays the caller's, or goes into `errorFile` when one is named.
ChildRun RunChild(const std::vector<std::string>& argv, const std::string& errorFile = {});

}  // namespace kestrova::bench
