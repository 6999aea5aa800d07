#include "shell/HyperLink.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include "shell/Opener.h"

namespace kestrova {
namespace {

// A caption wider than its control is drawn in a smaller font rather than cut
// off at both ends; below this it would no longer be readable.
constexpr int kSmallestPixelSize = 8;

}  // namespace

HyperLink::HyperLink(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);
}

void HyperLink::SetCaption(const QString& caption) {
    caption_ = caption;
    update();
}

void HyperLink::SetAddress(const std::string& utf8Address) {
    address_ = utf8Address;
}

QColor HyperLink::CaptionColour() const {
    if (hovered_) {
        return kHoverColour;
    }
    return visited_ ? kVisitedColour : kNormalColour;
}

void HyperLink::paintEvent(QPaintEvent*) {
    if (caption_.isEmpty()) {
        return;
    }
    QFont captionFont = font();
    captionFont.setUnderline(true);
    int pixelSize = captionFont.pixelSize() > 0 ? captionFont.pixelSize() : 12;
    while (pixelSize > kSmallestPixelSize &&
           QFontMetrics(captionFont).horizontalAdvance(caption_) > width()) {
        captionFont.setPixelSize(--pixelSize);
    }
    QPainter painter(this);
    painter.setFont(captionFont);
    painter.setPen(CaptionColour());
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, caption_);
}

void HyperLink::enterEvent(QEnterEvent*) {
    hovered_ = true;
    update();
}

void HyperLink::leaveEvent(QEvent*) {
    hovered_ = false;
    pressed_ = false;
    update();
}

void HyperLink::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void HyperLink::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click && !address_.empty() && OpenAddress(address_)) {
        visited_ = true;
        update();
    }
}

}  // namespace kestrova
