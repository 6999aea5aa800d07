#include "cli/ShowCommand.h"

#include <iostream>

#include "cli/FieldReport.h"
#include "cli/MarkReport.h"
#include "cli/SavedLookupText.h"
#include "history/FieldValues.h"
#include "history/HistoryError.h"
#include "history/LookupWriter.h"
#include "history/MemberKey.h"
#include "history/SavedLookups.h"
#include "text/TerminalText.h"

namespace kestrova {
namespace {

std::string LeftOutNote(int leftOut) {
    std::string parts;
    if ((leftOut & kPageTextsLeftOut) != 0) {
        parts = "the whole page texts";
    }
    if ((leftOut & kPicturesLeftOut) != 0) {
        parts += parts.empty() ? "some pictures" : " and some pictures";
    }
    return parts + " of this lookup were left out of the history: the lookup was larger than the " +
           std::to_string(kLookupBound >> 20) + " MiB it may add";
}

}  // namespace

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
        // What did not fit in the history is said beside the fields, never in them.
        std::string shown;
        if (json_) {
            nlohmann::ordered_json object = FieldObject(lookup->fields);
            if (lookup->summary.leftOut != kNothingLeftOut) {
                object["left_out"] = LeftOutNote(lookup->summary.leftOut);
            }
            // The member's marks and notes as they are now, as a lookup shows them.
            AddMarksToJson(object, MarksBeside(file, true).Of(account_));
            shown =
                object.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
        } else {
            shown = FieldListing(lookup->fields);
            if (lookup->summary.leftOut != kNothingLeftOut) {
                shown += "(not saved)\t" + LeftOutNote(lookup->summary.leftOut) + "\n";
            }
            shown += MarkLines(MarksBeside(file, true).Of(account_));
            shown = TerminalText(shown);
        }
        std::cout << shown;
        return 0;
    } catch (const HistoryError& error) {
        return HistoryFailure(error.what());
    }
}

}  // namespace kestrova
