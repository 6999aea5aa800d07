#include "Subprocess.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace kestrova::testing {
namespace {

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

std::string TemporaryFile() {
    char name[] = "/tmp/kestrova-stderr-XXXXXX";
    const int fd = mkstemp(name);
    close(fd);
    return name;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The program's environment: this process's, with the settings applied.
std::vector<std::string> Environment(const RunSettings& settings) {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos) {
            variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
    }
    for (const auto& [name, value] : settings.environment) {
        if (value) {
            variables[name] = *value;
        } else {
            variables.erase(name);
        }
    }
    std::vector<std::string> entries;
    for (const auto& [name, value] : variables) {
        entries.push_back(name + "=" + value);
    }
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// What a user's shell hands every program it starts: each signal at its
// default action and none blocked, whatever this test process set for itself.
// (A harness that ignored SIGXFSZ here would test a program nobody runs.)
void AsAShellStartsIt() {
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) {
            sigaction(signal, &byDefault, nullptr);
        }
    }
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
}

// In the child, between fork and exec, where another thread of this process
// may have held a lock of the allocator at the fork: only system calls, on
// what the parent prepared. Standard output on `out`, standard error into
// `errFile`, no standard input, then the settings.
[[noreturn]] void Become(char* const* argv, char* const* envp, const RunSettings& settings, int out,
                         const char* errFile) {
    AsAShellStartsIt();
    dup2(out, STDOUT_FILENO);
    const int err = open(errFile, O_WRONLY | O_TRUNC);
    dup2(err, STDERR_FILENO);
    const int none = open("/dev/null", O_RDONLY);
    dup2(none, STDIN_FILENO);
    if (settings.fileSizeLimit) {
        const rlimit limit{static_cast<rlim_t>(*settings.fileSizeLimit),
                           static_cast<rlim_t>(*settings.fileSizeLimit)};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (settings.user) {
        if (setgroups(0, nullptr) != 0 || setgid(*settings.user) != 0 ||
            setuid(*settings.user) != 0) {
            _exit(126);
        }
    }
    execve(argv[0], argv, envp);
    _exit(127);
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv, const RunSettings& settings) {
    RunningProgram program(argv, settings);
    ProgramRun run;
    run.out = program.ReadRest();
    run.exitCode = program.Wait();
    run.err = program.Errors();
    return run;
}

RunningProgram::RunningProgram(const std::vector<std::string>& argv, const RunSettings& settings)
    : errFile_(TemporaryFile()) {
    std::vector<std::string> arguments = argv;
    std::vector<std::string> environment = Environment(settings);
    const std::vector<char*> argp = Pointers(arguments);
    const std::vector<char*> envp = Pointers(environment);
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    pid_ = fork();
    if (pid_ == 0) {
        close(fds[0]);
        Become(argp.data(), envp.data(), settings, fds[1], errFile_.c_str());
    }
    close(fds[1]);
    out_ = fds[0];
}

RunningProgram::~RunningProgram() {
    if (!waited_ && pid_ > 0) {
        kill(pid_, SIGKILL);
        Wait();
    }
    if (out_ >= 0) {
        close(out_);
    }
    std::remove(errFile_.c_str());
}

std::optional<std::string> RunningProgram::ReadLine() {
    while (true) {
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        char buffer[4096];
        const ssize_t n = read(out_, buffer, sizeof buffer);
        if (n <= 0) {
            if (pending_.empty()) {
                return std::nullopt;
            }
            std::string line = std::move(pending_);
            pending_.clear();
            return line;
        }
        pending_.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string RunningProgram::ReadRest() {
    std::string rest = std::move(pending_);
    pending_.clear();
    return rest + ReadAll(out_);
}

void RunningProgram::Kill(int signal) {
    kill(pid_, signal);
}

int RunningProgram::Wait() {
    int status = 0;
    waitpid(pid_, &status, 0);
    waited_ = true;
    return ExitCodeOf(status);
}

std::string RunningProgram::Errors() const {
    return FileText(errFile_);
}

}  // namespace kestrova::testing
