#pragma once
// The main window's icon, from the embedded icon file with all its images.

#include <QIcon>

namespace kestrova {

QIcon MainWindowIcon();

}  // namespace kestrova
