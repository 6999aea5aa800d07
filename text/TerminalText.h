#pragma once
// Text bound for a terminal. Page text can hold escape sequences that would
// set the clipboard, the title, clear the screen or plant a link, and
// bidirectional overrides that make a line read other than it is; such
// characters are written visibly instead, the same on a terminal and in a
// pipe.

#include <string>
#include <string_view>

namespace kestrova {

// UTF-8 in, UTF-8 out. TAB and LF pass; the other C0 controls and DEL become
// caret notation ("^[" for ESC, "^?" for DEL), the C1 controls (U+0080 to
// U+009F) and the bidirectional overrides and isolates (U+202A to U+202E,
// U+2066 to U+2069) become "<U+XXXX>", and a byte that is not part of valid
// UTF-8 becomes "<0xXX>". Everything else is kept as it is.
std::string TerminalText(std::string_view utf8);

}  // namespace kestrova
