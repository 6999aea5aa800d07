#pragma once
// The tab control. The design places the controls of a page relative to the
// tab control's own top-left corner (the first row sits just below the tabs),
// while Qt parents them to a page area that starts below the tab bar; the box
// keeps each child's design rectangle and moves it by the page's offset
// whenever the page area moves.

#include <QRect>
#include <QTabWidget>
#include <vector>

namespace kestrova {

class TabBox final : public QTabWidget {
    Q_OBJECT

  public:
    explicit TabBox(QWidget* parent);

    // page is 1-based.
    QWidget* Page(int page) const;
    // Parents the child to the page and keeps it at `designRect`, relative to
    // this control's top-left corner.
    void Place(QWidget* child, int page, const QRect& designRect);

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    struct Placed {
        QWidget* child;
        QRect designRect;
    };
    void PlaceChildren();

    std::vector<Placed> placed_;
};

}  // namespace kestrova
