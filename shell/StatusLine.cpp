#include "shell/StatusLine.h"

#include <algorithm>

#include "form/Controls.h"

namespace kestrova {

namespace {

constexpr int kProgressWidth = 120;
constexpr int kProgressHeight = 10;
constexpr int kGapBeforeLink = 8;

// The maker's link sits on the right end of the status bar: the progress bar
// keeps clear of it.
int RoomForTheMakersLink() {
    const Rect& link = Controls()[static_cast<std::size_t>(Ctl::超级链接框2)].rect;
    return kClientWidth - link.left + kGapBeforeLink;
}

}  // namespace

StatusLine::StatusLine(QWidget* parent)
    : QStatusBar(parent),
      part0_(new QLabel(this)),
      progress_(new QProgressBar(this)),
      mark_(new QLabel(this)),
      missing_(new MissingPagesLabel(this)) {
    setSizeGripEnabled(false);
    part0_->setTextFormat(Qt::PlainText);
    addWidget(part0_, 1);
    addPermanentWidget(missing_);
    progress_->setObjectName(QStringLiteral("lookupProgress"));
    progress_->setTextVisible(false);
    progress_->setFixedSize(kProgressWidth, kProgressHeight);
    addPermanentWidget(progress_);
    mark_->setObjectName(QStringLiteral("memberMark"));
    mark_->setTextFormat(Qt::PlainText);
    addPermanentWidget(mark_);
    mark_->hide();
    auto* linkRoom = new QWidget(this);
    linkRoom->setFixedSize(RoomForTheMakersLink(), kProgressHeight);
    addPermanentWidget(linkRoom);
    progress_->hide();
}

void StatusLine::ShowProgress(int finished, int expected) {
    progress_->setRange(0, std::max(expected, 1));
    progress_->setValue(std::min(finished, progress_->maximum()));
    progress_->show();
}

void StatusLine::HideProgress() {
    progress_->hide();
    progress_->reset();
}

void StatusLine::ShowMark(const QString& text, const QColor& colour, const QString& tooltip) {
    mark_->setText(text);
    // Bold as the window's bold labels are drawn: through a style sheet.
    mark_->setStyleSheet(QStringLiteral("color: %1; font-weight: bold;").arg(colour.name()));
    mark_->setToolTip(tooltip);
    mark_->setVisible(!text.isEmpty());
}

void StatusLine::SetText(const QString& text) {
    part0_->setText(text);
}

QString StatusLine::Text() const {
    return part0_->text();
}

}  // namespace kestrova
