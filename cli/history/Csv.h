#pragma once
// Comma-separated values as spreadsheets read and write them (RFC 4180):
// cells quoted where they hold a comma, a quote or a line break, quotes
// doubled, lines ended with CR LF. A cell a spreadsheet would take for a
// formula (starting with =, +, -, @, a tab or a carriage return) is written
// with a leading apostrophe, so that text from a page can never run as one.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrova {

// The byte-order mark that tells spreadsheet programs the file is UTF-8.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

std::string CsvCell(std::string_view text);
// The cells joined by commas, ended with CR LF.
std::string CsvRow(const std::vector<std::string>& cells);

// Takes back the apostrophe CsvCell put in front of a formula-looking cell;
// any other cell is left as it is.
std::string FromCsvCell(std::string_view cell);

// One record of a file: the cells, or what is wrong with it.
struct CsvRecord {
    int line = 0;  // where it starts, from 1
    std::vector<std::string> cells;
    std::optional<std::string> problem;
};

// Every record of the text; a byte-order mark at its start is skipped, and so
// are empty lines. A record whose quoting is broken says so, and reading goes
// on at the next line.
std::vector<CsvRecord> ReadCsv(std::string_view text);

}  // namespace kestrova
