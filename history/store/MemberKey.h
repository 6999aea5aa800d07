#pragma once
// Which member an account names. The profile request trims spaces (ASCII and
// full-width) from both ends of the typed name and sends it in GBK, where a
// character GBK lacks (an emoji) becomes "?": "青禾手作坊 " and "青禾手作坊"
// look the same member up, and so do "x😀" and "x😃". The history files and
// finds them together under this key.

#include <string>
#include <string_view>

namespace kestrova {

// The account (UTF-8, as typed) without spaces and U+3000 at either end, as
// the marketplace receives it, in UTF-8.
std::string MemberKey(std::string_view account);

}  // namespace kestrova
