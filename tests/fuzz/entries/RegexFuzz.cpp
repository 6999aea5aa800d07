// The regular-expression helper: the patterns the page steps run, over any
// subject, and any pattern at all.

#include <array>

#include "FuzzEntries.h"
#include "FuzzInput.h"
#include "text/Gbk.h"
#include "web/RegexHelper.h"

namespace kestrova::fuzz {
namespace {

// Every pattern the query runs, as the steps write them.
const std::array<Text, 12>& SystemPatterns() {
    static const std::array<Text, 12> patterns = {
        Gbk("\\d+年\\d+月\\d+日"),
        "http:\\/\\/rate\\.taobao\\.com\\/user-rate-.*htm",
        Gbk("所在地区：[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?</li>"),
        "userID: '(\\d+)'",
        Gbk("<!--认证标志-->[\\s\\S]*?([\\u4e00-\\u9fa5]+)[\\s\\S]*?<!--商城及地域的标志-->"),
        "id=\"J_showShopStartDate\" value=\"(.*)\" />",
        Gbk("好评率：(\\d.*)%"),
        Gbk("买家信用：[\\s\\S]*?(\\d+)</a>"),
        ">(\\d+)</a></td>",
        ">(\\d+)</a>",
        "\"maxPage\":(\\d+)",
        "aucNumId",
    };
    return patterns;
}

// Every match and group of the last run is a piece of the subject, byte for
// byte: the detour through Unicode loses nothing.
void CheckMatches(const RegexHelper& regex, const Text& subject) {
    const int count = regex.RegexMatchCount();
    FuzzCheck(count >= 0, "a negative match count");
    for (int k = 1; k <= count + 1; ++k) {
        const Text value = regex.RegexMatchValue(k);
        FuzzCheck(k <= count || value.empty(), "a match beyond the count");
        FuzzCheck(subject.find(value) != Text::npos, "a match that is not part of the subject");
        for (int n = 0; n <= 3; ++n) {
            const Text group = regex.RegexSubMatch(k, n);
            FuzzCheck(n > 0 || group.empty(), "group 0 read as a submatch");
            FuzzCheck(value.find(group) != Text::npos, "a group outside its match");
        }
    }
    FuzzCheck(regex.RegexMatchValue(0).empty() && regex.RegexMatchValue(-1).empty(),
              "a match at index 0 or below");
}

}  // namespace

int FuzzRegexSystem(const std::uint8_t* data, std::size_t size) {
    const Text subject = AsPageText(std::string_view(reinterpret_cast<const char*>(data), size));
    RegexHelper regex;
    for (const Text& pattern : SystemPatterns()) {
        FuzzCheck(regex.RegexPrepare(pattern, subject), "a pattern of the program failed");
        CheckMatches(regex, subject);
    }
    return 0;
}

int FuzzRegexAny(const std::uint8_t* data, std::size_t size) {
    FuzzInput in(data, size);
    const std::uint8_t flags = in.Byte();
    const std::vector<std::string> parts = in.Parts();
    const Text pattern = AsPageText(parts[0]);
    const Text subject = AsPageText(parts.size() > 1 ? parts[1] : std::string());
    RegexHelper regex;
    if (!regex.RegexPrepare(pattern, subject, flags & 1, flags & 2, flags & 4)) {
        FuzzCheck(regex.RegexMatchCount() == 0 && regex.RegexMatchValue(1).empty(),
                  "a failed run left matches");
        return 0;
    }
    CheckMatches(regex, subject);
    FuzzCheck((flags & 4) != 0 || regex.RegexMatchCount() <= 1,
              "more than one match without global");
    return 0;
}

}  // namespace kestrova::fuzz
