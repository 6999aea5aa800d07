#pragma once
// Running a program of ours as a user would, and watching what it prints.

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace kestrova::testing {

struct ProgramRun {
    int exitCode = -1;  // -1: ended by a signal
    std::string out;
    std::string err;
};

struct RunSettings {
    // Set (or, with nullopt, removed) in the program's environment.
    std::map<std::string, std::optional<std::string>> environment;
    // Largest file the program may write (RLIMIT_FSIZE), in bytes: a full disk.
    std::optional<long> fileSizeLimit;
    // Run as this user and group (a root test that needs a file it cannot write).
    std::optional<uid_t> user;
};

// Runs to its end, with no standard input.
ProgramRun RunProgram(const std::vector<std::string>& argv, const RunSettings& settings = {});

// A program running beside the test, its standard output on a pipe.
class RunningProgram {
  public:
    explicit RunningProgram(const std::vector<std::string>& argv, const RunSettings& settings = {});
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // The next line it prints, without the line end; nullopt at its end.
    std::optional<std::string> ReadLine();
    // Everything it prints from here to its end, byte for byte.
    std::string ReadRest();
    void Kill(int signal);
    // Waits for its end; the exit code, -1 when a signal ended it.
    int Wait();
    // What it wrote to standard error (after Wait).
    std::string Errors() const;

  private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string errFile_;
    std::string pending_;
    bool waited_ = false;
};

}  // namespace kestrova::testing
