#pragma once
// Runs a program of ours, or another, the way a shell would: its own
// environment (this one's, with the changes given), no standard input, and
// what it writes kept. A program that outlives its time is killed.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrova::hostile {

struct ChildRun {
    int exitCode = -1;  // -1: ended by a signal, or killed for taking too long
    std::string out;
    std::string err;
    double seconds = 0;
};

// argv[0] is looked up in PATH when it holds no slash. `environment` sets a
// variable, or removes it when nullopt.
ChildRun RunChild(const std::vector<std::string>& argv,
                  const std::map<std::string, std::optional<std::string>>& environment = {},
                  double maxSeconds = 120);

// The path of the running program.
std::string ThisProgram();

}  // namespace kestrova::hostile
