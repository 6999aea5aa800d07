#include "cli/watch/WatchCommand.h"

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "cli/LookupCommand.h"
#include "cli/history/SavedLookupText.h"
#include "cli/watch/MarkCommand.h"
#include "history/History.h"
#include "history/MarkEntry.h"
#include "history/TimeText.h"

namespace kestrova {

WatchCommand::WatchCommand(CLI::App& app)
    : command_(app.add_subcommand("watch", "Keep members on the list that recheck looks up")) {
    command_->require_subcommand(1);
    add_ = command_->add_subcommand("add", "Watch these members");
    add_->add_option("ACCOUNT", adding_, "the members' account names")->required();
    addHistory_.AddTo(*add_, false);
    remove_ = command_->add_subcommand("remove", "Stop watching these members");
    remove_->add_option("ACCOUNT", removing_, "the members' account names")->required();
    removeHistory_.AddTo(*remove_, false);
    list_ = command_->add_subcommand("list", "List the watched members, first added first");
    list_->add_flag("--json", json_, "print a JSON array instead of lines");
    listHistory_.AddTo(*list_, false);
}

int WatchCommand::Run() const {
    try {
        if (add_->parsed()) {
            return Add();
        }
        return remove_->parsed() ? Remove() : List();
    } catch (const HistoryError& error) {
        return HistoryFailure(error.what());
    }
}

int WatchCommand::Add() const {
    for (const std::string& account : adding_) {
        if (!UsableEntry(account, "", "account")) {
            return kUsageError;
        }
    }
    History history(*addHistory_.Place());
    for (const std::string& account : adding_) {
        if (!history.Watch(account, NowForHistory())) {
            std::fprintf(stderr, "kestrova-cli: %s is watched already\n", account.c_str());
        }
    }
    return 0;
}

int WatchCommand::Remove() const {
    History history(*removeHistory_.Place());
    int status = 0;
    for (const std::string& account : removing_) {
        if (!history.Unwatch(account)) {
            std::fprintf(stderr, "kestrova-cli: %s is not on the watch list\n", account.c_str());
            status = kHistoryFailure;
        }
    }
    return status;
}

int WatchCommand::List() const {
    const std::vector<WatchedMember> members = History(*listHistory_.Place()).Watched();
    if (json_) {
        nlohmann::ordered_json array = nlohmann::ordered_json::array();
        for (const WatchedMember& member : members) {
            array.push_back({{"account", member.account}, {"added", UtcTimeText(member.added)}});
        }
        std::cout << array.dump(2) << "\n";
        return 0;
    }
    for (const WatchedMember& member : members) {
        std::cout << member.account << "\t" << LocalTimeText(member.added) << "\n";
    }
    return 0;
}

}  // namespace kestrova
