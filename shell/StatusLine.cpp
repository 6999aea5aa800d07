#include "shell/StatusLine.h"

namespace kestrova {

StatusLine::StatusLine(QWidget* parent) : QStatusBar(parent), part0_(new QLabel(this)) {
    setSizeGripEnabled(false);
    part0_->setTextFormat(Qt::PlainText);
    addWidget(part0_, 1);
}

void StatusLine::SetText(const QString& text) {
    part0_->setText(text);
}

QString StatusLine::Text() const {
    return part0_->text();
}

}  // namespace kestrova
