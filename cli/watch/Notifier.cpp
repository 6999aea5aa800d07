#include "cli/watch/Notifier.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

extern char** environ;

namespace kestrova {
namespace {

constexpr const char* kSender = "kestrova-notify";

bool Executable(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) && ::access(file.c_str(), X_OK) == 0;
}

std::string OwnPath() {
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
}

// Runs the sender and waits for it; its exit status, or -1 when it could not
// run or a signal ended it.
int Run(const std::string& sender, const ChangeNotice& notice) {
    std::vector<std::string> arguments = {sender};
    if (notice.critical) {
        arguments.insert(arguments.end(), {"--urgency", "critical"});
    }
    // Page text follows "--": it can never be taken for an option.
    arguments.insert(arguments.end(), {"--", notice.summary, notice.body});
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    // Nothing it prints may mix with the report; its warnings go to standard error.
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // This program ignores SIGXFSZ; the sender starts as a shell would start it.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGXFSZ);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    pid_t child = -1;
    const int failed =
        posix_spawn(&child, sender.c_str(), &files, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0) {
        std::fprintf(stderr, "kestrova-cli: warning: no desktop notifications: %s: %s\n",
                     sender.c_str(), std::strerror(failed));
        return -1;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            return -1;
        }
    }
    if (WIFSIGNALED(status)) {
        std::fprintf(stderr,
                     "kestrova-cli: warning: no desktop notifications: %s ended by signal %d\n",
                     sender.c_str(), WTERMSIG(status));
        return -1;
    }
    return WEXITSTATUS(status);
}

}  // namespace

std::optional<std::string> FindNotifySender(const std::string& self, const std::string& path) {
    if (!self.empty()) {
        const auto beside = std::filesystem::path(self).parent_path() / kSender;
        if (Executable(beside)) {
            return beside.string();
        }
    }
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(':', start), path.size());
        const std::filesystem::path folder = path.substr(start, end - start);
        // An empty or relative entry names the current folder: whatever lies
        // there is not run.
        if (folder.is_absolute() && Executable(folder / kSender)) {
            return (folder / kSender).string();
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<std::string> Notifier::Sender() {
    if (!looked_) {
        looked_ = true;
        const char* path = std::getenv("PATH");
        sender_ = FindNotifySender(OwnPath(), path != nullptr ? path : "");
        if (!sender_) {
            std::fprintf(stderr,
                         "kestrova-cli: warning: no desktop notifications: %s is neither beside "
                         "kestrova-cli nor on PATH (it comes with the window)\n",
                         kSender);
        }
    }
    return sender_;
}

void Notifier::Send(const ChangeNotice& notice) {
    if (off_) {
        return;
    }
    const std::optional<std::string> sender = Sender();
    // The sender has said why it failed; once is enough for the run.
    off_ = !sender || Run(*sender, notice) != 0;
}

}  // namespace kestrova
