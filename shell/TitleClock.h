#pragma once
// The title clock: every tick of 时钟1 the window title shows the program's
// name, the maker and the current local date and time.

#include "form/Window.h"
#include "text/Text.h"

namespace kestrova {

// The title at `now`, GBK.
Text TitleText(DateTime now);

// The tick routine: writes TitleText(NowTime()).
void TitleRoutine(Window& window);

}  // namespace kestrova
