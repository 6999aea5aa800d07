#include "cli/batch/AccountList.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace kestrova {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// Nothing on the line but spaces and tabs: a user never means that as a name.
bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

std::vector<std::string> ParseAccountList(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<std::string> accounts;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (end != std::string_view::npos && line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (IsBlank(line) || line.starts_with('#')) {
            continue;
        }
        accounts.emplace_back(line);
    }
    return accounts;
}

std::optional<std::string> ReadListFile(const std::string& path, std::string& error) {
    const bool standardInput = path == "-";
    const int fd = standardInput ? STDIN_FILENO : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::generic_category().message(errno);
        return std::nullopt;
    }
    std::string text;
    char buffer[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            error = std::generic_category().message(errno);
            if (!standardInput) {
                ::close(fd);
            }
            return std::nullopt;
        }
    }
    if (!standardInput) {
        ::close(fd);
    }
    return text;
}

}  // namespace kestrova
