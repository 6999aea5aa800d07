// kestrova-cli as a user runs it with a history: lookups saved and printed
// again byte for byte, listed, compared across the marketplace's two moments;
// several programs saving at once, one killed in the middle of a batch; and
// every kind of file that must not cost a lookup its result.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <thread>

#include "HistoryTesting.h"
#include "Subprocess.h"
#include "cli/report/FieldReport.h"
#include "history/LoginName.h"
#include "history/LookupHistory.h"
#include "history/store/PictureHash.h"
#include "history/store/SchemaVersion.h"
#include "marketplace/Members.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

using nlohmann::json;
using testing::ExecuteSql;
using testing::FileBytes;
using testing::ProgramRun;
using testing::QueryValue;
using testing::RunProgram;
using testing::RunSettings;
using testing::TempFolder;

testing::MarketplaceForTests& Market() {
    static testing::MarketplaceForTests market;
    return market;
}

// No history reaches the user's own folders, whatever the test forgets.
RunSettings Isolated(const TempFolder& folder) {
    RunSettings settings;
    settings.environment["XDG_DATA_HOME"] = (folder / "data").string();
    settings.environment["KESTROVA_HISTORY"] = std::nullopt;
    settings.environment["KESTROVA_CONNECT_TO"] = std::nullopt;
    return settings;
}

ProgramRun Cli(const std::vector<std::string>& arguments, const RunSettings& settings) {
    std::vector<std::string> argv = {KESTROVA_CLI};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return RunProgram(argv, settings);
}

std::string Port() {
    return "127.0.0.1:" + std::to_string(Market().Port());
}

ProgramRun Lookup(const std::string& account, const std::filesystem::path& file,
                  const RunSettings& settings, bool asJson = true) {
    std::vector<std::string> arguments = {"lookup", account,     "--connect-to",
                                          Port(),   "--history", file.string()};
    if (asJson) {
        arguments.push_back("--json");
    }
    return Cli(arguments, settings);
}

// ---------------------------------------------------------------- round trip

class EveryMember : public ::testing::TestWithParam<std::size_t> {
  protected:
    const std::string& Account() const { return marketplace::Members()[GetParam()].account; }
};

TEST_P(EveryMember, ShowPrintsTheLookupByteForByte) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    const ProgramRun json = Lookup(Account(), file, settings);
    const ProgramRun text = Lookup(Account(), file, settings, false);
    ASSERT_EQ(json.exitCode, 0);
    ASSERT_EQ(text.exitCode, 0);
    EXPECT_EQ(json.err, "");

    const ProgramRun shownText = Cli({"show", Account(), "--history", file.string()}, settings);
    EXPECT_EQ(shownText.exitCode, 0) << shownText.err;
    EXPECT_EQ(shownText.out, text.out);
    const ProgramRun shownJson =
        Cli({"show", Account(), "--id", "1", "--json", "--history", file.string()}, settings);
    EXPECT_EQ(shownJson.exitCode, 0) << shownJson.err;
    EXPECT_EQ(shownJson.out, json.out);
}

// The window and the command line re-encode pictures in different programs
// (one with a screen, one without); the bytes must depend on the picture alone,
// or the history keeps two copies and a diff across them sees changes.
TEST_P(EveryMember, TheWindowStoresThePicturesTheCommandLineStores) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    auto settings = Isolated(folder);
    settings.environment["QT_QPA_PLATFORM"] = "offscreen";
    const auto file = folder / "history.sqlite3";
    const ProgramRun cli = Lookup(Account(), file, settings);
    ASSERT_EQ(cli.exitCode, 0) << cli.err;
    const ProgramRun window =
        RunProgram({KESTROVA_WINDOW, "--connect-to", Port(), "--account", Account(), "--history",
                    file.string(), "--screenshot", (folder / "shot.png").string()},
                   settings);
    ASSERT_EQ(window.exitCode, 0) << window.err;
    const ProgramRun shown =
        Cli({"show", Account(), "--id", "2", "--json", "--history", file.string()}, settings);
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(json::parse(shown.out)["pictures"], json::parse(cli.out)["pictures"]);
}

std::string MemberName(const ::testing::TestParamInfo<std::size_t>& info) {
    std::string name;
    for (const char ch : marketplace::Members()[info.param].account) {
        const auto u = static_cast<unsigned char>(ch);
        name += (u < 0x80 && std::isalnum(u)) ? ch : '_';
    }
    return "m" + std::to_string(info.param) + "_" + name.substr(0, 20);
}

INSTANTIATE_TEST_SUITE_P(Members, EveryMember,
                         ::testing::Range<std::size_t>(0, marketplace::Members().size()),
                         MemberName);

// ---------------------------------------------------------------- where

TEST(CliHistory, GoesToTheDefaultPlaceTheEnvironmentOrTheOptionOrNowhere) {
    const TempFolder folder;
    RunSettings settings = Isolated(folder);
    const auto byDefault = folder / "data" / "kestrova" / "history.sqlite3";
    ASSERT_EQ(Cli({"lookup", "nobody.here", "--connect-to", Port()}, settings).exitCode, 0);
    EXPECT_EQ(QueryValue(byDefault, "SELECT account FROM lookup"), "nobody.here");

    settings.environment["KESTROVA_HISTORY"] = (folder / "env.sqlite3").string();
    ASSERT_EQ(Cli({"lookup", "blank_page", "--connect-to", Port()}, settings).exitCode, 0);
    EXPECT_EQ(QueryValue(folder / "env.sqlite3", "SELECT end_kind FROM lookup"), "fetch_failed");

    ASSERT_EQ(Cli({"lookup", "spam king 2010", "--connect-to", Port(), "--history",
                   (folder / "opt.sqlite3").string()},
                  settings)
                  .exitCode,
              0);
    EXPECT_EQ(QueryValue(folder / "opt.sqlite3", "SELECT end_kind FROM lookup"), "blocked_account");

    ASSERT_EQ(
        Cli({"lookup", "nobody.here", "--connect-to", Port(), "--no-history"}, settings).exitCode,
        0);
    ASSERT_EQ(Cli({"lookup", "", "--connect-to", Port()}, settings).exitCode, 0);
    EXPECT_EQ(QueryValue(folder / "env.sqlite3", "SELECT count(*) FROM lookup"), "1");
    EXPECT_EQ(QueryValue(byDefault, "SELECT count(*) FROM lookup"), "1");

    const ProgramRun both = Cli({"lookup", "x", "--no-history", "--history", "f"}, settings);
    EXPECT_EQ(both.exitCode, 2);
}

// ---------------------------------------------------------------- listing

TEST(CliHistory, ListsLatestFirstByMemberUpToTheLimit) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    for (const char* account : {"青禾手作坊", "nobody.here", "Lumen家居旗舰店", "青禾手作坊"}) {
        ASSERT_EQ(Lookup(account, file, settings).exitCode, 0);
    }
    const std::string f = file.string();
    const ProgramRun all = Cli({"history", "--history", f}, settings);
    ASSERT_EQ(all.exitCode, 0);
    std::vector<std::string> lines;
    std::istringstream in(all.out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line.substr(line.find('\t')));  // the time varies
    }
    // Each line ends with who saved the lookup, and on which machine.
    const std::string who = "\t" + LoginName() + "@" + HostName();
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "\t青禾手作坊\t大大的良民.\t专业店铺，门庭若市. [诚信商家]" + who,
                         "\tLumen家居旗舰店\t天猫ID" + who, "\tnobody.here\t该账号不存在!" + who,
                         "\t青禾手作坊\t大大的良民.\t专业店铺，门庭若市. [诚信商家]" + who}));
    EXPECT_EQ(all.out.rfind("#4 ", 0), 0u);

    const ProgramRun limited =
        Cli({"history", "青禾手作坊", "--limit", "1", "--json", "--history", f}, settings);
    ASSERT_EQ(limited.exitCode, 0);
    const json list = json::parse(limited.out);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["id"], 4);
    EXPECT_EQ(list[0]["account"], "青禾手作坊");
    EXPECT_EQ(list[0]["end"], "verdicts");
    EXPECT_EQ(list[0]["mode"], "sequential");
    EXPECT_EQ(list[0]["who"], LoginName());
    EXPECT_EQ(list[0]["host"], HostName());
    EXPECT_EQ(list[0]["buyer_verdict"], "大大的良民.");
    EXPECT_EQ(list[0]["started"].get<std::string>().size(), 24u);  // 2011-03-20T05:46:40.123Z
    EXPECT_EQ(json::parse(Cli({"history", "--json", "--history", f}, settings).out).size(), 4u);
    EXPECT_EQ(json::parse(Cli({"history", "--limit", "0", "--json", "--history", f}, settings).out)
                  .size(),
              4u);

    // Nothing saved yet, and no file made by asking.
    const auto none = folder / "none.sqlite3";
    const ProgramRun empty = Cli({"history", "--json", "--history", none.string()}, settings);
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(json::parse(empty.out), json::array());
    EXPECT_FALSE(std::filesystem::exists(none));
}

TEST(CliHistory, ShowRefusesWhatIsNotThere) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    ASSERT_EQ(Lookup("nobody.here", file, settings).exitCode, 0);
    const std::string f = file.string();
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{"show", "书虫阿林", "--history", f},
          {"show", "书虫阿林", "--id", "1", "--history", f},
          {"show", "nobody.here", "--id", "7", "--history", f},
          {"history", "nobody.here", "--diff", "--history", f}}) {
        const ProgramRun run = Cli(arguments, settings);
        EXPECT_EQ(run.exitCode, 1) << arguments[1];
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("kestrova-cli: ", 0), 0u) << run.err;
    }
    EXPECT_EQ(Cli({"history", "--diff", "--history", f}, settings).exitCode, 2);
    EXPECT_EQ(Cli({"show", "--history", f}, settings).exitCode, 2);
    EXPECT_EQ(Cli({"history", "--limit", "-1", "--history", f}, settings).exitCode, 2);
}

// ---------------------------------------------------------------- diff

TEST(CliHistory, DiffShowsWhatChangedBetweenTheLastTwoLookupsFiguresFirst) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    Market().Market().SetMoment(MarketMoment::kFirst);
    ASSERT_EQ(Lookup("书虫阿林", file, settings).exitCode, 0);
    ASSERT_EQ(Lookup("青禾手作坊", file, settings).exitCode, 0);
    ASSERT_EQ(Lookup("echo_valley", file, settings).exitCode, 0);
    Market().Market().SetMoment(MarketMoment::kLater);
    ASSERT_EQ(Lookup("青禾手作坊", file, settings).exitCode, 0);
    ASSERT_EQ(Lookup("echo_valley", file, settings).exitCode, 0);
    Market().Market().SetMoment(MarketMoment::kFirst);
    const std::string f = file.string();

    const ProgramRun text = Cli({"history", "青禾手作坊", "--diff", "--history", f}, settings);
    ASSERT_EQ(text.exitCode, 0) << text.err;
    std::vector<std::string> lines;
    std::istringstream in(text.out);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    ASSERT_GE(lines.size(), 12u);
    EXPECT_EQ(lines[0].rfind("青禾手作坊\t#2 ", 0), 0u) << lines[0];
    EXPECT_NE(lines[0].find("\t#4 "), std::string::npos) << lines[0];
    EXPECT_EQ(lines[1], "卖信用：\t3456\t3521");
    EXPECT_EQ(lines[2].rfind("卖信用： [图片框6]\tgif 56x20, ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3], "买信用：\t210\t213");
    EXPECT_EQ(lines[4], "好评\t1234\t1240");
    EXPECT_EQ(lines[5], "差评\t0\t1");
    EXPECT_EQ(lines[6], "最近一周 好评\t21\t18");

    const ProgramRun asJson =
        Cli({"history", "青禾手作坊", "--diff", "--json", "--history", f}, settings);
    ASSERT_EQ(asJson.exitCode, 0);
    const json diff = json::parse(asJson.out);
    EXPECT_EQ(diff["old"]["id"], 2);
    EXPECT_EQ(diff["new"]["id"], 4);
    std::vector<std::string> order;
    for (const json& change : diff["changes"]) {
        order.push_back(change["control"].get<std::string>() + "/" +
                        change["part"].get<std::string>());
    }
    const std::vector<std::string> figuresFirst = {
        "编辑框6/text",      "图片框6/picture",   "编辑框7/text",      "编辑框好评/text",
        "编辑框差评/text",   "编辑框一周好/text", "编辑框一周中/text", "编辑框一周差/text",
        "编辑框一月好/text", "编辑框一月中/text", "编辑框一月差/text", "编辑框半年好/text",
        "编辑框半年中/text", "编辑框半年差/text", "编辑框19/text",     "编辑框中评7/text",
        "编辑框中评5/text",  "标签38/text",       "图片框5/picture",   "标签48/text"};
    ASSERT_GE(order.size(), figuresFirst.size());
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + figuresFirst.size()),
              figuresFirst);
    const json& verdict = diff["changes"][17];
    EXPECT_EQ(verdict["caption"], "买家分析：");
    EXPECT_EQ(verdict["old"], "大大的良民.");
    EXPECT_EQ(verdict["new"], "很挑剔！有给差评的记录！");
    EXPECT_EQ(diff["changes"][1]["old"]["sha256"].get<std::string>().size(), 64u);
    // Unchanged fields and the kept page texts are not in it.
    for (const std::string unchanged : {"编辑框中评/text", "编辑框1/text", "编辑框82/text"}) {
        EXPECT_EQ(std::count(order.begin(), order.end(), unchanged), 0) << unchanged;
    }

    // Blocked since: the status says so, and the fields have gone.
    const json blocked = json::parse(
        Cli({"history", "echo_valley", "--diff", "--json", "--history", f}, settings).out);
    bool statusSeen = false;
    for (const json& change : blocked["changes"]) {
        if (change["part"] == "status") {
            statusSeen = true;
            EXPECT_EQ(change["old"], "");
            EXPECT_EQ(change["new"], "该账号被查封!");
        }
    }
    EXPECT_TRUE(statusSeen);
    EXPECT_EQ(blocked["new"]["end"], "blocked_account");
}

// ---------------------------------------------------------------- together

// Every saved lookup is whole: it prints exactly as the same member's lookup
// in this process.
void ExpectOnlyWholeLookups(const std::filesystem::path& file, std::size_t atLeast) {
    std::map<std::string, std::string> expected;
    for (const marketplace::Member& m : marketplace::Members()) {
        expected[m.account] = FieldJson(*testing::LookUp(m.account));
    }
    EXPECT_EQ(QueryValue(file, "PRAGMA integrity_check"), "ok");
    History saved(file);
    const auto all = saved.Recent(std::nullopt, 0);
    EXPECT_GE(all.size(), atLeast);
    for (const LookupRow& s : all) {
        const auto lookup = saved.Load(s.id);
        ASSERT_TRUE(lookup);
        EXPECT_EQ(FieldJson(lookup->fields), expected[s.account])
            << "#" << s.id << " " << s.account;
    }
    // Nothing points at what is not there.
    EXPECT_EQ(QueryValue(file, "PRAGMA foreign_key_check"), "");
    EXPECT_EQ(QueryValue(file,
                         "SELECT count(*) FROM lookup WHERE field_set_id NOT IN "
                         "(SELECT id FROM field_set)"),
              "0");
    EXPECT_EQ(QueryValue(file,
                         "SELECT count(*) FROM field WHERE text_id NOT IN (SELECT id FROM "
                         "stored_value) OR picture_id NOT IN (SELECT id FROM stored_value)"),
              "0");
}

std::vector<std::string> BatchArguments(const std::filesystem::path& file, int rounds) {
    return {HISTORY_BATCH,
            "--history",
            file.string(),
            "--port",
            std::to_string(Market().Port()),
            "--rounds",
            std::to_string(rounds)};
}

TEST(CliHistory, SeveralProgramsSavingAtOnceAllLand) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    const std::size_t members = marketplace::Members().size();
    {
        testing::RunningProgram first(BatchArguments(file, 2), settings);
        testing::RunningProgram second(BatchArguments(file, 2), settings);
        std::vector<ProgramRun> cli(4);
        std::vector<std::thread> lookups;
        for (std::size_t k = 0; k < cli.size(); ++k) {
            lookups.emplace_back(
                [&cli, k, &file, &settings] { cli[k] = Lookup("书虫阿林", file, settings); });
        }
        for (std::thread& t : lookups) {
            t.join();
        }
        for (const ProgramRun& run : cli) {
            EXPECT_EQ(run.exitCode, 0);
            EXPECT_EQ(run.err, "");
        }
        first.ReadRest();
        second.ReadRest();
        EXPECT_EQ(first.Wait(), 0) << first.Errors();
        EXPECT_EQ(second.Wait(), 0) << second.Errors();
    }
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), std::to_string(4 * members + 4));
    ExpectOnlyWholeLookups(file, 4 * members + 4);
}

TEST(CliHistory, AProgramKilledInTheMiddleOfABatchLeavesOnlyWholeLookups) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    std::size_t announced = 0;
    {
        testing::RunningProgram batch(BatchArguments(file, 100), settings);
        while (announced < 20 && batch.ReadLine()) {
            ++announced;
        }
        // Somewhere in the next lookup or its save.
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        batch.Kill(SIGKILL);
        EXPECT_EQ(batch.Wait(), -1);
    }
    ASSERT_EQ(announced, 20u);
    ExpectOnlyWholeLookups(file, announced);
    // Killed well before the end of its batch.
    EXPECT_LT(std::stoul(QueryValue(file, "SELECT count(*) FROM lookup")),
              100 * marketplace::Members().size());
}

// ---------------------------------------------------------------- trouble

struct Trouble {
    const char* what;
    // Makes the trouble; returns the settings the lookup runs under.
    std::function<RunSettings(const std::filesystem::path& file, RunSettings settings)> make;
    const char* said;
};

void SeedHistory(const std::filesystem::path& file, const RunSettings& settings) {
    ASSERT_EQ(Lookup("nobody.here", file, settings).exitCode, 0);
}

class Troubles : public ::testing::TestWithParam<Trouble> {};

TEST_P(Troubles, NeverCostALookupItsResult) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    const RunSettings settings = GetParam().make(file, Isolated(folder));
    const bool exists = std::filesystem::exists(file);
    const std::string before = exists ? FileBytes(file) : "";

    const ProgramRun expected = Cli(
        {"lookup", "书虫阿林", "--connect-to", Port(), "--json", "--no-history"}, Isolated(folder));
    const ProgramRun run = Lookup("书虫阿林", file, settings);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, expected.out);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(run.err.rfind("kestrova-cli: warning: the lookup was not saved in the history: ", 0),
              0u)
        << run.err;
    EXPECT_NE(run.err.find(GetParam().said), std::string::npos) << run.err;
    EXPECT_EQ(std::filesystem::exists(file), exists);
    if (exists) {
        EXPECT_EQ(FileBytes(file), before);
    }
}

RunSettings Corrupt(const std::filesystem::path& file, RunSettings settings) {
    testing::WriteFile(file, std::string(8192, '\x5a'));
    return settings;
}

RunSettings Newer(const std::filesystem::path& file, RunSettings settings) {
    SeedHistory(file, settings);
    testing::ExecuteSql(file, "PRAGMA user_version = 99");
    return settings;
}

RunSettings ReadOnly(const std::filesystem::path& file, RunSettings settings) {
    SeedHistory(file, settings);
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    std::filesystem::permissions(file.parent_path(),
                                 std::filesystem::perms::owner_write |
                                     std::filesystem::perms::group_write |
                                     std::filesystem::perms::others_write,
                                 std::filesystem::perm_options::remove);
    if (geteuid() == 0) {
        settings.user = 65534;  // root writes anything: the lookup runs as nobody
    }
    return settings;
}

RunSettings UnderAFile(const std::filesystem::path& file, RunSettings settings) {
    testing::WriteFile(file.parent_path() / "plain", "a file, not a folder");
    settings.environment["KESTROVA_HISTORY"] =
        (file.parent_path() / "plain" / "history.sqlite3").string();
    return settings;
}

RunSettings FullDisk(const std::filesystem::path& file, RunSettings settings) {
    SeedHistory(file, settings);
    settings.fileSizeLimit = 16384;  // the write-ahead log cannot grow past it
    return settings;
}

INSTANTIATE_TEST_SUITE_P(
    History, Troubles,
    ::testing::Values(Trouble{"corrupt", Corrupt, "the file is damaged"},
                      Trouble{"newer", Newer, "written by a newer Kestrova (history version 99"},
                      Trouble{"read_only", ReadOnly, "read-only"},
                      Trouble{"full_disk", FullDisk, "history.sqlite3: "}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(CliHistory, AnUnwritablePlaceIsOneWarning) {
    const TempFolder folder;
    RunSettings settings = Isolated(folder);
    settings = UnderAFile(folder / "history.sqlite3", settings);
    const ProgramRun run = Cli({"lookup", "nobody.here", "--connect-to", Port()}, settings);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "状态\t该账号不存在!\n淘宝帐号：\tnobody.here\n");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("cannot make the folder"), std::string::npos) << run.err;
}

TEST(CliHistory, AFileLockedLongerThanTheWaitIsOneWarning) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    SeedHistory(file, settings);
    ProgramRun run;
    {
        testing::HeldWriteLock lock(file);
        run = Lookup("nobody.here", file, settings);
    }
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(json::parse(run.out)["status"], "该账号不存在!");
    EXPECT_NE(run.err.find("another program kept the file locked"), std::string::npos) << run.err;
    // Only the seed and the other program's own lookup are there.
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), "2");
}

TEST(CliHistory, ReadingABrokenFileSaysSoAndExitsWithOne) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto corrupt = folder / "corrupt.sqlite3";
    Corrupt(corrupt, settings);
    const auto newer = folder / "newer.sqlite3";
    Newer(newer, settings);
    for (const auto& [file, said] : {std::pair{corrupt, "the file is damaged"},
                                     std::pair{newer, "written by a newer Kestrova"}}) {
        for (const std::vector<std::string>& arguments : {std::vector<std::string>{"history"},
                                                          {"history", "nobody.here", "--diff"},
                                                          {"show", "nobody.here"}}) {
            std::vector<std::string> withFile = arguments;
            withFile.push_back("--history");
            withFile.push_back(file.string());
            const ProgramRun run = Cli(withFile, settings);
            EXPECT_EQ(run.exitCode, 1) << arguments[0];
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(file.string()), std::string::npos) << run.err;
        }
    }
}

TEST(CliHistory, AReadOnlyHistoryCanStillBeRead) {
    const TempFolder folder;
    const auto file = folder / "history.sqlite3";
    const RunSettings settings = ReadOnly(file, Isolated(folder));
    const ProgramRun run = Cli({"show", "nobody.here", "--history", file.string()}, settings);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "状态\t该账号不存在!\n淘宝帐号：\tnobody.here\n");
}

// ---------------------------------------------------------------- upgrade

std::filesystem::path CopyOfVersion1(const TempFolder& folder) {
    const auto file = folder / "history.sqlite3";
    std::filesystem::copy_file(
        std::filesystem::path(KESTROVA_HISTORY_FIXTURES) / "history-v1.sqlite3", file);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return file;
}

TEST(CliHistory, AVersion1FileIsListedAndShownAfterItsUpgrade) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = CopyOfVersion1(folder);
    const std::string f = file.string();
    const ProgramRun seller = Cli({"history", "青禾手作坊", "--history", f}, settings);
    EXPECT_EQ(seller.exitCode, 0) << seller.err;
    EXPECT_EQ(std::count(seller.out.begin(), seller.out.end(), '\n'), 2) << seller.out;
    EXPECT_EQ(QueryValue(file, "PRAGMA user_version"), std::to_string(kHistorySchemaVersion));
    const ProgramRun tmall = Cli({"show", "Lumen家居旗舰店", "--json", "--history", f}, settings);
    EXPECT_EQ(tmall.exitCode, 0);
    EXPECT_EQ(json::parse(tmall.out)["fields"]["编辑框3"], "天猫ID");
    // Both lookups of the seller, one typed with a space after the name.
    const ProgramRun diff =
        Cli({"history", " 青禾手作坊", "--diff", "--json", "--history", f}, settings);
    ASSERT_EQ(diff.exitCode, 0);
    const json changes = json::parse(diff.out)["changes"];
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0]["control"], "编辑框1");
    EXPECT_EQ(changes[0]["new"], "青禾手作坊 ");
}

TEST(CliHistory, TwoProgramsUpgradingAVersion1FileAtOnceBothLand) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = CopyOfVersion1(folder);
    {
        testing::RunningProgram first(BatchArguments(file, 1), settings);
        testing::RunningProgram second(BatchArguments(file, 1), settings);
        first.ReadRest();
        second.ReadRest();
        EXPECT_EQ(first.Wait(), 0) << first.Errors();
        EXPECT_EQ(second.Wait(), 0) << second.Errors();
    }
    EXPECT_EQ(QueryValue(file, "PRAGMA user_version"), std::to_string(kHistorySchemaVersion));
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"),
              std::to_string(4 + 2 * marketplace::Members().size()));
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup WHERE member = '青禾手作坊'"), "4");
    EXPECT_EQ(QueryValue(file, "PRAGMA integrity_check"), "ok");
}

TEST(CliHistory, AReadOnlyVersion1FileCannotBeUpgradedAndSaysSo) {
    const TempFolder folder;
    RunSettings settings = Isolated(folder);
    const auto file = CopyOfVersion1(folder);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    std::filesystem::permissions(folder.Path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    if (geteuid() == 0) {
        settings.user = 65534;
    }
    const std::string before = FileBytes(file);
    const ProgramRun run = Cli({"history", "--history", file.string()}, settings);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(
        run.err.find(
            "written by an older Kestrova (history version 1) and cannot be brought up to date"),
        std::string::npos)
        << run.err;
    EXPECT_EQ(FileBytes(file), before);
}

// ---------------------------------------------------------------- version 2

std::filesystem::path CopyOfVersion2(const TempFolder& folder) {
    const auto file = folder / "history.sqlite3";
    std::filesystem::copy_file(
        std::filesystem::path(KESTROVA_HISTORY_FIXTURES) / "history-v2.sqlite3", file);
    std::filesystem::permissions(file, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return file;
}

std::string Sha256Hex(const std::string& text) {
    return HexOf(Sha256Of(ByteBuffer(text.begin(), text.end())));
}

// Every lookup of a file written by the version before prints after the
// upgrade exactly what it printed then: show in both outputs, the whole list
// and the seller's diff.
TEST(CliHistory, AVersion2FilePrintsWhatItPrintedThen) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = CopyOfVersion2(folder);
    const std::string f = file.string();
    std::ifstream digests(std::filesystem::path(KESTROVA_HISTORY_FIXTURES) /
                          "history-v2-shown.txt");
    int checked = 0;
    for (std::string line; std::getline(digests, line);) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        std::istringstream fields(line);
        std::string what, output, digest;
        fields >> what >> output >> digest;
        std::vector<std::string> arguments;
        if (what == "list") {
            arguments = {"history", "--limit", "0", "--json"};
        } else if (what == "diff") {
            arguments = {"history", "青禾手作坊", "--diff", "--json"};
        } else {
            const std::string account =
                QueryValue(file, "SELECT account FROM lookup WHERE id = " + what);
            arguments = {"show", account, "--id", what};
            if (output == "json") {
                arguments.push_back("--json");
            }
        }
        arguments.push_back("--history");
        arguments.push_back(f);
        const ProgramRun run = Cli(arguments, settings);
        EXPECT_EQ(run.exitCode, 0) << line << run.err;
        std::string printed = run.out;
        if (what != "list" && what != "diff" && output == "json") {
            // Today a lookup's object ends with the member's mark and notes
            // (none here); without them it is what was printed then.
            nlohmann::ordered_json object = nlohmann::ordered_json::parse(printed);
            EXPECT_EQ(object["mark"], nullptr) << line;
            EXPECT_EQ(object["notes"], nlohmann::ordered_json::array()) << line;
            object.erase("mark");
            object.erase("notes");
            printed = object.dump(2) + "\n";
        }
        EXPECT_EQ(Sha256Hex(printed), digest) << line << "\n" << run.out;
        ++checked;
    }
    EXPECT_EQ(checked, 18);
    EXPECT_EQ(QueryValue(file, "PRAGMA user_version"), std::to_string(kHistorySchemaVersion));
    EXPECT_EQ(QueryValue(file, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(QueryValue(file, "PRAGMA foreign_key_check"), "");
    // "x😀" and "x😃" reached the marketplace alike, as "x?": one member now.
    const ProgramRun both = Cli({"history", "x😃", "--json", "--history", f}, settings);
    ASSERT_EQ(both.exitCode, 0) << both.err;
    const json list = json::parse(both.out);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["account"], "x😃");
    EXPECT_EQ(list[1]["account"], "x😀");
}

// ---------------------------------------------------------------- version 3

// A file of the version before pages were told apart, made here from today's
// file by taking back what the later versions added: the lookups are listed
// and printed as then, none of them claimed complete or incomplete.
TEST(CliHistory, AVersion3FileClaimsNothingAboutThePagesItsLookupsGot) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    const std::string f = file.string();
    const std::string complete = "书虫阿林";
    const std::string incomplete = "人气茶馆";  // both rating lists answer 503
    struct Printed {
        std::string account;
        bool json;
        ProgramRun run;
    };
    std::vector<Printed> printed;  // by id, from 1
    for (const std::string& account : {complete, incomplete}) {
        for (const bool asJson : {true, false}) {
            printed.push_back({account, asJson, Lookup(account, file, settings, asJson)});
        }
    }
    ASSERT_EQ(printed[3].run.exitCode, 4);
    const std::string schemaSql =
        "SELECT group_concat(sql, ';') FROM (SELECT sql FROM sqlite_schema ORDER BY name)";
    const std::string schema = QueryValue(file, schemaSql);
    ExecuteSql(file,
               "DROP TABLE watched; DROP TABLE note; DROP TABLE mark;"
               "DROP INDEX lookup_complete_by_member; DROP TABLE missing_page;"
               "ALTER TABLE lookup DROP COLUMN complete; ALTER TABLE lookup DROP COLUMN who;"
               "ALTER TABLE lookup DROP COLUMN host; PRAGMA user_version = 3;");

    const ProgramRun list = Cli({"history", "--limit", "0", "--json", "--history", f}, settings);
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(QueryValue(file, "PRAGMA user_version"), std::to_string(kHistorySchemaVersion));
    EXPECT_EQ(QueryValue(file, schemaSql), schema);  // as a file made today
    ASSERT_EQ(json::parse(list.out).size(), printed.size());
    for (const json& lookup : json::parse(list.out)) {
        EXPECT_FALSE(lookup.contains("complete")) << lookup;
        EXPECT_FALSE(lookup.contains("missing_pages")) << lookup;
    }
    const ProgramRun listed = Cli({"history", "--history", f}, settings);
    EXPECT_EQ(listed.out.find("incomplete"), std::string::npos) << listed.out;

    for (std::size_t i = 0; i < printed.size(); ++i) {
        const Printed& p = printed[i];
        std::vector<std::string> arguments = {"show",      p.account, "--id", std::to_string(i + 1),
                                              "--history", f};
        if (p.json) {
            arguments.push_back("--json");
        }
        const ProgramRun shown = Cli(arguments, settings);
        EXPECT_EQ(shown.exitCode, 0) << shown.err;
        if (p.json) {
            json then = json::parse(p.run.out);
            then.erase("complete");
            then.erase("missing");
            EXPECT_EQ(json::parse(shown.out), then) << p.account;
        } else {
            // The field listing, without the line a lookup now ends with.
            const std::size_t last = p.run.out.find("(incomplete)");
            EXPECT_EQ(shown.out, p.run.out.substr(0, last)) << p.account;
        }
    }
    // Not known complete, so never fresh enough to stand in for a lookup.
    const ProgramRun again = Cli({"lookup", complete, "--connect-to", Port(), "--history", f,
                                  "--skip-fresh", "1d", "--json"},
                                 settings);
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_FALSE(json::parse(again.out).contains("from_history"));
}

// ---------------------------------------------------------------- together, from the start

// Many programs saving into a history file none of them has made yet: the
// first ones make it while the others look at it, and no save is lost.
TEST(CliHistory, ManyProgramsMakingANewFileAtOnceLoseNoSave) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    constexpr int kRounds = 8;
    constexpr int kPrograms = 8;
    for (int round = 0; round < kRounds; ++round) {
        const auto file = folder / ("new-" + std::to_string(round) + ".sqlite3");
        std::vector<std::unique_ptr<testing::RunningProgram>> programs;
        for (int k = 0; k < kPrograms; ++k) {
            programs.push_back(std::make_unique<testing::RunningProgram>(
                std::vector<std::string>{KESTROVA_CLI, "lookup", "nobody.here", "--connect-to",
                                         Port(), "--history", file.string()},
                settings));
        }
        for (auto& program : programs) {
            program->ReadRest();
            EXPECT_EQ(program->Wait(), 0);
            EXPECT_EQ(program->Errors(), "") << "round " << round;
        }
        EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), std::to_string(kPrograms))
            << "round " << round;
    }
}

// ---------------------------------------------------------------- limits and locks

// A file size limit (ulimit -f, set by the shell that starts the program)
// makes the history's writes fail; the batch goes on to its end with one
// warning instead of being killed by SIGXFSZ.
TEST(CliHistory, AFileSizeLimitIsAWarningNotTheEndOfTheBatch) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    SeedHistory(file, settings);
    // 64 blocks of 512 bytes: the seed fits, a seller's pictures do not.
    const ProgramRun run =
        RunProgram({"/bin/sh", "-c", "ulimit -f 64 && exec \"$0\" \"$@\"", KESTROVA_CLI, "lookup",
                    "青禾手作坊", "书虫阿林", "walker.zhou", "--jobs", "1", "--json",
                    "--connect-to", Port(), "--history", file.string()},
                   settings);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 3) << run.out;
    EXPECT_NE(run.err.find("warning: the lookup was not saved in the history: " + file.string()),
              std::string::npos)
        << run.err;
    EXPECT_EQ(QueryValue(file, "PRAGMA integrity_check"), "ok");
}

std::chrono::duration<double> TimeOf(const std::function<void()>& run) {
    const auto began = std::chrono::steady_clock::now();
    run();
    return std::chrono::steady_clock::now() - began;
}

// Another program holding the write lock costs a batch one short wait, not
// one per member, and what could not be saved is said once, with its number.
TEST(CliHistory, ABatchAgainstAHeldLockIsNotHeldUp) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    SeedHistory(file, settings);
    const std::vector<std::string> six = {
        "lookup",    "nobody.here", "blank_page", "spam king 2010", "x1",           "x2",
        "x3",        "--jobs",      "6",          "--json",         "--connect-to", Port(),
        "--history", file.string()};
    ProgramRun free;
    const auto freeTook = TimeOf([&] { free = Cli(six, settings); });
    ASSERT_EQ(free.exitCode, 0);
    ProgramRun locked;
    std::chrono::duration<double> lockedTook{};
    {
        testing::HeldWriteLock lock(file);
        lockedTook = TimeOf([&] { locked = Cli(six, settings); });
    }
    EXPECT_EQ(locked.exitCode, 0);
    EXPECT_EQ(locked.out, free.out);
    EXPECT_LT((lockedTook - freeTook).count(), 0.8)
        << lockedTook.count() << " s against " << freeTook.count() << " s";
    EXPECT_EQ(std::count(locked.err.begin(), locked.err.end(), '\n'), 2) << locked.err;
    EXPECT_NE(locked.err.find("kestrova-cli: warning: the history is locked: " + file.string()),
              std::string::npos)
        << locked.err;
    EXPECT_NE(locked.err.find("kestrova-cli: warning: 6 lookups were not saved in the history: "),
              std::string::npos)
        << locked.err;
    // The seed, the six of the free run, and the other program's own.
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), "8");
}

// ---------------------------------------------------------------- names

// Whatever the name, the history is that file in that folder, never a
// database in memory nor a URI's idea of a file.
TEST(CliHistory, NamesThatLookLikeSqliteUrisAreFiles) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    for (const std::string name : {":memory:", "file:plain", "file:x?mode=memory",
                                   "file::memory:?cache=shared", "a#b?c=d%41"}) {
        const ProgramRun saved = RunProgram(
            {"/bin/sh", "-c", "cd \"$0\" && exec \"$@\"", folder.Path().string(), KESTROVA_CLI,
             "lookup", "nobody.here", "--connect-to", Port(), "--history", name},
            settings);
        EXPECT_EQ(saved.exitCode, 0) << name;
        EXPECT_EQ(saved.err, "") << name;
        ASSERT_TRUE(std::filesystem::exists(folder / name)) << name;
        const ProgramRun listed =
            Cli({"history", "--json", "--history", (folder / name).string()}, settings);
        EXPECT_EQ(json::parse(listed.out).size(), 1u) << name << listed.err;
    }
}

TEST(CliHistory, ANewFileInAFolderItCannotBeMadeInSaysPermissionDenied) {
    const TempFolder folder;
    RunSettings settings = Isolated(folder);
    const auto closed = folder / "closed";
    std::filesystem::create_directory(closed);
    std::filesystem::permissions(
        closed, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                    std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    if (geteuid() == 0) {
        settings.user = 65534;  // root makes files anywhere: the lookup runs as nobody
    }
    const auto file = closed / "history.sqlite3";
    const ProgramRun run = Lookup("nobody.here", file, settings);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(file.string() + ": the file cannot be made (Permission denied in " +
                           closed.string() + ")"),
              std::string::npos)
        << run.err;
    EXPECT_FALSE(std::filesystem::exists(file));
}

// ---------------------------------------------------------------- order

// The clock went back between two lookups of the seller (the history's clock
// is the record's time): the later saved lookup is still the latest for
// history, show and --diff.
TEST(CliHistory, LatestIsTheLastSavedWhateverTheClockSaid) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        const auto now = std::chrono::system_clock::now();
        Market().Market().SetMoment(MarketMoment::kFirst);
        const auto first = testing::LookUp("青禾手作坊");
        LookupRecord earlier = testing::RecordOf(*first, "青禾手作坊");
        ASSERT_EQ(history.Save(earlier), 1);
        Market().Market().SetMoment(MarketMoment::kLater);
        const auto later = testing::LookUp("青禾手作坊");
        LookupRecord setBack = testing::RecordOf(*later, "青禾手作坊");
        setBack.started = now - std::chrono::hours(30 * 24);
        setBack.ended = setBack.started + std::chrono::seconds(1);
        ASSERT_EQ(history.Save(setBack), 2);
        Market().Market().SetMoment(MarketMoment::kFirst);
    }
    const std::string f = file.string();
    const ProgramRun list = Cli({"history", "--history", f}, settings);
    EXPECT_EQ(list.out.rfind("#2 ", 0), 0u) << list.out;
    const ProgramRun shown = Cli({"show", "青禾手作坊", "--json", "--history", f}, settings);
    EXPECT_EQ(json::parse(shown.out)["fields"]["标签38"], "很挑剔！有给差评的记录！");
    const ProgramRun diff =
        Cli({"history", "青禾手作坊", "--diff", "--json", "--history", f}, settings);
    const json changes = json::parse(diff.out);
    EXPECT_EQ(changes["old"]["id"], 1);
    EXPECT_EQ(changes["new"]["id"], 2);
    EXPECT_EQ(changes["changes"][0]["old"], "3456");
    EXPECT_EQ(changes["changes"][0]["new"], "3521");
}

TEST(CliHistory, ShowSaysWhatDidNotFitInTheHistory) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    FieldStore fields;
    fields.WriteText(Ctl::编辑框1, "nobody");
    fields.StatusBarSetText(0, Gbk("该账号不存在!"));
    // A page of 20 MiB that no compression makes smaller.
    std::string noise(20u << 20, '\0');
    std::uint64_t state = 88172645463325252ull;
    for (char& byte : noise) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        byte = static_cast<char>(state);
    }
    fields.WriteText(Ctl::编辑框2, noise);
    {
        History historyStore(file, kSavingLockWait);
        LookupHistory history(&historyStore, "test");
        ASSERT_TRUE(history.Save(testing::RecordOf(fields, "nobody")));
    }
    const std::string note =
        "the whole page texts of this lookup were left out of the history: the lookup was "
        "larger than the 16 MiB it may add";
    const ProgramRun text = Cli({"show", "nobody", "--history", file.string()}, settings);
    EXPECT_EQ(text.out, "状态\t该账号不存在!\n淘宝帐号：\tnobody\n(not saved)\t" + note + "\n");
    const ProgramRun asJson =
        Cli({"show", "nobody", "--json", "--history", file.string()}, settings);
    const json shown = json::parse(asJson.out);
    EXPECT_EQ(shown["left_out"], note);
    EXPECT_EQ(shown["fields"]["编辑框2"], "");
}

}  // namespace
}  // namespace kestrova
