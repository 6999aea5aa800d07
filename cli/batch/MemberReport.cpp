#include "cli/batch/MemberReport.h"

#include "cli/report/FieldReport.h"
#include "cli/report/MarkReport.h"
#include "cli/report/MissingReport.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

constexpr const char* kNotChecked = "(not checked)\t";

// The account is the user's bytes: anything in it that is not UTF-8 becomes
// U+FFFD rather than ending the run.
std::string Line(const nlohmann::ordered_json& line) {
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace

std::string MemberHeading(const std::string& account) {
    return "== " + account + " ==\n";
}

std::string FaultText(const Text& boxText) {
    std::string text;
    for (const char c : GbkToUtf8(boxText)) {
        if (c != '\r') {
            text += c;
        }
    }
    return text;
}

std::string MemberBlock(const MemberLookup& member, const MemberMarks& marks) {
    if (member.notChecked) {
        return MemberHeading(member.account) + kNotChecked + *member.notChecked + "\n";
    }
    if (member.fault) {
        return MemberHeading(member.account) + FaultText(*member.fault);
    }
    return MemberHeading(member.account) + FieldListing(member.window) +
           IncompleteLine(member.pages) + MarkLines(marks);
}

std::string MemberJsonLine(const MemberLookup& member, const MemberMarks& marks) {
    nlohmann::ordered_json line;
    line["account"] = member.account;
    if (member.notChecked) {
        line["checked"] = false;
        line["reason"] = *member.notChecked;
    } else if (member.fault) {
        line["runtime_error"] = FaultText(*member.fault);
    } else {
        nlohmann::ordered_json fields = FieldObject(member.window);
        for (auto& item : fields.items()) {
            line[item.key()] = std::move(item.value());
        }
        AddCompleteness(line, member.pages);
        AddMarksToJson(line, marks);
    }
    return Line(line);
}

std::string SavedMemberBlock(const std::string& account, const std::string& savedListing,
                             const std::string& label) {
    return MemberHeading(account) + savedListing + "(from history)\t" + label + "\n";
}

std::string SavedMemberJsonLine(const std::string& account, std::int64_t id,
                                const nlohmann::ordered_json& saved) {
    nlohmann::ordered_json line;
    line["account"] = account;
    line["from_history"] = id;
    for (const auto& item : saved.items()) {
        line[item.key()] = item.value();
    }
    return Line(line);
}

}  // namespace kestrova
