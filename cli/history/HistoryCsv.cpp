#include "cli/history/HistoryCsv.h"

#include <array>
#include <map>

#include "cli/history/Csv.h"
#include "cli/report/MarkReport.h"
#include "history/TimeText.h"
#include "history/store/MemberKey.h"
#include "text/Gbk.h"
#include "text/Search.h"

namespace kestrova {
namespace {

struct Figure {
    const char* column;
    Ctl control;
};

constexpr std::array kFigures = {
    Figure{"seller_credit", Ctl::编辑框6}, Figure{"buyer_credit", Ctl::编辑框7},
    Figure{"good", Ctl::编辑框好评},       Figure{"neutral", Ctl::编辑框中评},
    Figure{"bad", Ctl::编辑框差评},        Figure{"good_rate", Ctl::编辑框19},
    Figure{"registered", Ctl::编辑框24},   Figure{"region", Ctl::编辑框8},
    Figure{"buyer_verdict", Ctl::标签38},  Figure{"shop_verdict", Ctl::标签48},
};

}  // namespace

std::string HistoryCsv(History& history, const std::vector<LookupRow>& lookups) {
    std::vector<std::string> header = {"id", "time", "account", "end", "mode"};
    for (const Figure& figure : kFigures) {
        header.push_back(figure.column);
    }
    header.push_back("mark");
    std::string out(kUtf8Bom);
    out += CsvRow(header);

    // Reading marks is beside the export: a history whose lookups read but
    // whose marks do not still gives its rows.
    MarksBeside marks(&history, false);
    std::map<std::string, std::string> markOf;  // by member
    for (const LookupRow& summary : lookups) {
        const std::optional<SavedLookup> lookup = history.Load(summary.id);
        if (!lookup) {
            continue;  // gone since it was listed
        }
        std::vector<std::string> row = {std::to_string(summary.id), LocalTimeText(summary.started),
                                        summary.account, summary.end, summary.mode};
        for (const Figure& figure : kFigures) {
            // A verdict carries the spaces that separate its parts.
            row.push_back(GbkToUtf8(TrimSpaces(lookup->fields.ReadText(figure.control))));
        }
        const std::string member = MemberKey(summary.account);
        auto found = markOf.find(member);
        if (found == markOf.end()) {
            const MemberMarks member_marks = marks.Of(summary.account);
            found = markOf
                        .emplace(member, member_marks.mark
                                             ? std::string(MarkKindName(member_marks.mark->kind))
                                             : std::string())
                        .first;
        }
        row.push_back(found->second);
        out += CsvRow(row);
    }
    return out;
}

}  // namespace kestrova
