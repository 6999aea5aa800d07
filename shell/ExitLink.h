#pragma once
// When the user closes the main window, the maker's web site opens in the
// browser; the program does not wait for it.

namespace kestrova {

void ExitLinkRoutine();

}  // namespace kestrova
