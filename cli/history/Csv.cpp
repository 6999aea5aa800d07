#include "cli/history/Csv.h"

namespace kestrova {
namespace {

bool StartsFormula(char c) {
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r';
}

// Apostrophes, then a character that starts a formula. One apostrophe more
// in front makes such a cell text, and one less reads it back: the two are
// each other's inverse on every cell.
bool LooksLikeFormula(std::string_view text) {
    const std::size_t first = text.find_first_not_of('\'');
    return first != std::string_view::npos && StartsFormula(text[first]);
}

}  // namespace

std::string CsvCell(std::string_view text) {
    const bool formula = LooksLikeFormula(text);
    const bool quoted = formula || text.find_first_of(",\"\r\n") != std::string_view::npos;
    if (!quoted) {
        return std::string(text);
    }
    std::string cell = formula ? "\"'" : "\"";
    for (const char c : text) {
        cell += c;
        if (c == '"') {
            cell += '"';
        }
    }
    return cell + '"';
}

std::string CsvRow(const std::vector<std::string>& cells) {
    std::string row;
    for (std::size_t k = 0; k < cells.size(); ++k) {
        if (k > 0) {
            row += ',';
        }
        row += CsvCell(cells[k]);
    }
    return row + "\r\n";
}

std::string FromCsvCell(std::string_view cell) {
    if (cell.starts_with('\'') && LooksLikeFormula(cell.substr(1))) {
        cell.remove_prefix(1);
    }
    return std::string(cell);
}

std::vector<CsvRecord> ReadCsv(std::string_view text) {
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    std::vector<CsvRecord> records;
    std::size_t at = 0;
    int line = 1;
    const auto endOfLine = [&text](std::size_t i) {
        return text[i] == '\n' || (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n');
    };
    const auto skipLineEnd = [&text, &at, &line] {
        at += text[at] == '\r' ? 2 : 1;
        ++line;
    };
    while (at < text.size()) {
        CsvRecord record;
        record.line = line;
        if (endOfLine(at)) {
            skipLineEnd();  // an empty line
            continue;
        }
        std::string cell;
        bool done = false;
        while (!done) {
            if (at < text.size() && text[at] == '"') {
                // A quoted cell, which may hold line breaks.
                ++at;
                bool closed = false;
                while (at < text.size()) {
                    if (text[at] == '"') {
                        if (at + 1 < text.size() && text[at + 1] == '"') {
                            cell += '"';
                            at += 2;
                            continue;
                        }
                        ++at;
                        closed = true;
                        break;
                    }
                    if (text[at] == '\n') {
                        ++line;
                    }
                    cell += text[at++];
                }
                if (!closed) {
                    record.problem = "a quoted cell is not closed";
                    at = text.size();
                    break;
                }
                if (at < text.size() && text[at] != ',' && !endOfLine(at)) {
                    record.problem = "text after the closing quote of a cell";
                    break;
                }
            } else {
                while (at < text.size() && text[at] != ',' && !endOfLine(at)) {
                    if (text[at] == '"') {
                        record.problem = "a quote inside a cell that is not quoted";
                        break;
                    }
                    cell += text[at++];
                }
                if (record.problem) {
                    break;
                }
            }
            record.cells.push_back(std::move(cell));
            cell.clear();
            if (at < text.size() && text[at] == ',') {
                ++at;
            } else {
                done = true;
            }
        }
        if (record.problem) {
            // On to the next line; what is left of this one is not read.
            while (at < text.size() && !endOfLine(at)) {
                ++at;
            }
            record.cells.clear();
        }
        if (at < text.size()) {
            skipLineEnd();
        }
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace kestrova
