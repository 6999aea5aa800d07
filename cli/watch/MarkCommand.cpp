#include "cli/watch/MarkCommand.h"

#include <cstdio>

#include "cli/LookupCommand.h"
#include "cli/history/SavedLookupText.h"
#include "history/History.h"
#include "history/LoginName.h"
#include "history/store/HistoryError.h"
#include "history/store/MemberKey.h"

namespace kestrova {
namespace {

int Save(const HistoryOptions& history, const MarkEntry& entry) {
    try {
        History kept(*history.Place());
        if (entry.kind == MarkKind::kNote) {
            kept.AddNote(entry);
        } else {
            kept.SetMark(entry);
        }
        return 0;
    } catch (const HistoryError& error) {
        return HistoryFailure(error.what());
    }
}

}  // namespace

bool UsableEntry(const std::string& account, const std::string& text, const char* what) {
    std::optional<std::string> problem;
    if (MemberKey(account).empty()) {
        problem = "the account name is empty";
    } else if (const auto accountProblem = ProblemWithText(account)) {
        problem = "the account name cannot be kept: " + *accountProblem;
    } else if (const auto textProblem = ProblemWithText(text)) {
        problem = std::string("the ") + what + " cannot be kept: " + *textProblem;
    }
    if (problem) {
        std::fprintf(stderr, "kestrova-cli: %s\n", problem->c_str());
    }
    return !problem;
}

MarkCommand::MarkCommand(CLI::App& app)
    : command_(app.add_subcommand(
          "mark", "Blacklist or trust a member, or clear its mark (one mark a member)")) {
    command_->add_option("ACCOUNT", account_, "the member's account name")->required();
    auto* blacklist =
        command_->add_flag("--blacklist", blacklist_, "put the member on the blacklist");
    auto* trusted = command_->add_flag("--trusted", trusted_, "mark the member as trusted");
    auto* clear = command_->add_flag("--clear", clear_, "clear the member's mark");
    blacklist->excludes(trusted)->excludes(clear);
    trusted->excludes(clear);
    command_->add_option("--reason", reason_, "why (one line; shown with the mark)")
        ->type_name("TEXT");
    history_.AddTo(*command_, false);
}

int MarkCommand::Run() const {
    if (!blacklist_ && !trusted_ && !clear_) {
        std::fprintf(stderr, "kestrova-cli: mark wants --blacklist, --trusted or --clear\n");
        return kUsageError;
    }
    if (!UsableEntry(account_, reason_, "reason")) {
        return kUsageError;
    }
    const MarkKind kind =
        blacklist_ ? MarkKind::kBlacklist : (trusted_ ? MarkKind::kTrusted : MarkKind::kClear);
    return Save(history_,
                MarkEntry{account_, kind, reason_, LoginName(), NowForHistory(), HostName()});
}

NoteCommand::NoteCommand(CLI::App& app)
    : command_(app.add_subcommand("note", "Add a note about a member (any number a member)")) {
    command_->add_option("ACCOUNT", account_, "the member's account name")->required();
    command_->add_option("TEXT", text_, "the note (one line)")->required();
    history_.AddTo(*command_, false);
}

int NoteCommand::Run() const {
    if (!UsableEntry(account_, text_, "note")) {
        return kUsageError;
    }
    if (text_.empty()) {
        std::fprintf(stderr, "kestrova-cli: the note is empty\n");
        return kUsageError;
    }
    return Save(history_, MarkEntry{account_, MarkKind::kNote, text_, LoginName(), NowForHistory(),
                                    HostName()});
}

}  // namespace kestrova
