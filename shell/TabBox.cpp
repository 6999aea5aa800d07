#include "shell/TabBox.h"

namespace kestrova {

TabBox::TabBox(QWidget* parent) : QTabWidget(parent) {}

QWidget* TabBox::Page(int page) const {
    return widget(page - 1);
}

void TabBox::Place(QWidget* child, int page, const QRect& designRect) {
    child->setParent(Page(page));
    placed_.push_back({child, designRect});
    PlaceChildren();
}

void TabBox::showEvent(QShowEvent* event) {
    QTabWidget::showEvent(event);
    PlaceChildren();
}

void TabBox::resizeEvent(QResizeEvent* event) {
    QTabWidget::resizeEvent(event);
    PlaceChildren();
}

void TabBox::PlaceChildren() {
    for (const Placed& placed : placed_) {
        // Every page fills the same page area, the current one included.
        const QWidget* area = placed.child->parentWidget()->parentWidget();
        const QPoint offset = area != nullptr ? area->mapTo(this, QPoint(0, 0)) : QPoint(0, 0);
        placed.child->setGeometry(placed.designRect.translated(-offset));
    }
}

}  // namespace kestrova
