#include "cli/watch/MarksCommand.h"

#include <cstdio>
#include <iostream>

#include "cli/LookupCommand.h"
#include "cli/batch/AccountList.h"
#include "cli/history/Csv.h"
#include "cli/history/SavedLookupText.h"
#include "cli/report/MarkReport.h"
#include "cli/watch/MarksFile.h"
#include "history/History.h"
#include "history/store/HistoryError.h"

namespace kestrova {
namespace {

// A long file of bad rows is told by its first ones.
constexpr std::size_t kProblemsTold = 20;

}  // namespace

MarksCommand::MarksCommand(CLI::App& app)
    : command_(app.add_subcommand("marks", "List every mark and note, or import them")) {
    auto* json = command_->add_flag("--json", json_, "print a JSON array instead of lines");
    auto* csv = command_->add_flag("--csv", csv_,
                                   "print CSV for spreadsheets (UTF-8 with a byte-order mark)");
    json->excludes(csv);
    importOption_ = command_
                        ->add_option("--import", import_,
                                     "take the marks and notes of FILE (as --csv writes it; - for "
                                     "standard input): all of them or, where a row is bad, none")
                        ->type_name("FILE.csv")
                        ->excludes(json)
                        ->excludes(csv);
    history_.AddTo(*command_, false);
}

int MarksCommand::Run() const {
    try {
        return importOption_->count() > 0 ? Import() : List();
    } catch (const HistoryError& error) {
        return HistoryFailure(error.what());
    }
}

int MarksCommand::List() const {
    const std::vector<MarkEntry> entries = History(*history_.Place()).AllMarks();
    if (json_) {
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const MarkEntry& entry : entries) {
            list.push_back(MarkEntryJson(entry));
        }
        std::cout << list.dump(2) << "\n";
        return 0;
    }
    if (csv_) {
        std::string out(kUtf8Bom);
        out += CsvRow({std::begin(kMarkColumns), std::end(kMarkColumns)});
        for (const MarkEntry& entry : entries) {
            out += CsvRow(MarkEntryCells(entry));
        }
        std::cout << out;
        return 0;
    }
    for (const MarkEntry& entry : entries) {
        std::cout << MarkEntryLine(entry);
    }
    return 0;
}

int MarksCommand::Import() const {
    std::string error;
    const std::optional<std::string> text = ReadListFile(import_, error);
    const std::string name = import_ == "-" ? "standard input" : import_;
    if (!text) {
        std::fprintf(stderr, "kestrova-cli: cannot read %s: %s\n", name.c_str(), error.c_str());
        return kUsageError;
    }
    const MarksFile file = ReadMarksFile(*text);
    if (!file.problems.empty()) {
        for (std::size_t k = 0; k < file.problems.size() && k < kProblemsTold; ++k) {
            std::fprintf(stderr, "kestrova-cli: %s:%d: %s\n", name.c_str(), file.problems[k].line,
                         file.problems[k].what.c_str());
        }
        if (file.problems.size() > kProblemsTold) {
            std::fprintf(stderr, "kestrova-cli: %s: %zu more bad rows\n", name.c_str(),
                         file.problems.size() - kProblemsTold);
        }
        std::fprintf(stderr, "kestrova-cli: nothing of %s was imported\n", name.c_str());
        return kHistoryFailure;
    }
    const ImportCounts counts = History(*history_.Place()).ImportMarks(file.entries);
    std::cout << "imported " << counts.marks << (counts.marks == 1 ? " mark" : " marks") << " and "
              << counts.notes << (counts.notes == 1 ? " note" : " notes");
    if (counts.olderMarks > 0 || counts.knownNotes > 0) {
        std::cout << " (kept as they were: " << counts.olderMarks
                  << " marks older than the member's, " << counts.knownNotes
                  << " notes already there)";
    }
    std::cout << "\n";
    return 0;
}

}  // namespace kestrova
