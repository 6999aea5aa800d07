// kestrova-cli as a user runs it: marks and notes made, listed, shown beside
// every lookup and taken back from a file; the watch list re-checked across
// the marketplace's two moments, printing what history --diff prints; the
// history as CSV read back by Python's csv module.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "WatchTesting.h"
#include "marketplace/MarketMoment.h"

namespace kestrova {
namespace {

using nlohmann::json;
using testing::Cli;
using testing::CliOn;
using testing::FileBytes;
using testing::Isolated;
using testing::Market;
using testing::MarketAddress;
using testing::ProgramRun;
using testing::QueryValue;
using testing::TempFolder;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string LastLines(const std::string& text, std::size_t count) {
    const auto lines = Lines(text);
    std::string last;
    for (std::size_t k = lines.size() > count ? lines.size() - count : 0; k < lines.size(); ++k) {
        last += lines[k] + "\n";
    }
    return last;
}

// ---------------------------------------------------------------- marks and notes

TEST(CliMarks, ShownBesideEveryLookupAndListedInEveryForm) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    const ProgramRun unmarked =
        CliOn(file, {"lookup", "青禾手作坊", "--connect-to", MarketAddress()}, settings);
    ASSERT_EQ(unmarked.exitCode, 0) << unmarked.err;

    ASSERT_EQ(
        CliOn(file, {"mark", "青禾手作坊", "--blacklist", "--reason", "收货后给差评要挟"}, settings)
            .exitCode,
        0);
    ASSERT_EQ(CliOn(file, {"note", " 青禾手作坊", "第二次下单要先付款"}, settings).exitCode, 0);
    ASSERT_EQ(CliOn(file, {"mark", "walker.zhou", "--trusted"}, settings).exitCode, 0);

    // The listing is what it was, the notes and the mark after it.
    const ProgramRun text =
        CliOn(file, {"lookup", "青禾手作坊", "--connect-to", MarketAddress()}, settings);
    EXPECT_EQ(text.out, unmarked.out +
                            "备注\t第二次下单要先付款\n"
                            "标记\t黑名单：收货后给差评要挟\n");
    const ProgramRun shown = CliOn(file, {"show", "青禾手作坊"}, settings);
    EXPECT_EQ(shown.out, text.out);

    const ProgramRun asJson =
        CliOn(file, {"lookup", "青禾手作坊", "--connect-to", MarketAddress(), "--json"}, settings);
    const json object = json::parse(asJson.out);
    EXPECT_EQ(object["mark"]["kind"], "blacklist");
    EXPECT_EQ(object["mark"]["reason"], "收货后给差评要挟");
    EXPECT_FALSE(object["mark"]["who"].get<std::string>().empty());
    EXPECT_EQ(object["mark"]["when"].get<std::string>().size(), 24u);
    ASSERT_EQ(object["notes"].size(), 1u);
    EXPECT_EQ(object["notes"][0]["text"], "第二次下单要先付款");
    EXPECT_EQ(CliOn(file, {"show", "青禾手作坊", "--json"}, settings).out, asJson.out);

    // In a batch, each member with its own, and nothing for the unmarked.
    const ProgramRun batch = CliOn(file,
                                   {"lookup", "walker.zhou", "书虫阿林", "--connect-to",
                                    MarketAddress(), "--json", "--jobs", "2"},
                                   settings);
    const auto lines = Lines(batch.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(json::parse(lines[0])["mark"]["kind"], "trusted");
    EXPECT_EQ(json::parse(lines[1])["mark"], nullptr);
    EXPECT_EQ(json::parse(lines[1])["notes"], json::array());
    const ProgramRun blocks = CliOn(
        file, {"lookup", "walker.zhou", "书虫阿林", "--connect-to", MarketAddress()}, settings);
    EXPECT_NE(blocks.out.find("标记\t信任\n\n== 书虫阿林 =="), std::string::npos);

    // --no-history stops saving, not reading.
    const ProgramRun unsaved =
        Cli({"lookup", "walker.zhou", "--connect-to", MarketAddress(), "--no-history"}, [&] {
            auto s = settings;
            s.environment["KESTROVA_HISTORY"] = file.string();
            return s;
        }());
    EXPECT_EQ(LastLines(unsaved.out, 1), "标记\t信任\n");

    // The lists: text, JSON and CSV with the same entries.
    const auto listed = Lines(CliOn(file, {"marks"}, settings).out);
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[0].rfind("walker.zhou\t信任\t\t", 0), 0u) << listed[0];
    EXPECT_EQ(listed[2].rfind(" 青禾手作坊\t备注\t第二次下单要先付款\t", 0), 0u) << listed[2];
    const json entries = json::parse(CliOn(file, {"marks", "--json"}, settings).out);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1]["kind"], "blacklist");
    const std::string csv = CliOn(file, {"marks", "--csv"}, settings).out;
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF"
                        "account,kind,text,who,when\r\n",
                        0),
              0u);
    EXPECT_EQ(Lines(csv).size(), 4u);

    // Clearing leaves the notes and a "clear" in the list.
    ASSERT_EQ(CliOn(file, {"mark", "青禾手作坊", "--clear"}, settings).exitCode, 0);
    EXPECT_EQ(LastLines(CliOn(file, {"show", "青禾手作坊"}, settings).out, 1),
              "备注\t第二次下单要先付款\n");
    EXPECT_EQ(json::parse(CliOn(file, {"marks", "--json"}, settings).out)[0]["kind"], "clear");
}

struct Refused {
    std::vector<std::string> arguments;
    int exitCode;
    const char* said;
};

TEST(CliMarks, RefusesWhatCannotBeKept) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    const std::vector<Refused> cases = {
        {{"mark", "a"}, 2, "mark wants --blacklist, --trusted or --clear"},
        {{"mark", "a", "--blacklist", "--trusted"}, 2, "excludes"},
        {{"mark", " ", "--blacklist"}, 2, "the account name is empty"},
        {{"mark", "a", "--blacklist", "--reason", "two\nlines"}, 2, "line break"},
        {{"note", "a", "\x1b]0;title\x07"}, 2, "control character"},
        {{"note", "a",
          "\xe2\x80\xae"
          "olleh"},
         2,
         "direction mark"},
        {{"note", "a", "\xff"}, 2, "not valid UTF-8"},
        {{"note", "a", ""}, 2, "the note is empty"},
        {{"note", "a"}, 2, "TEXT"},
        {{"marks", "--json", "--csv"}, 2, "excludes"},
        {{"watch", "add", "a\tb"}, 2, "control character"},
        {{"watch"}, 2, "subcommand"},
        {{"watch", "remove", "never.added"}, 1, "never.added is not on the watch list"},
        {{"recheck", "--jobs", "0"}, 2, "--jobs wants a number from 1 to 16"},
        {{"recheck", "--connect-to", "nowhere"}, 2, "--connect-to wants HOST:PORT"},
    };
    for (const Refused& c : cases) {
        const ProgramRun run = CliOn(file, c.arguments, settings);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments[0] << " " << run.err;
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM mark") +
                  QueryValue(file, "SELECT count(*) FROM note"),
              "00");
}

// ---------------------------------------------------------------- import

struct ImportCase {
    const char* what;
    std::string rows;  // after the header
    int exitCode;
    // On standard error, in order: ":LINE" for a bad row, and the end of the
    // run ("nothing imported").
    std::vector<std::string> said;
    std::string marksAfter;  // `marks --json` kinds and texts, "kind:text;" each
};

void PrintTo(const ImportCase& c, std::ostream* out) {
    *out << c.what;
}

class CliImport : public ::testing::TestWithParam<ImportCase> {};

TEST_P(CliImport, AllOrNothingNewerWins) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    // What the history holds before: a mark at 06:00 and a note.
    testing::WriteFile(folder / "before.csv",
                       "account,kind,text,who,when\n"
                       "a,blacklist,mine,alice,2026-12-07T06:00:00Z\n"
                       "a,note,known,alice,2026-12-07T05:00:00Z\n");
    ASSERT_EQ(
        CliOn(file, {"marks", "--import", (folder / "before.csv").string()}, settings).exitCode, 0);
    const auto list = folder / "list.csv";
    testing::WriteFile(list,
                       "\xEF\xBB\xBF"
                       "account,kind,text,who,when\r\n" +
                           GetParam().rows);
    const ProgramRun run = CliOn(file, {"marks", "--import", list.string()}, settings);
    EXPECT_EQ(run.exitCode, GetParam().exitCode) << run.err;
    // Each bad row by its line (what is wrong is the reader's to say), then the end.
    const std::string name = "kestrova-cli: " + list.string();
    std::vector<std::string> said;
    for (const std::string& line : Lines(run.err)) {
        said.push_back(line.rfind(name + ":", 0) == 0 ? line.substr(0, line.find(": ", name.size()))
                                                      : line);
    }
    std::vector<std::string> expected;
    for (const std::string& line : GetParam().said) {
        expected.push_back(line.starts_with(":")
                               ? name + line
                               : "kestrova-cli: nothing of " + list.string() + " was imported");
    }
    EXPECT_EQ(said, expected) << run.err;
    std::string after;
    for (const json& entry : json::parse(CliOn(file, {"marks", "--json"}, settings).out)) {
        after += entry["account"].get<std::string>() + "," + entry["kind"].get<std::string>() +
                 ":" + entry["text"].get<std::string>() + ";";
    }
    EXPECT_EQ(after, GetParam().marksAfter);
}

const char* kBefore = "a,blacklist:mine;a,note:known;";

INSTANTIATE_TEST_SUITE_P(
    Cli, CliImport,
    ::testing::Values(
        ImportCase{"newer_and_older",
                   "a,trusted,older,zoe,2026-12-07T05:59:59.999Z\r\n"
                   "b,trusted,new,zoe,2026-12-07T07:00:00+08:00\r\n"
                   "a,note,known,alice,2026-12-07T05:00:00Z\r\n"
                   "a,note,\"'=IMPORTXML(\"\"x\"\")\",zoe,2026-12-07T05:00:00Z\r\n",
                   0,
                   {},
                   "a,blacklist:mine;a,note:known;a,note:=IMPORTXML(\"x\");b,trusted:new;"},
        ImportCase{"a_newer_clear",
                   "a,clear,,zoe,2026-12-07T06:00:00.001Z\r\n",
                   0,
                   {},
                   "a,clear:;a,note:known;"},
        ImportCase{"bad_rows_import_nothing",
                   "b,trusted,fine,zoe,2026-12-07T07:00:00Z\r\n"
                   "c,trusted,fine,zoe\r\n"
                   "d,liked,fine,zoe,2026-12-07T07:00:00Z\r\n"
                   "e,note,\"x\ny\",zoe,2026-12-07T07:00:00Z\r\n"
                   "f,note,fine,zoe,yesterday\r\n",
                   1,
                   {":3", ":4", ":5", ":7", "nothing imported"},
                   kBefore},
        ImportCase{"broken_quoting",
                   "b,trusted,\"fine,zoe,2026-12-07T07:00:00Z\r\n",
                   1,
                   {":2", "nothing imported"},
                   kBefore}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(CliImportFile, WhatCannotBeReadIsAUsageErrorAndAnExportComesBackWhole) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    const ProgramRun missing =
        CliOn(file, {"marks", "--import", (folder / "none.csv").string()}, settings);
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("No such file or directory"), std::string::npos);
    testing::WriteFile(folder / "empty.csv", "");
    EXPECT_EQ(
        CliOn(file, {"marks", "--import", (folder / "empty.csv").string()}, settings).exitCode, 1);

    ASSERT_EQ(
        CliOn(file, {"mark", "=1+1", "--blacklist", "--reason", "-2, \"引号\""}, settings).exitCode,
        0);
    ASSERT_EQ(CliOn(file, {"note", "@a", "+86 138"}, settings).exitCode, 0);
    const std::string exported = CliOn(file, {"marks", "--csv"}, settings).out;
    testing::WriteFile(folder / "export.csv", exported);
    const auto copy = folder / "copy.sqlite3";
    const ProgramRun imported =
        CliOn(copy, {"marks", "--import", (folder / "export.csv").string()}, settings);
    EXPECT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(imported.out, "imported 1 mark and 1 note\n");
    EXPECT_EQ(CliOn(copy, {"marks", "--csv"}, settings).out, exported);
    // Once more: nothing new.
    const ProgramRun again =
        CliOn(copy, {"marks", "--import", (folder / "export.csv").string()}, settings);
    EXPECT_EQ(again.out,
              "imported 0 marks and 0 notes (kept as they were: 1 marks older than the member's, "
              "1 notes already there)\n");
}

// ---------------------------------------------------------------- recheck

std::string HistoryDiff(const std::filesystem::path& file, const std::string& account,
                        const testing::RunSettings& settings, bool json = false) {
    std::vector<std::string> arguments = {"history", account, "--diff"};
    if (json) {
        arguments.push_back("--json");
    }
    return CliOn(file, arguments, settings).out;
}

TEST(CliRecheck, PrintsWhatHistoryDiffPrintsForEachChangedMember) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    const std::vector<std::string> recheck = {"recheck", "--connect-to", MarketAddress()};

    const ProgramRun nobody = CliOn(file, recheck, settings);
    EXPECT_EQ(nobody.exitCode, 0);
    EXPECT_NE(nobody.err.find("no member is watched"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(file));

    ASSERT_EQ(CliOn(file,
                    {"watch", "add", "青禾手作坊", "书虫阿林", "echo_valley", "nobody.here",
                     "blank_page", "Lumen家居旗舰店"},
                    settings)
                  .exitCode,
              0);
    const auto watched = Lines(CliOn(file, {"watch", "list"}, settings).out);
    ASSERT_EQ(watched.size(), 6u);
    EXPECT_EQ(watched[0].rfind("青禾手作坊\t", 0), 0u);
    EXPECT_EQ(json::parse(CliOn(file, {"watch", "list", "--json"}, settings).out)[5]["account"],
              "Lumen家居旗舰店");

    // The first lookups have nothing to compare with; the second find no change.
    Market().Market().SetMoment(MarketMoment::kFirst);
    for (int round = 0; round < 2; ++round) {
        const ProgramRun run = CliOn(file, recheck, settings);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(QueryValue(file, "SELECT count(*) FROM lookup"), "12");

    Market().Market().SetMoment(MarketMoment::kLater);
    const ProgramRun later = CliOn(file, recheck, settings);
    EXPECT_EQ(later.exitCode, 1) << later.err;
    EXPECT_EQ(later.err, "");
    EXPECT_EQ(later.out, HistoryDiff(file, "青禾手作坊", settings) +
                             HistoryDiff(file, "echo_valley", settings));
    EXPECT_EQ(Lines(later.out)[0].substr(0, 19), "青禾手作坊\t#7 ");

    // Back, fast, many jobs, as JSON Lines: each line what --diff --json prints.
    Market().Market().SetMoment(MarketMoment::kFirst);
    std::vector<std::string> json = recheck;
    json.insert(json.end(), {"--json", "--fast", "--jobs", "16"});
    const ProgramRun back = CliOn(file, json, settings);
    EXPECT_EQ(back.exitCode, 1) << back.err;
    const auto lines = Lines(back.out);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(json::parse(lines[0]), json::parse(HistoryDiff(file, "青禾手作坊", settings, true)));
    EXPECT_EQ(json::parse(lines[1]), json::parse(HistoryDiff(file, "echo_valley", settings, true)));
    EXPECT_EQ(json::parse(lines[0])["new"]["mode"], "fast");

    const ProgramRun same = CliOn(file, recheck, settings);
    EXPECT_EQ(same.exitCode, 0) << same.err;
    EXPECT_EQ(same.out, "");

    // The marketplace out of reach: no lookup is complete, none compared (said
    // for each member that has a complete one to compare with: all but
    // blank_page), no change reported, none the next time either, and never
    // a success.
    const ProgramRun unreachable =
        CliOn(file, {"recheck", "--connect-to", "127.0.0.1:1"}, settings);
    EXPECT_EQ(unreachable.exitCode, 4) << unreachable.err;
    EXPECT_EQ(unreachable.out, "");
    EXPECT_EQ(std::count(unreachable.err.begin(), unreachable.err.end(), '\n'), 5)
        << unreachable.err;
    EXPECT_NE(unreachable.err.find(
                  "青禾手作坊: not compared: the lookup is incomplete (获取店铺信息失败!)"),
              std::string::npos)
        << unreachable.err;
    EXPECT_EQ(CliOn(file, recheck, settings).exitCode, 0);

    // A watched member typed with spaces around is the same member: no change.
    ASSERT_EQ(
        CliOn(file, {"lookup", " 书虫阿林 ", "--connect-to", MarketAddress()}, settings).exitCode,
        0);
    ASSERT_EQ(CliOn(file, {"watch", "remove", "青禾手作坊", "echo_valley"}, settings).exitCode, 0);
    EXPECT_EQ(CliOn(file, recheck, settings).exitCode, 0);
}

TEST(CliRecheck, AHistoryItCannotReadIsARunTimeFault) {
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    testing::WriteFile(file, std::string(8192, 'x'));
    const ProgramRun run = CliOn(file, {"recheck", "--connect-to", MarketAddress()}, settings);
    EXPECT_EQ(run.exitCode, 3);
    EXPECT_NE(run.err.find("the file is damaged"), std::string::npos) << run.err;
    EXPECT_EQ(FileBytes(file), std::string(8192, 'x'));
}

// ---------------------------------------------------------------- history --csv

// Python's csv module, as a spreadsheet reads the file: each row as a JSON array.
json ReadBack(const std::string& csv, const TempFolder& folder) {
    const auto file = folder / "export.csv";
    testing::WriteFile(file, csv);
    const ProgramRun python =
        testing::RunProgram({"/usr/bin/python3", "-c",
                             "import csv, json, sys\n"
                             "raw = open(sys.argv[1], 'rb').read()\n"
                             "assert raw.startswith(b'\\xef\\xbb\\xbf'), 'no byte-order mark'\n"
                             "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                             "    print(json.dumps(list(csv.reader(f, strict=True))))\n",
                             file.string()},
                            {});
    EXPECT_EQ(python.exitCode, 0) << python.err;
    return json::parse(python.out);
}

TEST(CliHistoryCsv, ASpreadsheetReadsEveryLookupAndNoFormula) {
    Market().Market().SetMoment(MarketMoment::kFirst);
    const TempFolder folder;
    const auto settings = Isolated(folder);
    const auto file = folder / "history.sqlite3";
    const std::vector<std::string> accounts = {
        "青禾手作坊", "=HYPERLINK(\"http://x\",\"看\")", "-1+1", "a,\"b\"", "Lumen家居旗舰店",
        "@sum"};
    for (const std::string& account : accounts) {
        ASSERT_EQ(
            CliOn(file, {"lookup", account, "--connect-to", MarketAddress()}, settings).exitCode,
            0);
    }
    ASSERT_EQ(CliOn(file, {"mark", "青禾手作坊", "--trusted"}, settings).exitCode, 0);
    Market().Market().SetMoment(MarketMoment::kLater);
    ASSERT_EQ(
        CliOn(file, {"lookup", "青禾手作坊", "--connect-to", MarketAddress()}, settings).exitCode,
        0);
    Market().Market().SetMoment(MarketMoment::kFirst);

    const std::string csv = CliOn(file, {"history", "--csv"}, settings).out;
    EXPECT_NE(csv.find("\r\n"), std::string::npos);
    const json rows = ReadBack(csv, folder);
    ASSERT_EQ(rows.size(), 8u);  // the header and every lookup, past the listing's 20 too
    EXPECT_EQ(rows[0], json({"id", "time", "account", "end", "mode", "seller_credit",
                             "buyer_credit", "good", "neutral", "bad", "good_rate", "registered",
                             "region", "buyer_verdict", "shop_verdict", "mark"}));
    EXPECT_EQ(rows[1],
              json({"7", rows[1][1], "青禾手作坊", "verdicts", "sequential", "3521", "213", "1240",
                    "0", "1", "99.71%", "2007-04-18", "浙江杭州", "很挑剔！有给差评的记录！",
                    "专业店铺，门庭若市. [产品尚可]", "trusted"}));
    EXPECT_EQ(rows[1][1].get<std::string>().size(), 19u);  // 2026-12-07 14:05:09
    EXPECT_EQ(rows[2][2], "'@sum");
    EXPECT_EQ(rows[3][2], "Lumen家居旗舰店");
    EXPECT_EQ(rows[3][3], "tmall");
    EXPECT_EQ(rows[4][2], "a,\"b\"");
    EXPECT_EQ(rows[5][2], "'-1+1");
    EXPECT_EQ(rows[6][2], "'=HYPERLINK(\"http://x\",\"看\")");
    EXPECT_EQ(rows[6][3], "unknown_account");
    EXPECT_EQ(rows[7][15], "trusted");
    for (const json& row : rows) {
        EXPECT_EQ(row.size(), 16u);
        for (const json& cell : row) {
            const std::string text = cell.get<std::string>();
            EXPECT_TRUE(text.empty() || std::string("=+-@\t\r").find(text[0]) == std::string::npos)
                << text;
        }
    }
    // One member, and a limit.
    EXPECT_EQ(
        ReadBack(CliOn(file, {"history", "青禾手作坊", "--csv"}, settings).out, folder).size(), 3u);
    EXPECT_EQ(
        ReadBack(CliOn(file, {"history", "--csv", "--limit", "2"}, settings).out, folder).size(),
        3u);
    EXPECT_EQ(CliOn(file, {"history", "--csv", "--json"}, settings).exitCode, 2);
}

}  // namespace
}  // namespace kestrova
