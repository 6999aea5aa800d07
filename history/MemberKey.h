#pragma once
// Which member an account names. The profile request trims spaces (ASCII and
// full-width) from both ends of the typed name, so "青禾手作坊 " and
// "青禾手作坊" look the same member up; the history files and finds them
// together under this key.

#include <string>
#include <string_view>

namespace kestrova {

// The account (UTF-8, as typed) without spaces and U+3000 at either end.
std::string MemberKey(std::string_view account);

}  // namespace kestrova
