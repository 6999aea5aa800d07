#include "cli/history/HistoryCommand.h"

#include <iostream>

#include "cli/history/HistoryCsv.h"
#include "cli/history/SavedLookupText.h"
#include "cli/report/FieldReport.h"
#include "history/FieldDiff.h"
#include "history/HistoryCopy.h"
#include "history/LookupEnd.h"
#include "lookup/FieldPages.h"
#include "text/Gbk.h"
#include "text/TerminalText.h"

namespace kestrova {
namespace {

using nlohmann::ordered_json;

// Typed accounts need not be valid UTF-8; JSON output must be.
std::string Dump(const ordered_json& json) {
    return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

std::string DumpLine(const ordered_json& json) {
    return json.dump(-1, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

std::string ChangeCaption(const FieldChange& change) {
    if (change.part == FieldChange::Part::kStatus) {
        return "状态";
    }
    const ControlDef& c = Control(change.control);
    const std::string caption = FieldCaption(c);
    switch (change.part) {
        case FieldChange::Part::kLink:
            return caption + " ->";
        case FieldChange::Part::kPicture:
            return caption + " [" + c.name + "]";
        default:
            return caption;
    }
}

const char* PartName(FieldChange::Part part) {
    switch (part) {
        case FieldChange::Part::kLink:
            return "link";
        case FieldChange::Part::kPicture:
            return "picture";
        case FieldChange::Part::kStatus:
            return "status";
        case FieldChange::Part::kText:
            break;
    }
    return "text";
}

ordered_json PictureOrNull(const ByteBuffer& bytes) {
    return bytes.empty() ? ordered_json(nullptr) : PictureJson(bytes);
}

std::string PictureOrEmpty(const ByteBuffer& bytes) {
    return bytes.empty() ? std::string() : PictureDescription(bytes);
}

// What a saved lookup did not get, as the diff weighs it.
struct PagesNotGot {
    std::int64_t id = 0;
    std::vector<PageRef> pages;
    bool all = false;  // cancelled, or a page this program cannot place: every field
};

PagesNotGot NotGot(const SavedLookup& lookup) {
    PagesNotGot notGot{lookup.row.id, {}, false};
    notGot.all = EndFromName(lookup.row.end) == LookupEnd::kCancelled;
    if (lookup.pages) {
        for (const MissingPage& missing : lookup.pages->missing) {
            if (const std::optional<PageRef> page = PageFromKey(missing.page)) {
                notGot.pages.push_back(*page);
            } else {
                notGot.all = true;
            }
        }
    }
    return notGot;
}

bool Feeds(const PagesNotGot& notGot, Ctl control) {
    return notGot.all || FedByAnyOf(control, notGot.pages);
}

// The lookups (of the two) that did not get a page the change's field comes
// from: such a change is no change of the member.
std::vector<std::int64_t> MissingIn(const FieldChange& change, const PagesNotGot& before,
                                    const PagesNotGot& after) {
    std::vector<std::int64_t> ids;
    for (const PagesNotGot* notGot : {&before, &after}) {
        if (Feeds(*notGot, change.control)) {
            ids.push_back(notGot->id);
        }
    }
    return ids;
}

std::string NotComparedText(const std::vector<std::int64_t>& ids) {
    std::string text = "not compared (page missing in ";
    for (std::size_t i = 0; i < ids.size(); ++i) {
        text += (i > 0 ? " and #" : "#") + std::to_string(ids[i]);
    }
    return text + ")";
}

std::string Marked(const LookupRow& lookup) {
    if (lookup.complete.value_or(true)) {
        return {};
    }
    return "\t(incomplete: " + std::to_string(lookup.missingPages) +
           (lookup.missingPages == 1 ? " page" : " pages") + " not got)";
}

}  // namespace

HistoryCommand::HistoryCommand(CLI::App& app)
    : command_(app.add_subcommand("history", "List saved lookups, latest first")) {
    accountOption_ = command_->add_option("ACCOUNT", account_, "only this member's lookups");
    limitOption_ =
        command_
            ->add_option("--limit", limit_, "at most this many (0: all; default 20, with --csv 0)")
            ->check(CLI::NonNegativeNumber);
    auto* json = command_->add_flag("--json", json_, "print JSON instead of lines");
    auto* csv = command_->add_flag(
        "--csv", csv_,
        "print one CSV row per lookup for spreadsheets (UTF-8 with a byte-order mark)");
    csv->excludes(json);
    command_
        ->add_flag("--diff", diff_,
                   "show the fields that changed between the member's last two lookups")
        ->needs(accountOption_)
        ->excludes(csv);
    copyOption_ = command_
                      ->add_option("--copy-to", copyTo_,
                                   "copy every lookup, mark, note and watched member into this "
                                   "history (a postgresql:// URI or a file); what it has already "
                                   "is left as it is")
                      ->type_name("URI")
                      ->excludes(accountOption_)
                      ->excludes(json)
                      ->excludes(csv)
                      ->excludes(limitOption_);
    history_.AddTo(*command_, false);
}

int HistoryCommand::Run() const {
    if (copyOption_->count() > 0) {
        return Copy();
    }
    try {
        History history(*history_.Place());
        return diff_ ? Diff(history) : List(history);
    } catch (const HistoryError& error) {
        return HistoryFailure(error.what());
    }
}

int HistoryCommand::List(History& history) const {
    const auto account =
        accountOption_->count() > 0 ? std::optional<std::string>(account_) : std::nullopt;
    if (csv_) {
        std::cout << HistoryCsv(history,
                                history.Recent(account, limitOption_->count() > 0 ? limit_ : 0));
        return 0;
    }
    const auto lookups = history.Recent(account, limit_);
    if (json_) {
        ordered_json list = ordered_json::array();
        for (const LookupRow& lookup : lookups) {
            list.push_back(SummaryJson(lookup));
        }
        std::cout << Dump(list);
        return 0;
    }
    for (const LookupRow& lookup : lookups) {
        std::string line =
            LookupLabel(lookup) + "\t" + lookup.account + "\t" + EndText(lookup) + Marked(lookup);
        // Who saved it, and on which machine: a team shares one history.
        if (!lookup.who.empty()) {
            line += "\t" + lookup.who + (lookup.host.empty() ? "" : "@" + lookup.host);
        }
        std::cout << TerminalText(line) << "\n";
    }
    return 0;
}

int HistoryCommand::Diff(History& history) const {
    const auto lastTwo = history.Recent(account_, 2);
    if (lastTwo.size() < 2) {
        return HistoryFailure("--diff needs two saved lookups of " + account_ + "; " +
                              history.Place().string() + " has " + std::to_string(lastTwo.size()));
    }
    const auto before = history.Load(lastTwo[1].id);
    const auto after = history.Load(lastTwo[0].id);
    if (!before || !after) {
        return HistoryFailure(history.Place().string() + ": a lookup went missing while reading");
    }
    PrintFieldDiff(account_, *before, *after, json_ ? DiffFormat::kJson : DiffFormat::kText);
    return 0;
}

int HistoryCommand::Copy() const {
    try {
        if (copyTo_.empty()) {
            return HistoryFailure("--copy-to wants a postgresql:// URI or a file name");
        }
        History from(*history_.Place());
        History to(HistoryPlace::Named(copyTo_));
        const CopyCounts counts = CopyHistory(from, to);
        auto told = [](int copied, int skipped, const char* one, const char* many) {
            return std::to_string(copied) + " " + (copied == 1 ? one : many) + " copied, " +
                   std::to_string(skipped) + " there already";
        };
        std::cout << TerminalText(
            from.Place().Shown() + " -> " + to.Place().Shown() + "\n" +
            told(counts.lookups, counts.knownLookups, "lookup", "lookups") + "\n" +
            told(counts.marks.marks, counts.marks.olderMarks, "mark", "marks") + "\n" +
            told(counts.marks.notes, counts.marks.knownNotes, "note", "notes") + "\n" +
            told(counts.watched, counts.knownWatched, "watched member", "watched members") + "\n");
        return 0;
    } catch (const HistoryError& error) {
        return HistoryFailure(error.what());
    }
}

void PrintFieldDiff(const std::string& account, const SavedLookup& before, const SavedLookup& after,
                    DiffFormat format) {
    // A field fed by a page one of the two lookups did not get says nothing
    // about the member: it is listed apart, never as a change.
    const PagesNotGot notGotBefore = NotGot(before);
    const PagesNotGot notGotAfter = NotGot(after);
    std::vector<FieldChange> changes;
    std::vector<std::pair<FieldChange, std::vector<std::int64_t>>> apart;
    for (FieldChange& change : ChangedFields(before.fields, after.fields)) {
        std::vector<std::int64_t> missingIn = MissingIn(change, notGotBefore, notGotAfter);
        if (missingIn.empty()) {
            changes.push_back(std::move(change));
        } else {
            apart.emplace_back(std::move(change), std::move(missingIn));
        }
    }
    if (format != DiffFormat::kText) {
        ordered_json notCompared = ordered_json::array();
        for (const auto& [change, missingIn] : apart) {
            notCompared.push_back({{"control", Control(change.control).name},
                                   {"caption", ChangeCaption(change)},
                                   {"part", PartName(change.part)},
                                   {"missing_in", missingIn}});
        }
        ordered_json list = ordered_json::array();
        for (const FieldChange& change : changes) {
            ordered_json entry = {{"control", Control(change.control).name},
                                  {"caption", ChangeCaption(change)},
                                  {"part", PartName(change.part)}};
            if (change.part == FieldChange::Part::kPicture) {
                entry["old"] = PictureOrNull(change.beforePicture);
                entry["new"] = PictureOrNull(change.afterPicture);
            } else {
                entry["old"] = GbkToUtf8(change.before);
                entry["new"] = GbkToUtf8(change.after);
            }
            list.push_back(std::move(entry));
        }
        ordered_json diff = {{"account", account},
                             {"old", SummaryJson(before.row)},
                             {"new", SummaryJson(after.row)},
                             {"changes", std::move(list)}};
        // Two lookups saved before pages were told apart print what they printed then.
        if (before.pages || after.pages) {
            diff["not_compared"] = std::move(notCompared);
        }
        std::cout << (format == DiffFormat::kJson ? Dump(diff) : DumpLine(diff));
        return;
    }
    std::cout << TerminalText(account + "\t" + LookupLabel(before.row) + "\t" +
                              LookupLabel(after.row))
              << "\n";
    for (const FieldChange& change : changes) {
        const bool picture = change.part == FieldChange::Part::kPicture;
        const std::string before =
            picture ? PictureOrEmpty(change.beforePicture) : GbkToUtf8(change.before);
        const std::string after =
            picture ? PictureOrEmpty(change.afterPicture) : GbkToUtf8(change.after);
        std::cout << TerminalText(ChangeCaption(change) + "\t" + before + "\t" + after) << "\n";
    }
    // Apart, and last: these fields say nothing about the member.
    for (const auto& [change, missingIn] : apart) {
        std::cout << TerminalText(ChangeCaption(change)) << "\t" << NotComparedText(missingIn)
                  << "\n";
    }
}

}  // namespace kestrova
