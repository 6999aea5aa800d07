#include "cli/watch/MarksFile.h"

#include <algorithm>
#include <array>
#include <optional>

#include "cli/history/Csv.h"
#include "cli/report/MarkReport.h"
#include "history/TimeText.h"
#include "history/store/MemberKey.h"

namespace kestrova {
namespace {

constexpr std::size_t kColumns = std::size(kMarkColumns);

std::string ColumnList() {
    std::string list;
    for (const char* name : kMarkColumns) {
        list += (list.empty() ? "" : ",") + std::string(name);
    }
    return list;
}

// Where each column is in the file: the header's order.
std::optional<std::array<std::size_t, kColumns>> ColumnPlaces(
    const std::vector<std::string>& header) {
    if (header.size() != kColumns) {
        return std::nullopt;
    }
    std::array<std::size_t, kColumns> places{};
    for (std::size_t c = 0; c < kColumns; ++c) {
        const auto found = std::find(header.begin(), header.end(), kMarkColumns[c]);
        if (found == header.end()) {
            return std::nullopt;
        }
        places[c] = static_cast<std::size_t>(found - header.begin());
    }
    return places;
}

// The entry of one row, or what is wrong with it.
std::optional<std::string> EntryOf(const std::vector<std::string>& row,
                                   const std::array<std::size_t, kColumns>& places,
                                   MarkEntry& entry) {
    if (row.size() != kColumns) {
        return std::to_string(row.size()) + (row.size() == 1 ? " cell" : " cells") + " where " +
               std::to_string(kColumns) + " are wanted";
    }
    std::array<std::string, kColumns> cell;
    for (std::size_t c = 0; c < kColumns; ++c) {
        cell[c] = FromCsvCell(row[places[c]]);
    }
    for (std::size_t c : {0u, 2u, 3u}) {
        if (const auto problem = ProblemWithText(cell[c])) {
            return "the " + std::string(kMarkColumns[c]) + " cannot be kept: " + *problem;
        }
    }
    entry.account = cell[0];
    if (MemberKey(entry.account).empty()) {
        return "no account";
    }
    const auto kind = MarkKindFromName(cell[1]);
    if (!kind) {
        return "the kind is none of blacklist, trusted, clear and note";
    }
    entry.kind = *kind;
    entry.text = cell[2];
    if (entry.kind == MarkKind::kNote && entry.text.empty()) {
        return "a note without text";
    }
    entry.who = cell[3];
    if (entry.who.empty()) {
        return "no one in the who column";
    }
    const auto when = ParseTimeText(cell[4]);
    if (!when) {
        return "the time is not one such as 2026-12-07T06:05:09.123Z";
    }
    entry.when = *when;
    return std::nullopt;
}

}  // namespace

MarksFile ReadMarksFile(std::string_view text) {
    MarksFile file;
    const std::vector<CsvRecord> records = ReadCsv(text);
    if (records.empty()) {
        file.problems.push_back(
            {1, "the file is empty; its first line must name the columns " + ColumnList()});
        return file;
    }
    const CsvRecord& header = records.front();
    const auto places = header.problem ? std::nullopt : ColumnPlaces(header.cells);
    if (!places) {
        file.problems.push_back(
            {header.line, "the first line must name the columns " + ColumnList()});
        return file;
    }
    for (std::size_t r = 1; r < records.size(); ++r) {
        const CsvRecord& record = records[r];
        MarkEntry entry;
        const std::optional<std::string> problem =
            record.problem ? record.problem : EntryOf(record.cells, *places, entry);
        if (problem) {
            file.problems.push_back({record.line, *problem});
        } else {
            file.entries.push_back(std::move(entry));
        }
    }
    return file;
}

}  // namespace kestrova
