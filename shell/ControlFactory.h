#pragma once
// Builds every control of the table as a Qt object under the main window,
// parents before children, each named after its control.

#include <QObject>
#include <QWidget>
#include <array>

#include "form/Controls.h"

namespace kestrova {

// Indexed by Ctl. The timer is a QTimer; the script host has no object.
using ControlObjects = std::array<QObject*, kControlCount>;

ControlObjects BuildControls(QWidget& window);

}  // namespace kestrova
