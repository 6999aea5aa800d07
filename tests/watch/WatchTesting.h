#pragma once
// What the tests of marks, the watch list and its re-check share: the sample
// marketplace in this process (its moment switched by the test), kestrova-cli
// run as a user runs it, with a history and environment of the test's own.

#include <filesystem>
#include <string>
#include <vector>

#include "HistoryTesting.h"
#include "Subprocess.h"

namespace kestrova::testing {

MarketplaceForTests& Market();
// "127.0.0.1:PORT" of the marketplace, for --connect-to.
std::string MarketAddress();

// No history, notification sender or marketplace of the user's reaches the
// program, whatever the test forgets.
RunSettings Isolated(const TempFolder& folder);

// kestrova-cli with these arguments.
ProgramRun Cli(const std::vector<std::string>& arguments, const RunSettings& settings);
// kestrova-cli with these arguments and --history FILE.
ProgramRun CliOn(const std::filesystem::path& file, std::vector<std::string> arguments,
                 const RunSettings& settings);

}  // namespace kestrova::testing
