#include "cli/report/MissingReport.h"

#include "lookup/PageNames.h"
#include "text/Gbk.h"

namespace kestrova {
namespace {

// Page names and reasons are this program's words; one read back from a
// damaged history file still never moves the terminal's cursor.
std::string Printable(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out += byte < 0x20 || byte == 0x7F ? '?' : c;
    }
    return out;
}

}  // namespace

void AddCompleteness(nlohmann::ordered_json& object, const Completeness& pages) {
    object["complete"] = pages.complete;
    nlohmann::ordered_json missing = nlohmann::ordered_json::array();
    for (const MissingPage& page : pages.missing) {
        missing.push_back(
            {{"page", page.page}, {"url", GbkToUtf8(page.url)}, {"reason", page.reason}});
    }
    object["missing"] = std::move(missing);
}

std::string IncompleteLine(const Completeness& pages) {
    if (pages.complete) {
        return {};
    }
    if (pages.missing.empty()) {
        return "(incomplete)\tthe lookup was stopped before it got every page\n";
    }
    std::string line = "(incomplete)\tnot got: ";
    for (std::size_t i = 0; i < pages.missing.size(); ++i) {
        line += (i > 0 ? ", " : "") + Printable(PageTitle(pages.missing[i].page)) + " (" +
                Printable(pages.missing[i].reason) + ")";
    }
    return line + "\n";
}

}  // namespace kestrova
