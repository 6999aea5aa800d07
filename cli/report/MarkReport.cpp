#include "cli/report/MarkReport.h"

#include <cstdio>

#include "cli/report/FieldReport.h"
#include "history/History.h"
#include "history/TimeText.h"

namespace kestrova {

std::string MarkKindWord(MarkKind kind) {
    switch (kind) {
        case MarkKind::kBlacklist:
            return "黑名单";
        case MarkKind::kTrusted:
            return "信任";
        case MarkKind::kClear:
            return "已清除";
        case MarkKind::kNote:
            break;
    }
    return "备注";
}

void AddMarksToJson(nlohmann::ordered_json& lookup, const MemberMarks& marks) {
    using nlohmann::ordered_json;
    if (marks.mark) {
        lookup["mark"] = {{"kind", MarkKindName(marks.mark->kind)},
                          {"reason", marks.mark->text},
                          {"who", marks.mark->who},
                          {"when", UtcTimeText(marks.mark->when)}};
    } else {
        lookup["mark"] = nullptr;
    }
    ordered_json notes = ordered_json::array();
    for (const MarkEntry& note : marks.notes) {
        notes.push_back({{"text", note.text}, {"who", note.who}, {"when", UtcTimeText(note.when)}});
    }
    lookup["notes"] = std::move(notes);
}

std::string MarkLines(const MemberMarks& marks) {
    std::string lines;
    for (const MarkEntry& note : marks.notes) {
        lines += "备注\t" + note.text + "\n";
    }
    if (marks.mark) {
        lines += "标记\t" + MarkKindWord(marks.mark->kind);
        if (!marks.mark->text.empty()) {
            lines += "：" + marks.mark->text;
        }
        lines += "\n";
    }
    return lines;
}

std::string MarkEntryLine(const MarkEntry& entry) {
    // Who, and on which machine where that is known: a team shares one list.
    const std::string who = entry.host.empty() ? entry.who : entry.who + "@" + entry.host;
    return entry.account + "\t" + MarkKindWord(entry.kind) + "\t" + entry.text + "\t" + who + "\t" +
           LocalTimeText(entry.when) + "\n";
}

nlohmann::ordered_json MarkEntryJson(const MarkEntry& entry) {
    return {{"account", entry.account}, {"kind", MarkKindName(entry.kind)},
            {"text", entry.text},       {"who", entry.who},
            {"host", entry.host},       {"when", UtcTimeText(entry.when)}};
}

std::vector<std::string> MarkEntryCells(const MarkEntry& entry) {
    return {entry.account, std::string(MarkKindName(entry.kind)), entry.text, entry.who,
            UtcTimeText(entry.when)};
}

MemberMarks MarksBeside::Of(const std::string& account) {
    if (history_ == nullptr || failed_) {
        return {};
    }
    try {
        return history_->MarksOf(account);
    } catch (const HistoryError& error) {
        failed_ = true;
        if (warn_) {
            std::fprintf(stderr, "kestrova-cli: warning: marks and notes are not shown: %s\n",
                         error.what());
        }
        return {};
    }
}

}  // namespace kestrova
