#include "cli/watch/ChangeNotice.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "cli/report/FieldReport.h"
#include "history/FieldDiff.h"
#include "history/LookupEnd.h"
#include "text/Convert.h"
#include "text/Gbk.h"
#include "text/NumberCompare.h"
#include "text/Search.h"

namespace kestrova {
namespace {

// At most this many changes are listed; the rest are counted.
constexpr std::size_t kMostLines = 6;
// A value longer than this many characters is cut, with an ellipsis.
constexpr std::size_t kMostCharacters = 40;

// Verdict changes, then the figures, most telling first.
constexpr std::array kTold = {
    Ctl::标签38,      Ctl::标签48,      Ctl::编辑框差评,  Ctl::编辑框一周差, Ctl::编辑框一月差,
    Ctl::编辑框中评,  Ctl::编辑框19,    Ctl::编辑框6,     Ctl::编辑框7,      Ctl::编辑框好评,
    Ctl::编辑框中评7, Ctl::编辑框中评6, Ctl::编辑框中评5, Ctl::编辑框半年差, Ctl::编辑框年前差,
};

// The bad-rating counts: any that grew means a bad rating appeared.
constexpr std::array kBadCounts = {Ctl::编辑框差评, Ctl::编辑框一周差, Ctl::编辑框一月差,
                                   Ctl::编辑框半年差, Ctl::编辑框年前差};

// How bad a buyer verdict is: the plain ones by rank, any warning above them,
// more warnings worse.
int BuyerSeverity(const Text& verdict) {
    static const std::array<Text, 4> kWarnings = {
        Gbk("帐号注册日期小于30日！"), Gbk("非善类！给的中评大于3个！"),
        Gbk("很挑剔！有给差评的记录！"), Gbk("红色警报：叼民！")};
    int warnings = 0;
    for (const Text& warning : kWarnings) {
        warnings += FindText(verdict, warning) > 0 ? 1 : 0;
    }
    if (warnings > 0) {
        return 2 + warnings;
    }
    const Text trimmed = TrimSpaces(verdict);
    return trimmed == Gbk("大大的良民.") ? 0 : (trimmed == Gbk("良民.") ? 1 : 2);
}

// How bad a shop verdict is: by its tag, from honest to a black shop.
int ShopSeverity(const Text& verdict) {
    static const std::array<Text, 6> kTags = {Gbk("[诚信商家]"), Gbk("[产品尚可]"),
                                              Gbk("[产品一般]"), Gbk("[注意质量]"),
                                              Gbk("[不诚信]"),   Gbk("[黑店]")};
    for (std::size_t rank = kTags.size(); rank-- > 0;) {
        if (FindText(verdict, kTags[rank]) > 0) {
            return static_cast<int>(rank);
        }
    }
    return 0;
}

bool GotWorse(const FieldStore& before, const FieldStore& after) {
    const auto was = EndOf(before, false);
    const auto is = EndOf(after, false);
    if (was == LookupEnd::kVerdicts &&
        (is == LookupEnd::kBlockedAccount || is == LookupEnd::kUnknownAccount)) {
        return true;
    }
    if (was != LookupEnd::kVerdicts || is != LookupEnd::kVerdicts) {
        return false;
    }
    if (BuyerSeverity(after.ReadText(Ctl::标签38)) > BuyerSeverity(before.ReadText(Ctl::标签38)) ||
        ShopSeverity(after.ReadText(Ctl::标签48)) > ShopSeverity(before.ReadText(Ctl::标签48))) {
        return true;
    }
    for (const Ctl count : kBadCounts) {
        if (NumberGreater(ToNumber(after.ReadText(count)), ToNumber(before.ReadText(count)))) {
            return true;
        }
    }
    return false;
}

// A page's text as a notification may show it: no control characters or
// direction marks (they could make one line look like another), one line,
// cut to a readable length.
std::string Shown(const Text& gbk) {
    const std::string utf8 = GbkToUtf8(TrimSpaces(gbk));
    std::string shown;
    std::size_t characters = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        const auto lead = static_cast<std::uint8_t>(utf8[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const std::string_view character(utf8.data() + at, std::min(length, utf8.size() - at));
        at += character.size();
        if (++characters > kMostCharacters) {
            shown += "…";
            break;
        }
        char32_t point = lead;
        if (length > 1) {
            point = lead & (0xFF >> (length + 1));
            for (std::size_t k = 1; k < character.size(); ++k) {
                point = (point << 6) | (static_cast<std::uint8_t>(character[k]) & 0x3F);
            }
        }
        const bool unwanted = point < 0x20 || point == 0x7F || (point >= 0x80 && point <= 0x9F) ||
                              point == 0x061C || point == 0x200E || point == 0x200F ||
                              (point >= 0x2028 && point <= 0x202E) ||
                              (point >= 0x2066 && point <= 0x2069);
        shown += unwanted ? std::string_view("\uFFFD") : character;
    }
    return shown.empty() ? "（空）" : shown;
}

std::string Line(const std::string& caption, const std::string& before, const std::string& after) {
    const bool colon = caption.ends_with("：");
    return caption + (colon ? "" : "：") + before + " → " + after;
}

}  // namespace

ChangeNotice NoticeOf(const std::string& account, const FieldStore& before,
                      const FieldStore& after) {
    ChangeNotice notice;
    notice.summary = account + " 有变化";
    notice.critical = GotWorse(before, after);

    std::vector<std::string> lines;
    if (before.StatusText() != after.StatusText()) {
        lines.push_back(Line("状态", Shown(before.StatusText()), Shown(after.StatusText())));
    }
    for (const Ctl control : kTold) {
        const Text& was = before.ReadText(control);
        const Text& is = after.ReadText(control);
        if (was != is) {
            lines.push_back(Line(FieldCaption(Control(control)), Shown(was), Shown(is)));
        }
    }
    // The rest of what history --diff would list, but pictures (a changed
    // picture mostly goes with a text told) and the account as typed.
    std::size_t others = 0;
    for (const FieldChange& change : ChangedFields(before, after)) {
        const bool told = change.part == FieldChange::Part::kStatus ||
                          (change.part == FieldChange::Part::kText &&
                           std::find(kTold.begin(), kTold.end(), change.control) != kTold.end());
        if (!told && change.part != FieldChange::Part::kPicture && change.control != Ctl::编辑框1) {
            ++others;
        }
    }
    if (lines.size() > kMostLines) {
        others += lines.size() - kMostLines;
        lines.resize(kMostLines);
    }
    for (const std::string& line : lines) {
        notice.body += (notice.body.empty() ? "" : "\n") + line;
    }
    if (others > 0) {
        notice.body += (notice.body.empty() ? "" : "\n") + std::string("另有 ") +
                       std::to_string(others) + " 项变化";
    }
    return notice;
}

}  // namespace kestrova
