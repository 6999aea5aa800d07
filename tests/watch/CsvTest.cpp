// Cells as spreadsheets read them, formula-looking cells made text and taken
// back; files of marks read whole or reported row by row; times read back.

#include <gtest/gtest.h>

#include "cli/history/Csv.h"
#include "cli/watch/MarksFile.h"
#include "history/TimeText.h"

namespace kestrova {
namespace {

struct CellCase {
    std::string text;
    std::string written;
};

TEST(Csv, CellsAreQuotedAndFormulasMadeText) {
    const std::vector<CellCase> cases = {
        {"", ""},
        {"青禾手作坊", "青禾手作坊"},
        {"99.86%", "99.86%"},
        {"a,b", "\"a,b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\rhere", "\"cr\rhere\""},
        // Every start a spreadsheet reads as a formula, and one that is not.
        {"=HYPERLINK(\"http://x\")", "\"'=HYPERLINK(\"\"http://x\"\")\""},
        {"+1", "\"'+1\""},
        {"-2", "\"'-2\""},
        {"@SUM(A1)", "\"'@SUM(A1)\""},
        {"\tcmd", "\"'\tcmd\""},
        {"\rcmd", "\"'\rcmd\""},
        {"'=already", "\"''=already\""},
        {"'plain", "'plain"},
        {"a=b", "a=b"},
        {"＝全角", "＝全角"},
    };
    for (const CellCase& c : cases) {
        EXPECT_EQ(CsvCell(c.text), c.written) << c.text;
        // Read back by the reader and the apostrophe taken away: the text.
        const auto records = ReadCsv(CsvRow({c.text, "x"}));
        ASSERT_EQ(records.size(), 1u) << c.text;
        ASSERT_FALSE(records[0].problem) << c.text << *records[0].problem;
        EXPECT_EQ(FromCsvCell(records[0].cells[0]), c.text);
    }
    EXPECT_EQ(CsvRow({"a", "", "b,c"}), "a,,\"b,c\"\r\n");
}

struct RecordCase {
    std::string text;
    std::vector<std::vector<std::string>> cells;  // of the good records
    std::vector<int> lines;                       // where every record starts
    std::vector<std::string> problems;            // "" for none
};

TEST(Csv, RecordsAndTheirLines) {
    const std::vector<RecordCase> cases = {
        {"\xEF\xBB\xBF"
         "a,b\r\nc,d\r\n",
         {{"a", "b"}, {"c", "d"}},
         {1, 2},
         {"", ""}},
        {"a,b\nc,d", {{"a", "b"}, {"c", "d"}}, {1, 2}, {"", ""}},
        {"\n\r\na\n\n", {{"a"}}, {3}, {""}},
        {"\"x\ny\",z\nw\n", {{"x\ny", "z"}, {"w"}}, {1, 3}, {"", ""}},
        {"a,\n", {{"a", ""}}, {1}, {""}},
        {"a\"b,c\nd\n", {{"d"}}, {1, 2}, {"a quote inside a cell that is not quoted", ""}},
        {"\"a\"b,c\nd\n", {{"d"}}, {1, 2}, {"text after the closing quote of a cell", ""}},
        {"ok\n\"open,\nnever closed\n", {{"ok"}}, {1, 2}, {"", "a quoted cell is not closed"}},
    };
    for (const RecordCase& c : cases) {
        const auto records = ReadCsv(c.text);
        std::vector<std::vector<std::string>> cells;
        std::vector<int> lines;
        std::vector<std::string> problems;
        for (const CsvRecord& record : records) {
            lines.push_back(record.line);
            problems.push_back(record.problem.value_or(""));
            if (!record.problem) {
                cells.push_back(record.cells);
            }
        }
        EXPECT_EQ(cells, c.cells) << c.text;
        EXPECT_EQ(lines, c.lines) << c.text;
        EXPECT_EQ(problems, c.problems) << c.text;
    }
}

TEST(TimeText, ReadsBackWhatItWritesAndRefusesTheRest) {
    using namespace std::chrono;
    const auto at =
        sys_days(year(2026) / 12 / 7) + hours(6) + minutes(5) + seconds(9) + milliseconds(123);
    EXPECT_EQ(ParseTimeText(UtcTimeText(at)), at);
    EXPECT_EQ(ParseTimeText("2026-12-07 06:05:09.123Z"), at);
    EXPECT_EQ(ParseTimeText("2026-12-07T14:05:09.1234567+08:00"), at);
    EXPECT_EQ(ParseTimeText("2026-12-07T01:05:09.123-05:00"), at);
    EXPECT_EQ(ParseTimeText("2026-12-07T06:05:09Z"), at - milliseconds(123));
    EXPECT_EQ(ParseTimeText("2026-12-07T06:05:09.5Z"), at - milliseconds(123) + milliseconds(500));
    // Without a zone: local time, as the listing prints it.
    const auto local = ParseTimeText(LocalTimeText(time_point_cast<seconds>(at)));
    EXPECT_EQ(local, time_point_cast<seconds>(at));
    for (const char* bad : {"", "2026-12-07", "2026-02-30T00:00:00Z", "2026-12-07T24:00:00Z",
                            "2026-12-07T06:05:09.Z", "2026-12-07T06:05:09+0800",
                            "2026-12-07T06:05:09Z trailing", "07/12/2026 06:05", "yesterday"}) {
        EXPECT_FALSE(ParseTimeText(bad)) << bad;
    }
}

struct MarksFileCase {
    const char* what;
    std::string rows;  // after the header
    std::vector<int> badLines;
};

TEST(MarksFile, EveryBadRowIsToldWithItsLine) {
    const std::string header = "account,kind,text,who,when\r\n";
    const std::vector<MarksFileCase> cases = {
        {"good rows",
         "青禾手作坊,blacklist,收货后给差评,alice,2026-12-07T06:05:09.123Z\r\n"
         "青禾手作坊,note,\"'=先付款\",bob,2026-12-07T06:05:10Z\r\n"
         "walker.zhou,clear,,alice,2026-12-07 14:05:09\r\n",
         {}},
        {"a row short", "a,blacklist,x,alice\r\n", {2}},
        {"a row long", "a,blacklist,x,alice,2026-12-07T06:05:09Z,extra\r\n", {2}},
        {"an unknown kind", "a,banned,x,alice,2026-12-07T06:05:09Z\r\n", {2}},
        {"no time", "a,trusted,x,alice,\r\n", {2}},
        {"no one", "a,trusted,x,,2026-12-07T06:05:09Z\r\n", {2}},
        {"no account", "\" \",trusted,x,alice,2026-12-07T06:05:09Z\r\n", {2}},
        {"an empty note", "a,note,,alice,2026-12-07T06:05:09Z\r\n", {2}},
        {"a control character", "a,note,\"x\x1b[2Jy\",alice,2026-12-07T06:05:09Z\r\n", {2}},
        {"a direction override", "a,note,\"x\xe2\x80\xaey\",alice,2026-12-07T06:05:09Z\r\n", {2}},
        {"a line break", "a,note,\"x\ny\",alice,2026-12-07T06:05:09Z\r\n", {2}},
        {"broken UTF-8", "a,note,\"x\xff\",alice,2026-12-07T06:05:09Z\r\n", {2}},
        {"broken quoting among good rows",
         "a,trusted,x,alice,2026-12-07T06:05:09Z\r\n"
         "b,trusted,\"x,alice,2026-12-07T06:05:09Z\r\n",
         {3}},
        {"several",
         "a,trusted,x,alice,2026-12-07T06:05:09Z\r\n"
         "b,trusted\r\n"
         "\r\n"
         "c,kind,x,alice,2026-12-07T06:05:09Z\r\n",
         {3, 5}},
    };
    for (const MarksFileCase& c : cases) {
        const MarksFile file = ReadMarksFile(header + c.rows);
        std::vector<int> lines;
        for (const MarksFileProblem& problem : file.problems) {
            lines.push_back(problem.line);
        }
        EXPECT_EQ(lines, c.badLines) << c.what;
    }
    const MarksFile good = ReadMarksFile("\xEF\xBB\xBF" + header + cases[0].rows);
    ASSERT_EQ(good.entries.size(), 3u);
    EXPECT_EQ(good.entries[0].kind, MarkKind::kBlacklist);
    EXPECT_EQ(good.entries[1].text, "=先付款");  // the apostrophe was the writer's
    EXPECT_EQ(good.entries[2].kind, MarkKind::kClear);

    // The columns in another order are the same columns.
    const MarksFile shuffled = ReadMarksFile(
        "when,who,text,kind,account\nx2026-12-07T06:05:09Z,a,b,note,c\n"
        "2026-12-07T06:05:09Z,a,b,note,c\n");
    ASSERT_EQ(shuffled.problems.size(), 1u);
    EXPECT_EQ(shuffled.problems[0].line, 2);
    ASSERT_EQ(shuffled.entries.size(), 1u);
    EXPECT_EQ(shuffled.entries[0].account, "c");
    for (const char* bad : {"", "account,kind,text,who\n", "account,kind,text,who,when,extra\n",
                            "account,kind,text,who,time\n"}) {
        const MarksFile file = ReadMarksFile(bad);
        ASSERT_EQ(file.problems.size(), 1u) << bad;
        EXPECT_EQ(file.problems[0].line, 1);
        EXPECT_TRUE(file.entries.empty());
    }
}

}  // namespace
}  // namespace kestrova
