#include "history/store/MemberKey.h"

#include "text/Gbk.h"

namespace kestrova {
namespace {

constexpr std::string_view kIdeographicSpace = "\xe3\x80\x80";  // U+3000

}  // namespace

std::string MemberKey(std::string_view account) {
    // The same characters the upgrade to history version 2 trimmed in SQL.
    while (true) {
        if (account.starts_with(' ')) {
            account.remove_prefix(1);
        } else if (account.starts_with(kIdeographicSpace)) {
            account.remove_prefix(kIdeographicSpace.size());
        } else if (account.ends_with(' ')) {
            account.remove_suffix(1);
        } else if (account.ends_with(kIdeographicSpace)) {
            account.remove_suffix(kIdeographicSpace.size());
        } else {
            return GbkToUtf8(Utf8ToGbk(account));
        }
    }
}

}  // namespace kestrova
