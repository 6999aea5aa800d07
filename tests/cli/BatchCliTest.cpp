// kestrova-cli lookup with many accounts, as a user runs it: JSON Lines and
// text blocks in input order, account lists from files and standard input,
// usage errors, and the progress line on a terminal only.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "marketplace/Members.h"
#include "tests/support/HostileServer.h"
#include "text/Gbk.h"

namespace {

using nlohmann::ordered_json;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;  // standard error, from a pipe or from the terminal
};

std::string ReadAll(int fd) {
    std::string bytes;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) {
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    return bytes;
}

// The test's environment, with the history in a folder of the test's own
// (gone at the test's end): whatever the user's history holds, or a newer
// program wrote there, must neither reach these runs nor be written by them.
struct IsolatedEnvironment {
    IsolatedEnvironment() {
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string_view entry(*e);
            if (!entry.starts_with("XDG_DATA_HOME=") && !entry.starts_with("KESTROVA_HISTORY=")) {
                entries.emplace_back(entry);
            }
        }
        entries.push_back("XDG_DATA_HOME=" + data.string());
    }
    ~IsolatedEnvironment() { std::filesystem::remove_all(data); }

    const std::filesystem::path data = std::filesystem::temp_directory_path() /
                                       ("kestrova-batch-data-" + std::to_string(getpid()));
    std::vector<std::string> entries;
};

// Runs kestrova-cli with the arguments (no shell between), the text on its
// standard input, and its standard error on a pipe or on a pseudo-terminal.
CliRun RunCli(const std::vector<std::string>& arguments, const std::string& input = "",
              bool errorOnTerminal = false) {
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("kestrova-cli-out-" + std::to_string(getpid()));
    int in[2];
    int err[2];
    EXPECT_EQ(::pipe(in), 0);
    if (errorOnTerminal) {
        EXPECT_EQ(::openpty(&err[0], &err[1], nullptr, nullptr, nullptr), 0);
    } else {
        EXPECT_EQ(::pipe(err), 0);
    }
    // Made before the fork: the child makes nothing, only system calls.
    std::vector<char*> argv{const_cast<char*>(KESTROVA_CLI)};
    for (const std::string& a : arguments) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    static const IsolatedEnvironment environment;
    std::vector<char*> envp;
    for (const std::string& entry : environment.entries) {
        envp.push_back(const_cast<char*>(entry.c_str()));
    }
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(outFd, STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::close(in[1]);
        ::close(err[0]);
        ::execve(KESTROVA_CLI, argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(err[1]);
    if (!input.empty()) {
        EXPECT_EQ(::write(in[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
    }
    ::close(in[1]);
    CliRun run;
    // Read while it runs: a terminal holds only a few KB unread.
    run.err = ReadAll(err[0]);  // ends at the child's exit (EOF, or EIO for a terminal)
    ::close(err[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream file(out, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    run.out = text.str();
    std::filesystem::remove(out);
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        lines.push_back(text.substr(at, end - at));
        at = end == std::string::npos ? text.size() : end + 1;
    }
    return lines;
}

// The accounts of the JSON Lines, in the order printed.
std::vector<std::string> PrintedAccounts(const CliRun& run) {
    std::vector<std::string> accounts;
    for (const std::string& line : Lines(run.out)) {
        accounts.push_back(ordered_json::parse(line)["account"]);
    }
    return accounts;
}

class TempList : public ::testing::Test {
  protected:
    std::string Write(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary) << bytes;
        return path_.string();
    }
    ~TempList() override { std::filesystem::remove_all(path_); }
    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / ("kestrova-accounts-" + std::to_string(getpid()));
};

TEST(BatchCli, EachJsonLineIsTheSingleLookupWithItsAccountFirst) {
    std::vector<std::string> accounts;
    for (const kestrova::marketplace::Member& m : kestrova::marketplace::Members()) {
        accounts.push_back(m.account);
    }
    accounts.push_back("");
    std::vector<std::string> arguments{"lookup", "--jobs", "4", "--json", "--demo"};
    arguments.insert(arguments.end(), accounts.begin(), accounts.end());
    const CliRun batch = RunCli(arguments);
    ASSERT_EQ(batch.exitCode, 0) << batch.err;
    EXPECT_EQ(batch.err, "");
    const std::vector<std::string> lines = Lines(batch.out);
    ASSERT_EQ(lines.size(), accounts.size());
    for (std::size_t i = 0; i < accounts.size(); ++i) {
        ordered_json member = ordered_json::parse(lines[i]);
        EXPECT_EQ(member.begin().key(), "account");
        EXPECT_EQ(member["account"], accounts[i]);
        member.erase("account");
        const CliRun single = RunCli({"lookup", accounts[i], "--json", "--demo"});
        ASSERT_EQ(single.exitCode, 0);
        EXPECT_EQ(member, ordered_json::parse(single.out)) << accounts[i];
    }
}

TEST(BatchCli, TextBlocksAreHeadedByTheAccountAndSeparatedByABlankLine) {
    const std::vector<std::string> accounts{"书虫阿林", "nobody.here", "walker.zhou"};
    const CliRun batch = RunCli({"lookup", accounts[0], accounts[1], accounts[2], "--demo"});
    ASSERT_EQ(batch.exitCode, 0);
    std::string expected;
    for (const std::string& account : accounts) {
        const CliRun single = RunCli({"lookup", account, "--demo"});
        expected += (expected.empty() ? "" : "\n") + ("== " + account + " ==\n") + single.out;
    }
    EXPECT_EQ(batch.out, expected);
}

TEST(BatchCli, ASlowFirstMemberStillPrintsFirst) {
    kestrova::hostile::HostileServer server;
    const std::string slow = kestrova::Utf8ToGbk("青禾手作坊");
    server.SetMisbehaviour([&slow](const kestrova::hostile::SeenRequest& r,
                                   const kestrova::marketplace::MarketAnswer&) {
        if (r.endpoint == kestrova::hostile::Endpoint::Profile && r.Param("user_id") == slow) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1200));
        }
        return std::optional<kestrova::hostile::Reply>();
    });
    const std::vector<std::string> accounts{"青禾手作坊", "书虫阿林", "nobody.here",
                                            "spam king 2010"};
    const CliRun run = RunCli({"lookup", "--json", "--jobs", "4", "--connect-to",
                               "127.0.0.1:" + std::to_string(server.Port()), accounts[0],
                               accounts[1], accounts[2], accounts[3]});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PrintedAccounts(run), accounts);
}

const std::string kBom = "\xEF\xBB\xBF";
const std::string kList = kBom +
                          "# buyers of last week\r\n"
                          "青禾手作坊\r\n"
                          "\r\n"
                          "   \r\n"
                          "#书虫阿林\r\n"
                          " nobody.here\r\n"
                          "walker.zhou";
const std::vector<std::string> kListed{"青禾手作坊", " nobody.here", "walker.zhou"};

TEST_F(TempList, FromAFileSkipsTheMarkCommentsAndBlankLines) {
    const CliRun run = RunCli({"lookup", "--demo", "--json", "--from", Write(kList)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PrintedAccounts(run), kListed);
    // The name is used as given, leading space and all.
    EXPECT_EQ(ordered_json::parse(Lines(run.out)[1])["fields"]["编辑框1"], " nobody.here");
}

TEST(BatchCli, FromStandardInput) {
    const CliRun run = RunCli({"lookup", "--demo", "--json", "--from", "-"}, kList);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PrintedAccounts(run), kListed);
}

TEST_F(TempList, AccountsOnTheCommandLineComeBeforeTheListed) {
    const CliRun run = RunCli({"lookup", "书虫阿林", "--demo", "--json", "--from", Write(kList)});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> expected{"书虫阿林"};
    expected.insert(expected.end(), kListed.begin(), kListed.end());
    EXPECT_EQ(PrintedAccounts(run), expected);
}

TEST_F(TempList, AListOfOneIsStillABatch) {
    const CliRun run = RunCli({"lookup", "--demo", "--json", "--from", Write("书虫阿林\n")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PrintedAccounts(run), std::vector<std::string>{"书虫阿林"});
}

struct UsageCase {
    const char* name;
    std::vector<std::string> arguments;
    std::string input;
    std::string message;  // the whole of standard error
};

class BatchUsageErrors : public ::testing::TestWithParam<UsageCase> {};

TEST_P(BatchUsageErrors, ExitWithTwoAndOneLineNamingTheProblem) {
    const CliRun run = RunCli(GetParam().arguments, GetParam().input);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, GetParam().message);
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    BatchCli, BatchUsageErrors,
    ::testing::Values(
        UsageCase{"NoAccount",
                  {"lookup", "--demo"},
                  "",
                  "kestrova-cli: no account to look up: give ACCOUNT or --from FILE\n"},
        UsageCase{"JobsZero",
                  {"lookup", "a", "b", "--jobs", "0"},
                  "",
                  "kestrova-cli: --jobs wants a number from 1 to 16, got 0\n"},
        UsageCase{"JobsSeventeen",
                  {"lookup", "a", "--jobs", "17"},
                  "",
                  "kestrova-cli: --jobs wants a number from 1 to 16, got 17\n"},
        UsageCase{"JobsNegative",
                  {"lookup", "a", "--jobs=-1"},
                  "",
                  "kestrova-cli: --jobs wants a number from 1 to 16, got -1\n"},
        UsageCase{"JobsNotANumber",
                  {"lookup", "a", "--jobs", "many"},
                  "",
                  "kestrova-cli: Could not convert: --jobs = many (see --help)\n"},
        UsageCase{"MissingListFile",
                  {"lookup", "--from", "/nonexistent/accounts.txt"},
                  "",
                  "kestrova-cli: cannot read the account list '/nonexistent/accounts.txt': No "
                  "such file or directory\n"},
        UsageCase{"ListIsAFolder",
                  {"lookup", "--from", "/"},
                  "",
                  "kestrova-cli: cannot read the account list '/': Is a directory\n"},
        UsageCase{"OnlyCommentsOnStandardInput",
                  {"lookup", "--from", "-"},
                  kBom + "# nobody yet\n\n",
                  "kestrova-cli: no account to look up in standard input\n"},
        UsageCase{"NothingOnStandardInput",
                  {"lookup", "--from", "-"},
                  "",
                  "kestrova-cli: no account to look up in standard input\n"}),
    [](const auto& info) { return info.param.name; });

struct AcceptedCase {
    const char* name;
    std::vector<std::string> arguments;
};

class BatchAccepted : public ::testing::TestWithParam<AcceptedCase> {};

TEST_P(BatchAccepted, RunsAndExitsWithZero) {
    const CliRun run = RunCli(GetParam().arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(
    BatchCli, BatchAccepted,
    ::testing::Values(AcceptedCase{"JobsOne", {"lookup", "a", "b", "--jobs", "1", "--demo"}},
                      AcceptedCase{"JobsSixteen", {"lookup", "a", "b", "--jobs", "16", "--demo"}},
                      AcceptedCase{"JobsWithOneAccount", {"lookup", "a", "--jobs", "9", "--demo"}},
                      AcceptedCase{"FastCombines", {"lookup", "a", "b", "--fast", "--demo"}},
                      // Unknown, blocked and empty names are ordinary results.
                      AcceptedCase{"EarlyEnds",
                                   {"lookup", "nobody.here", "spam king 2010", "", "--demo"}}),
    [](const auto& info) { return info.param.name; });

TEST(BatchCli, ProgressIsDrawnInPlaceOnATerminalAndClearedAtTheEnd) {
    const CliRun run = RunCli(
        {"lookup", "--demo", "--json", "--jobs", "2", "书虫阿林", "nobody.here", "walker.zhou"}, "",
        true);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(PrintedAccounts(run).size(), 3u);
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), std::string::npos) << run.err;
    EXPECT_EQ(run.err.rfind("\r", 0), 0u);
    EXPECT_NE(run.err.find(" done, "), std::string::npos);
    EXPECT_NE(run.err.find("3/3 done, 0 running, 1 ended early"), std::string::npos) << run.err;
    const std::string clear = "\r\x1b[K";
    ASSERT_GE(run.err.size(), clear.size());
    EXPECT_EQ(run.err.substr(run.err.size() - clear.size()), clear);
}

TEST(BatchCli, NoProgressOnAPipe) {
    const CliRun run =
        RunCli({"lookup", "--demo", "--json", "书虫阿林", "nobody.here", "walker.zhou"});
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
}

TEST(BatchCli, NoProgressForASingleAccountEvenOnATerminal) {
    const CliRun run = RunCli({"lookup", "--demo", "--json", "书虫阿林"}, "", true);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
}

}  // namespace
