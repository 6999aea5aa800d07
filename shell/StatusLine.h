#pragma once
// The status bar 状态条1: one part, holding the status text the query writes,
// and a progress bar beside it while a lookup runs; left of the progress bar,
// the warning of pages a lookup did not get.

#include <QColor>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

#include "shell/MissingPagesLabel.h"

namespace kestrova {

class StatusLine final : public QStatusBar {
    Q_OBJECT

  public:
    explicit StatusLine(QWidget* parent);

    // Part 0; the status bar has no other part.
    void SetText(const QString& text);
    QString Text() const;

    // A thin bar at the right end, shown while a lookup runs: requests
    // finished out of those the lookup is expected to send.
    void ShowProgress(int finished, int expected);
    void HideProgress();
    const QProgressBar* Progress() const { return progress_; }

    // A label at the right end saying how the user marked the member being
    // looked up (黑名单, 信任), or that there are notes; `tooltip` is rich
    // text. Empty `text`: hidden.
    void ShowMark(const QString& text, const QColor& colour, const QString& tooltip);
    const QLabel* Mark() const { return mark_; }
    MissingPagesLabel* Missing() const { return missing_; }

  private:
    QLabel* part0_;
    QProgressBar* progress_;
    QLabel* mark_;
    MissingPagesLabel* missing_;
};

}  // namespace kestrova
