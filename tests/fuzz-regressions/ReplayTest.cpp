// Every kept crash input and every seed, fed to the entry function of its fuzz
// target. An entry ends the process on a fault, so a failing input shows as a
// crashed test naming its target; the input being replayed is traced first.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzEntries.h"

namespace kestrova::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> TargetNames() {
    std::vector<std::string> names;
    for (const FuzzTarget& target : FuzzTargets()) {
        names.emplace_back(target.name);
    }
    return names;
}

FuzzEntry EntryOf(const std::string& name) {
    for (const FuzzTarget& target : FuzzTargets()) {
        if (name == target.name) {
            return target.entry;
        }
    }
    return nullptr;
}

std::vector<fs::path> FilesIn(const fs::path& dir) {
    std::vector<fs::path> files;
    if (fs::is_directory(dir)) {
        for (const fs::directory_entry& entry : fs::directory_iterator(dir)) {
            if (entry.is_regular_file()) {
                files.push_back(entry.path());
            }
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

int ReplayAll(const std::string& target, const char* kind) {
    const FuzzEntry entry = EntryOf(target);
    EXPECT_NE(entry, nullptr);
    int replayed = 0;
    for (const fs::path& file : FilesIn(fs::path(KESTROVA_FUZZ_DIR) / kind / target)) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                      std::istreambuf_iterator<char>());
        std::fprintf(stderr, "replaying %s\n", file.c_str());
        EXPECT_EQ(entry(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++replayed;
    }
    return replayed;
}

class Replay : public ::testing::TestWithParam<std::string> {};

TEST_P(Replay, KeptCrashInputs) {
    ReplayAll(GetParam(), "regressions");
}

TEST_P(Replay, SeedCorpus) {
    EXPECT_GT(ReplayAll(GetParam(), "corpus"), 0) << "every target starts from seeds";
}

INSTANTIATE_TEST_SUITE_P(Targets, Replay, ::testing::ValuesIn(TargetNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             return info.param;
                         });

}  // namespace
}  // namespace kestrova::fuzz
