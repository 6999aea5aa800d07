#include "cli/MemberReport.h"

#include "cli/FieldReport.h"
#include "cli/MarkReport.h"
#include "text/Gbk.h"

namespace kestrova {

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
    if (member.fault) {
        return MemberHeading(member.account) + FaultText(*member.fault);
    }
    return MemberHeading(member.account) + FieldListing(member.window) + MarkLines(marks);
}

std::string MemberJsonLine(const MemberLookup& member, const MemberMarks& marks) {
    nlohmann::ordered_json line;
    line["account"] = member.account;
    if (member.fault) {
        line["runtime_error"] = FaultText(*member.fault);
    } else {
        nlohmann::ordered_json fields = FieldObject(member.window);
        for (auto& item : fields.items()) {
            line[item.key()] = std::move(item.value());
        }
        AddMarksToJson(line, marks);
    }
    // The account is the user's bytes: anything in it that is not UTF-8
    // becomes U+FFFD rather than ending the run.
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace kestrova
