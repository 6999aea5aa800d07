#include "cli/history/ShowCommand.h"

#include <iostream>

#include "cli/history/SavedLookupText.h"
#include "cli/report/MarkReport.h"
#include "history/HistoryError.h"
#include "history/MemberKey.h"
#include "history/SavedLookups.h"
#include "text/TerminalText.h"

namespace kestrova {

ShowCommand::ShowCommand(CLI::App& app)
    : command_(app.add_subcommand(
          "show", "Print a saved lookup exactly as lookup printed it, without the network")) {
    command_->add_option("ACCOUNT", account_, "the member's account name")->required();
    idOption_ =
        command_->add_option("--id", id_, "this saved lookup of the member (default: the latest)");
    command_->add_flag("--json", json_, "print the JSON object instead of the field listing");
    history_.AddTo(*command_, false);
}

int ShowCommand::Run() const {
    try {
        const auto file = history_.File();
        const SavedLookups saved(*file);
        std::int64_t id = id_;
        if (idOption_->count() == 0) {
            const auto latest = saved.Recent(account_, 1);
            if (latest.empty()) {
                return HistoryFailure("no saved lookup of " + account_ + " in " +
                                      saved.File().string());
            }
            id = latest.front().id;
        }
        const std::optional<SavedLookup> lookup = saved.Load(id);
        if (!lookup) {
            return HistoryFailure("no saved lookup #" + std::to_string(id) + " in " +
                                  saved.File().string());
        }
        if (MemberKey(lookup->summary.account) != MemberKey(account_)) {
            return HistoryFailure("saved lookup #" + std::to_string(id) + " is of " +
                                  lookup->summary.account + ", not of " + account_);
        }
        // The member's marks and notes as they are now, as a lookup shows them.
        const MemberMarks marks = MarksBeside(file, true).Of(account_);
        std::string shown;
        if (json_) {
            nlohmann::ordered_json object = SavedObject(*lookup);
            AddMarksToJson(object, marks);
            shown =
                object.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
        } else {
            shown = TerminalText(SavedListing(*lookup) + MarkLines(marks));
        }
        std::cout << shown;
        return 0;
    } catch (const HistoryError& error) {
        return HistoryFailure(error.what());
    }
}

}  // namespace kestrova
