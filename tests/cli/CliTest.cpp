// kestrova-cli and kestrova-marketplace as a user runs them.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>

namespace {

struct CliRun {
    int exitCode;
    std::string out;
};

CliRun RunCli(const std::string& arguments) {
    // The lookups' history goes to the build tree, never to the user's own.
    const std::string command = std::string("XDG_DATA_HOME='") + CLI_TEST_DATA +
                                "' KESTROVA_HISTORY= " + KESTROVA_CLI + " " + arguments +
                                " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    std::array<char, 4096> buffer{};
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) {
        out.append(buffer.data(), n);
    }
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(Cli, DemoLookupPrintsJsonOfAFullSeller) {
    const CliRun run = RunCli("lookup 青禾手作坊 --demo --json");
    ASSERT_EQ(run.exitCode, 0);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["fields"]["编辑框1"], "青禾手作坊");
    EXPECT_EQ(json["fields"]["编辑框3"], "卖家为主");
    EXPECT_FALSE(json["fields"]["标签48"].get<std::string>().empty());
    EXPECT_EQ(json["pictures"]["图片框1"]["format"], "jpeg");
}

TEST(Cli, TextListingNamesFieldsByCaption) {
    const CliRun run = RunCli("lookup 青禾手作坊 --demo");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("淘宝帐号：\t青禾手作坊\n"), std::string::npos);
    EXPECT_NE(run.out.find("帐号性质：\t卖家为主\n"), std::string::npos);
}

TEST(Cli, EmptyAccountIsAnsweredByTheQueryItself) {
    const CliRun run = RunCli("lookup '' --demo --json");
    ASSERT_EQ(run.exitCode, 0);
    const auto json = nlohmann::json::parse(run.out);
    EXPECT_EQ(json["message_box"]["text"], "请添写淘宝帐号.");
}

TEST(Cli, UnknownAccountEndsWithItsStatus) {
    const CliRun run = RunCli("lookup nobody.here --demo --json");
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(nlohmann::json::parse(run.out)["status"], "该账号不存在!");
}

struct UsageCase {
    const char* arguments;
};
class UsageErrors : public ::testing::TestWithParam<UsageCase> {};
TEST_P(UsageErrors, ExitWithTwo) {
    EXPECT_EQ(RunCli(GetParam().arguments).exitCode, 2);
}
INSTANTIATE_TEST_SUITE_P(Cli, UsageErrors,
                         ::testing::Values(UsageCase{""}, UsageCase{"lookup"},
                                           UsageCase{"frobnicate x"},
                                           UsageCase{"lookup x --connect-to nocolon"},
                                           UsageCase{"lookup x --connect-to host:99999"},
                                           UsageCase{"lookup x --demo --connect-to 127.0.0.1:1"},
                                           UsageCase{"lookup x --bogus"}));

TEST(Cli, HelpAndVersionExitWithZero) {
    const CliRun help = RunCli("--help");
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("lookup"), std::string::npos);
    const CliRun version = RunCli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("kestrova-cli ", 0), 0u);
}

TEST(Cli, ConnectsToASeparatelyStartedMarketplace) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        execl(KESTROVA_MARKETPLACE, KESTROVA_MARKETPLACE, "--port", "0", nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string announced;
    char ch;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n') {
        announced += ch;
    }
    const std::string port = announced.substr(announced.find_last_not_of("0123456789") + 1);
    ASSERT_FALSE(port.empty()) << announced;

    const CliRun run = RunCli("lookup 书虫阿林 --json --connect-to 127.0.0.1:" + port);
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    close(fds[0]);
    ASSERT_EQ(run.exitCode, 0);
    EXPECT_EQ(nlohmann::json::parse(run.out)["fields"]["编辑框3"], "买家为主");
}

}  // namespace
