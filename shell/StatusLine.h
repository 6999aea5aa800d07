#pragma once
// The status bar 状态条1: one part, holding the status text the query writes.

#include <QLabel>
#include <QStatusBar>

namespace kestrova {

class StatusLine final : public QStatusBar {
    Q_OBJECT

  public:
    explicit StatusLine(QWidget* parent);

    // Part 0; the status bar has no other part.
    void SetText(const QString& text);
    QString Text() const;

  private:
    QLabel* part0_;
};

}  // namespace kestrova
