#pragma once
// The status bar's warning that a lookup did not get some of its pages:
// "3 页未取到", with the pages and reasons in its tooltip. It shows from the
// first missing page on, stays after the lookup, and goes when the next one
// starts. The status bar's own text stays the query's.

#include <QLabel>
#include <vector>

#include "form/Completeness.h"

namespace kestrova {

class MissingPagesLabel final : public QLabel {
    Q_OBJECT

  public:
    explicit MissingPagesLabel(QWidget* parent);

    // Hidden when nothing is missing.
    void ShowMissing(const std::vector<MissingPage>& missing);
    void Clear();
};

// "会员资料页：无应答：连接被拒绝" a line, then a word on the verdicts (UTF-8).
QString MissingPagesTooltip(const std::vector<MissingPage>& missing);

}  // namespace kestrova
