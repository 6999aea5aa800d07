#pragma once
// The message box of the Window interface on Qt: Win32 MB_* flags in, the
// pressed button's number out (0 OK, 1 Cancel, 2 Abort, 3 Retry, 4 Ignore,
// 5 Yes, 6 No; "try again" and "continue" answer 0). The box has no owner and
// blocks every window of the program until it is answered.

#include <QString>

namespace kestrova {

inline constexpr int kMbIconError = 0x10;

int ShowMessageBox(const QString& content, int flags, const QString& caption);

}  // namespace kestrova
