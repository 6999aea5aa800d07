#include "WatchTesting.h"

namespace kestrova::testing {

MarketplaceForTests& Market() {
    static MarketplaceForTests market;
    return market;
}

std::string MarketAddress() {
    return "127.0.0.1:" + std::to_string(Market().Port());
}

RunSettings Isolated(const TempFolder& folder) {
    RunSettings settings;
    settings.environment["XDG_DATA_HOME"] = (folder / "data").string();
    settings.environment["KESTROVA_HISTORY"] = std::nullopt;
    settings.environment["KESTROVA_CONNECT_TO"] = std::nullopt;
    settings.environment["KESTROVA_FAST"] = std::nullopt;
    return settings;
}

ProgramRun Cli(const std::vector<std::string>& arguments, const RunSettings& settings) {
    std::vector<std::string> argv = {KESTROVA_CLI};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv, settings);
}

ProgramRun CliOn(const std::filesystem::path& file, std::vector<std::string> arguments,
                 const RunSettings& settings) {
    arguments.push_back("--history");
    arguments.push_back(file.string());
    return Cli(arguments, settings);
}

}  // namespace kestrova::testing
