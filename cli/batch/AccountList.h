#pragma once
// The accounts of one run: those named on the command line, then those of a
// list file. A list is UTF-8 text, one account per line; a byte-order mark at
// its start, blank lines and lines starting with "#" are skipped, and every
// other line is the account exactly as it would be typed on the command line
// (only the line ending, LF or CR LF, is taken off).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

std::vector<std::string> ParseAccountList(std::string_view text);

// The whole of a list file, or of standard input for "-". Nothing, with the
// reason in `error`, when it cannot be read.
std::optional<std::string> ReadListFile(const std::string& path, std::string& error);

}  // namespace kestrova
