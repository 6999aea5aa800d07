#pragma once
// Fonts, colours and frames of the controls, by the looks the control table
// names.

#include <QColor>
#include <QFont>
#include <QString>

#include "form/Controls.h"

namespace kestrova {

// The original's default GUI font is 12 pixels high with half-width Latin
// letters: the captions' runs of spaces are measured in that width, so a
// CJK font with half-width Latin keeps every field over the gap meant for it.
QFont DefaultGuiFont();

// The banner 透明标签2: bold, 39 pixels high, "微软雅黑" where installed.
QFont BannerFont();
inline const QColor kBannerColour{0, 64, 160};

// The style sheet of an edit box or label with this look; empty when the
// widget keeps its default look.
QString EditBoxStyleSheet(const ControlDef& def);
QString LabelStyleSheet(const ControlDef& def);

// A group box as the original draws it: an etched frame whose top line runs
// through the middle of the caption, or along its top without one.
QString GroupBoxStyleSheet(bool captioned);

// Qt alignment of a control's text.
Qt::Alignment EditBoxAlignment(const ControlDef& def);
Qt::Alignment LabelAlignment(const ControlDef& def);

}  // namespace kestrova
