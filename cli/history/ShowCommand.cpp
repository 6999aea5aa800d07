#include "cli/history/ShowCommand.h"

#include <iostream>

#include "cli/history/SavedLookupText.h"
#include "cli/report/MarkReport.h"
#include "history/History.h"
#include "history/store/MemberKey.h"
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
        History history(*history_.Place());
        std::int64_t id = id_;
        if (idOption_->count() == 0) {
            const auto latest = history.Recent(account_, 1);
            if (latest.empty()) {
                return HistoryFailure("no saved lookup of " + account_ + " in " +
                                      history.Place().string());
            }
            id = latest.front().id;
        }
        const std::optional<SavedLookup> lookup = history.Load(id);
        if (!lookup) {
            return HistoryFailure("no saved lookup #" + std::to_string(id) + " in " +
                                  history.Place().string());
        }
        if (MemberKey(lookup->row.account) != MemberKey(account_)) {
            return HistoryFailure("saved lookup #" + std::to_string(id) + " is of " +
                                  lookup->row.account + ", not of " + account_);
        }
        // The member's marks and notes as they are now, as a lookup shows them.
        const MemberMarks marks = MarksBeside(&history, true).Of(account_);
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
