#pragma once
// The one way the program hands an address to the user's browser: the exit
// link and the three link controls all go through here, and tests install a
// recorder in place of the desktop.
//
// The shop and item links get their addresses from downloaded pages, so only
// web addresses are handed on. A file: or javascript: address, a local path or
// a program name would otherwise be run by the desktop's opener.

#include <functional>
#include <string>
#include <string_view>

namespace kestrova {

using Opener = std::function<void(const std::string& utf8Address)>;

// Starts xdg-open with the address as its one argument and does not wait.
void OpenWithDesktop(const std::string& utf8Address);

// Replaces the opener in force and returns the one it replaced.
Opener InstallOpener(Opener opener);

// "http://" or "https://", the scheme in any letter case.
bool IsWebAddress(std::string_view address);

// Hands a web address to the opener, cleaned as a browser cleans what it is
// given (tabs and line breaks dropped, blanks at the ends trimmed); anything
// else, and an address that still holds a control byte or a space, is
// dropped. True when the address was handed on.
bool OpenAddress(const std::string& utf8Address);

}  // namespace kestrova
